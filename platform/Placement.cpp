#include "Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace qv {

QRect outerbounds(const QWidget* window)
{
    return window->frameGeometry();
}

QSize screensize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize(1024, 768);
}

void placeat(QWidget* window, const QPoint& p)
{
    window->move(p); // for a top-level window, move() places the frame's top-left corner
}

} // namespace qv
