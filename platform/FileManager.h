#pragma once

#include <QDBusConnection>
#include <QString>
#include <functional>
#include <string>

class QObject;

namespace qv {

// The file: URI of a raw path, every byte but the unreserved ones and "/" percent-escaped, so that a name
// that is not UTF-8 reaches the file manager as it is on the disc.
QString fileuri(const std::string& path);

// Shows the directory dir in the desktop's file manager without ever waiting for it: ShowItems of
// org.freedesktop.FileManager1 when a process owns that name on bus, otherwise (or when that call is
// refused) dir opened with the desktop's default handler. Then done(true) once one of them took it, or
// done(false) when neither could; a bus call without an answer within timeoutms is dropped and counts as
// refused without trying the other way (its answer may still come, showing the directory twice). done runs
// later, on context's thread, and not at all once context is gone.
void showinfilemanager(
    QDBusConnection bus, const std::string& dir, QObject* context, std::function<void(bool)> done, int timeoutms);

} // namespace qv
