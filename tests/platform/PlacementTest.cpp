// Window placement: the title bar stays on the screen, and a placement that keeps it there is unchanged.
#include "Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

using namespace qv;

namespace {

TEST(Placement, TheTitleBarStaysOnTheScreenAndAFittingPlacementIsKept)
{
    const struct
    {
        QPoint at;
        QSize size;
        QPoint expected;
    } cases[] = {
        { { 600, 900 }, { 679, 400 }, { 600, 900 } }, // only the part below the title bar is off the screen
        { { 142, -8 }, { 500, 300 }, { 142, 0 } }, // a help window at y = -8
        { { 1000, 1010 }, { 400, 300 }, { 880, 1000 } }, // right and bottom: the 24-pixel bar just on it
        { { -48, -42 }, { 1400, 1100 }, { 0, 0 } }, // wider and taller than the screen
    };
    for (const auto& c : cases)
        EXPECT_EQ(keeptitlebaronscreen(c.at, c.size, 24, QRect(0, 0, 1280, 1024)), c.expected) << c.at.x();
    // A screen that does not start at 0,0 (a second monitor, a panel at the top).
    EXPECT_EQ(keeptitlebaronscreen({ 1290, 10 }, { 300, 200 }, 24, QRect(1280, 30, 1024, 768)), QPoint(1290, 30));

    // A real window, placed on the screen's available area.
    QWidget window;
    window.resize(300, 200);
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    placeat(&window, QPoint(avail.left() + 40, avail.top() - 8));
    EXPECT_EQ(window.frameGeometry().topLeft(), QPoint(avail.left() + 40, avail.top()));
}

} // namespace
