#include "Placement.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

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

QRect ontoscreens(const QRect& window, const QList<QRect>& screens, const QRect& primary)
{
    for (const QRect& screen : screens) {
        if (screen.intersects(window))
            return window;
    }
    // Right and bottom edges first, so that a window larger than the screen keeps its top-left corner on it.
    QPoint p = window.topLeft();
    p.setX(std::max(std::min(p.x(), primary.left() + primary.width() - window.width()), primary.left()));
    p.setY(std::max(std::min(p.y(), primary.top() + primary.height() - window.height()), primary.top()));
    return QRect(p, window.size());
}

QList<QRect> screenbounds()
{
    QList<QRect> bounds;
    for (const QScreen* screen : QGuiApplication::screens())
        bounds << screen->geometry();
    return bounds;
}

QRect primarybounds()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(QPoint(0, 0), screensize());
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
