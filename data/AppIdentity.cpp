#include "AppIdentity.h"

#include <QGuiApplication>

namespace qv {

QIcon applicationicon()
{
    QIcon icon;
    for (int side : iconsizes)
        icon.addFile(QStringLiteral(":/icons/%1x%1/%2.png").arg(side).arg(applicationid()), QSize(side, side));
    return icon;
}

void setapplicationidentity()
{
    QGuiApplication::setDesktopFileName(applicationid());
    QGuiApplication::setWindowIcon(applicationicon());
}

} // namespace qv
