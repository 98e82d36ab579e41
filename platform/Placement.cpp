#include "Placement.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
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

QPoint keeptitlebaronscreen(const QPoint& p, const QSize& size, int titlebar, const QRect& screen)
{
    int x = p.x();
    if (size.width() > screen.width())
        x = screen.left();
    else
        x = std::clamp(x, screen.left(), screen.right() + 1 - size.width());
    const int bar = std::clamp(titlebar, 1, std::max(1, screen.height()));
    const int y = std::clamp(p.y(), screen.top(), screen.bottom() + 1 - bar);
    return { x, y };
}

void placeat(QWidget* window, const QPoint& p)
{
    // Before a window is first shown its frame is unknown: the style's title bar height stands in.
    const QRect outer = window->frameGeometry();
    int titlebar = window->geometry().top() - outer.top();
    if (titlebar <= 0)
        titlebar = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
    const QScreen* screen = QGuiApplication::screenAt(p + QPoint(outer.width() / 2, titlebar / 2));
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QPoint at = screen ? keeptitlebaronscreen(p, outer.size(), titlebar, screen->availableGeometry()) : p;
    window->move(at); // for a top-level window, move() places the frame's top-left corner
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
