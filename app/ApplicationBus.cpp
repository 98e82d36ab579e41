#include "ApplicationBus.h"

#include "AppIdentity.h"
#include "TQVForm1.h"

#include <QDBusError>
#include <QUrl>
#include <sys/stat.h>

namespace qv {
namespace {

enum class Found { Missing, Directory, File, Other };

Found lookup(const std::string& path)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
        return Found::Missing;
    if (S_ISDIR(st.st_mode))
        return Found::Directory;
    return S_ISREG(st.st_mode) ? Found::File : Found::Other;
}

} // namespace

std::optional<std::string> localpath(const QString& uri)
{
    const QUrl url(uri, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("file"))
        return std::nullopt;
    const QString host = url.host();
    if (!host.isEmpty() && host != QLatin1String("localhost"))
        return std::nullopt;
    const QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (!path.startsWith('/'))
        return std::nullopt;
    return path.toStdString();
}

ApplicationBus::ApplicationBus(TQVForm1& main)
    : QObject(&main)
    , m_main(main)
{
}

QString ApplicationBus::name()
{
    return applicationid();
}

QString ApplicationBus::path()
{
    return QLatin1Char('/') + applicationid().replace(QLatin1Char('.'), QLatin1Char('/'));
}

bool ApplicationBus::claim(QDBusConnection bus)
{
    if (!bus.isConnected())
        return false;
    // The object first: a call that started the program waits for the name and comes in right after.
    if (!bus.registerObject(path(), this, QDBusConnection::ExportAllSlots))
        return false;
    if (!bus.registerService(name())) {
        bus.unregisterObject(path());
        return false;
    }
    m_claimed = true;
    return true;
}

void ApplicationBus::Activate(const QVariantMap&)
{
    m_main.bringforward();
}

void ApplicationBus::Open(const QStringList& uris, const QVariantMap&)
{
    if (uris.isEmpty())
        return;
    const QString uri = uris.first();
    const std::optional<std::string> local = localpath(uri);
    if (!local) {
        m_main.reportunopened(uri);
        return;
    }
    m_lookup.start<Found>([path = *local] { return lookup(path); },
        [this, uri, path = *local](Found& found) {
            switch (found) {
            case Found::Directory:
                m_main.opendirectory(path);
                break;
            case Found::File:
                m_main.openfile(path);
                break;
            default:
                m_main.reportunopened(uri);
            }
        });
}

void ApplicationBus::ActivateAction(const QString& action_name, const QVariantList&, const QVariantMap&)
{
    if (calledFromDBus())
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("No action named ") + action_name);
}

} // namespace qv
