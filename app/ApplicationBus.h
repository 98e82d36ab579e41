#pragma once

#include "BackgroundCall.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <optional>
#include <string>

namespace qv {

class TQVForm1;

// The local path a URI names, as raw bytes (percent-escapes decoded byte for byte, so a name that is not
// UTF-8 survives); nothing for a URI that is not a file: URI of this machine.
std::optional<std::string> localpath(const QString& uri);

// The program's side of org.freedesktop.Application, through which file managers open a folder in it
// ("Open With", the desktop entry being D-Bus activatable) and launchers bring it forward. Served at the
// object path of the application id once claim() has owned the id as a bus name.
class ApplicationBus : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    explicit ApplicationBus(TQVForm1& main);

    static QString name(); // the application id
    static QString path(); // "/com/tavenbrook/Quorvane"

    // Serves this object on bus and owns name() there. False, serving nothing, when bus is not connected
    // or another process owns the name (a second copy of the program runs without it).
    bool claim(QDBusConnection bus);
    bool claimed() const { return m_claimed; }

public slots:
    // Brings the main window forward.
    void Activate(const QVariantMap& platform_data);
    // Opens the first URI: a directory as Select would scan it, a regular file as an export file. Anything
    // else (not local, missing, neither) is reported in the window and changes nothing. The URI is looked
    // at off the GUI thread, so the reply never waits for a file system.
    void Open(const QStringList& uris, const QVariantMap& platform_data);
    // The program has no actions: answered with an error.
    void ActivateAction(const QString& action_name, const QVariantList& parameter, const QVariantMap& platform_data);

private:
    TQVForm1& m_main;
    BackgroundCall m_lookup { this };
    bool m_claimed = false;
};

} // namespace qv
