#pragma once

// A session bus of the test's own: a dbus-daemon on a socket in a temporary directory, that anything may
// own names on. Connections made through it are closed when it goes.
#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace qv::test {

class PrivateBus
{
public:
    // servicedir: where the bus looks for the service files of names it may start; none when empty.
    explicit PrivateBus(const QString& servicedir = {})
    {
        const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
        QFile f(config);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n<busconfig>\n"
                "<type>session</type>\n<listen>unix:dir="
            + m_dir.path().toUtf8() + "</listen>\n"
            + (servicedir.isEmpty() ? QByteArray() : "<servicedir>" + servicedir.toUtf8() + "</servicedir>\n")
            + "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
              "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>\n</busconfig>\n");
        f.close();
        m_daemon.start(QStringLiteral("dbus-daemon"),
            { QStringLiteral("--nofork"), QStringLiteral("--print-address=1"), "--config-file=" + config });
        EXPECT_TRUE(m_daemon.waitForStarted()) << "dbus-daemon (package dbus-daemon) could not be started";
        while (m_address.isEmpty() && m_daemon.state() == QProcess::Running && m_daemon.waitForReadyRead())
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        EXPECT_FALSE(m_address.isEmpty()) << m_daemon.readAllStandardError().toStdString();
    }
    ~PrivateBus()
    {
        for (const QString& name : m_connections)
            QDBusConnection::disconnectFromBus(name);
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const QString& address() const { return m_address; }
    // A new connection to the bus, as another process would have.
    QDBusConnection connect()
    {
        const QString name = QStringLiteral("qv-test-%1-%2").arg(m_address).arg(m_connections.size());
        m_connections << name;
        QDBusConnection c = QDBusConnection::connectToBus(m_address, name);
        EXPECT_TRUE(c.isConnected()) << c.lastError().message().toStdString();
        return c;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};

} // namespace qv::test
