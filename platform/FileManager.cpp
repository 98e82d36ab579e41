#include "FileManager.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QMetaObject>
#include <QStringList>
#include <QUrl>

namespace qv {
namespace {

const QString FileManagerName = QStringLiteral("org.freedesktop.FileManager1");

// Runs then(watcher) on context's thread when call has its answer or has timed out.
template <typename Then> void whenanswered(const QDBusPendingCall& call, QObject* context, Then then)
{
    auto* watcher = new QDBusPendingCallWatcher(call, context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context, [then](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        then(*w);
    });
}

} // namespace

QString fileuri(const std::string& path)
{
    const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
    return QStringLiteral("file://") + QString::fromLatin1(bytes.toPercentEncoding("/"));
}

void showinfilemanager(
    QDBusConnection bus, const std::string& dir, QObject* context, std::function<void(bool)> done, int timeoutms)
{
    const QString uri = fileuri(dir);
    auto opendefault = [uri, done] { done(QDesktopServices::openUrl(QUrl::fromEncoded(uri.toLatin1()))); };
    if (!bus.isConnected()) {
        QMetaObject::invokeMethod(context, opendefault, Qt::QueuedConnection);
        return;
    }
    QDBusMessage owned = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("NameHasOwner"));
    owned << FileManagerName;
    whenanswered(bus.asyncCall(owned, timeoutms), context, [=](const QDBusPendingCall& answer) {
        const QDBusPendingReply<bool> reply(answer);
        if (reply.isError() || !reply.value()) {
            opendefault();
            return;
        }
        QDBusMessage show = QDBusMessage::createMethodCall(FileManagerName,
            QStringLiteral("/org/freedesktop/FileManager1"), FileManagerName, QStringLiteral("ShowItems"));
        show << QStringList { uri } << QString();
        whenanswered(bus.asyncCall(show, timeoutms), context, [=](const QDBusPendingCall& shown) {
            if (!shown.isError())
                done(true);
            else if (shown.error().type() == QDBusError::NoReply)
                done(false);
            else
                opendefault();
        });
    });
}

} // namespace qv
