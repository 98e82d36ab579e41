#include "Placement.h"

#include <QDialog>
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

void showmodal(QDialog* dialog, const std::function<QPoint(QSize)>& place)
{
    placeat(dialog, place(outerbounds(dialog).size()));
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    placeat(dialog, place(outerbounds(dialog).size()));
    dialog->raise();
    dialog->activateWindow();
}

void showplaced(QWidget* window, const QPoint& p)
{
    placeat(window, p);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace qv
