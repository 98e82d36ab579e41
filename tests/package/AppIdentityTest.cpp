// The program's identity as the desktop sees it: the icon compiled into it and the desktop file name
// that ties its windows to the installed desktop entry.
#include "AppIdentity.h"

#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>

using namespace qv;

TEST(AppIdentity, TheIconHasEveryInstalledSizeDrawnAtThatSize)
{
    const QIcon icon = applicationicon();
    for (int side : iconsizes) {
        SCOPED_TRACE(side);
        const QImage image = icon.pixmap(QSize(side, side)).toImage();
        ASSERT_EQ(image.size(), QSize(side, side));
        // Drawn, not blank: the disc's centre is opaque and the top corners (outside folder and disc)
        // are clear.
        EXPECT_EQ(qAlpha(image.pixel(side * 156 / 256, side * 156 / 256)), 255);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(side - 1, 0)), 0);
    }
    EXPECT_EQ(icon.availableSizes().size(), std::size(iconsizes));
}

TEST(AppIdentity, WindowsCarryTheIconAndTheDesktopFileNameIsTheDesktopEntry)
{
    setapplicationidentity();
    const QString id = QGuiApplication::desktopFileName();
    EXPECT_EQ(id, QFileInfo(QStringLiteral(QV_DESKTOP_FILE)).completeBaseName());

    QFile desktop(QStringLiteral(QV_DESKTOP_FILE));
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    EXPECT_TRUE(desktop.readAll().split('\n').contains("Icon=" + id.toUtf8()));

    QDialog window;
    EXPECT_EQ(window.windowIcon().availableSizes(), applicationicon().availableSizes());
    EXPECT_EQ(window.windowIcon().pixmap(32).toImage(), applicationicon().pixmap(32).toImage());
}
