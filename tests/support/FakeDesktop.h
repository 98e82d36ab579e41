#pragma once

// The desktop's side of "Show in File Manager": a file manager on a bus that records what it was asked to
// show (or never answers), and a recorder of the URLs handed to the desktop's default handler.
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <vector>

namespace qv::test {

class FakeFileManager : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    // Serves org.freedesktop.FileManager1 on bus.
    explicit FakeFileManager(QDBusConnection bus)
        : m_bus(bus)
    {
        m_bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), this, QDBusConnection::ExportAllSlots);
        owned = m_bus.registerService(QStringLiteral("org.freedesktop.FileManager1"));
    }
    ~FakeFileManager() override
    {
        m_bus.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
        m_bus.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
    }

    bool owned = false;
    bool answer = true; // false: calls are taken and never answered
    std::vector<QStringList> shown; // the URIs of each ShowItems call

public slots:
    void ShowItems(const QStringList& uris, const QString& startup_id)
    {
        (void)startup_id;
        shown.push_back(uris);
        if (!answer)
            setDelayedReply(true);
    }

private:
    QDBusConnection m_bus;
};

// Takes the URLs of one scheme that QDesktopServices::openUrl is given, while it lives.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    explicit UrlRecorder(const QString& scheme);
    ~UrlRecorder() override;
    std::vector<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.push_back(url); }

private:
    QString m_scheme;
};

} // namespace qv::test
