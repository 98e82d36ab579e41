#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>

class QDialog;
class QWidget;

namespace qv {

// Window placement. Every halving is a signed integer division, which truncates toward zero, so a
// window wider than the main window gets a left edge left of the main window's.

// Top-left that centres a window of the given size over the main window's bounds.
inline QPoint centredover(const QRect& main, const QSize& window)
{
    return { main.left() + (main.width() - window.width()) / 2, main.top() + (main.height() - window.height()) / 2 };
}

// Top-left that centres a window of the given size on a screen of the given size.
inline QPoint centredonscreen(const QSize& screen, const QSize& window)
{
    return { (screen.width() - window.width()) / 2, (screen.height() - window.height()) / 2 };
}

// A window's outer bounds (frame included) as Left, Top, Width, Height.
QRect outerbounds(const QWidget* window);

// The primary screen's size in pixels.
QSize screensize();

// The bounds of a window that lies wholly outside every screen, moved into primary (the primary screen's
// available area) as near to where it was as fits, keeping its size; other bounds as they are.
QRect ontoscreens(const QRect& window, const QList<QRect>& screens, const QRect& primary);

// Every screen's geometry, and the primary screen's available geometry.
QList<QRect> screenbounds();
QRect primarybounds();

// Where a window whose outer bounds have the given size goes when placed at p, so that its title bar (the
// top `titlebar` pixels of those bounds) lies within the screen area: p itself whenever the title bar
// fits there; otherwise moved only as far as it must, and a window wider than the area with its left edge
// at the area's.
QPoint keeptitlebaronscreen(const QPoint& p, const QSize& size, int titlebar, const QRect& screen);

// Moves a top-level window so that its outer top-left corner is at p, or as near p as keeps its title bar
// on the screen (keeptitlebaronscreen, on the available area of the screen the title bar is placed on).
void placeat(QWidget* window, const QPoint& p);

// How every window the main window opens is shown. Both return at once and bring the window to the
// front.
//
// Modal to the whole program until it closes, its outer top-left corner where place puts a window of
// its outer size (asked again once it is shown and its frame is known).
void showmodal(QDialog* dialog, const std::function<QPoint(QSize)>& place);
// Not modal, its outer top-left corner at p.
void showplaced(QWidget* window, const QPoint& p);

} // namespace qv
