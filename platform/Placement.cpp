#include "Placement.h"

#include <QApplication>
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

} // namespace qv
