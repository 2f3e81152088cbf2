#pragma once
// A small icon theme written into a test's data folder: one flat colour per
// icon, so a test can tell by a pixel which icon it got.

#include "platform/shell/Icons.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QMap>

inline QMap<QString, QRgb> ThemeColours()
{
    return {{"folder", qRgb(250, 200, 0)},          {"application-x-executable", qRgb(220, 0, 0)},
            {"text-plain", qRgb(0, 0, 230)},        {"text-x-generic", qRgb(120, 120, 120)},
            {"testicon", qRgb(0, 180, 0)},          {"application-x-desktop", qRgb(0, 200, 200)},
            {"unknown", qRgb(60, 60, 60)}};
}

inline void InstallTestIconTheme(const QString& dataDir)
{
    const QString root = dataDir + "/icons/TestTheme";
    QDir().mkpath(root + "/32x32/apps");
    QFile index(root + "/index.theme");
    index.open(QIODevice::WriteOnly);
    index.write("[Icon Theme]\nName=TestTheme\nDirectories=32x32/apps\n\n[32x32/apps]\nSize=32\nType=Fixed\n");
    index.close();
    const auto colours = ThemeColours();
    for (auto it = colours.begin(); it != colours.end(); ++it) {
        QImage img(32, 32, QImage::Format_ARGB32);
        img.fill(it.value());
        img.save(root + "/32x32/apps/" + it.key() + ".png");
    }
    shell::EnsureIconTheme();
    QIcon::setThemeSearchPaths({dataDir + "/icons"});
    QIcon::setThemeName("TestTheme");
}

// The colour in the middle of an icon drawn at a size.
inline QRgb IconColour(const QIcon& icon, int size = 32)
{
    const QImage img = icon.pixmap(size, size).toImage();
    return img.isNull() ? 0 : img.pixel(img.width() / 2, img.height() / 2) | 0xFF000000;
}
