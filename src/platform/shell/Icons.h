#pragma once
// Icons of files, programs and addresses. An "icon file" may be an .ico file
// (one icon of several images), a .png, .svg, .xpm or .bmp picture, a
// .desktop file (its Icon=), or the name of an icon of the desktop's icon
// theme. Pictures read from disk are kept until their file changes; the icons
// themselves are made afresh on every call.

#include <QIcon>
#include <QImage>
#include <QList>
#include <QString>

namespace shell {

constexpr int kLargeIconSize = 32;
constexpr int kSmallIconSize = 16;

// Makes sure icon-theme names resolve: adds the desktop's icon folders to
// the search path and, when the session names no theme, picks an installed
// one. Safe to call often.
void EnsureIconTheme();

// The program's own icon resource id (":/icons/<id>.png" and its other
// sizes); with a size, only the picture for that size. Null when absent.
QIcon LoadAppIcon(int id, int size = 0);

// The images of an .ico file, one per size (the deepest image of each size);
// empty for a damaged file.
QList<QImage> ReadIcoImages(const QByteArray& bytes);

// Icon number index of an icon file; null when the file holds no such icon.
// Pictures and theme names hold icon 0 only; an .ico file holds one icon.
// Windows programs and libraries (.exe, .dll, .icl) hold icon groups: index
// n is the n-th group, a negative index the group of resource id -index.
QIcon ExtractIcon(const QString& iconFile, int index);

// The same, delivering the large and/or small icon as asked; returns the
// number of icons extracted (0 or 1). With index -1 and neither icon asked
// for, returns the number of icons the file holds.
unsigned ExtractIconEx(const QString& iconFile, int index, QIcon* large, QIcon* small);

// The icon the desktop shows for a path: a .desktop file's or a Windows
// program's own icon, a folder icon, a program icon or the icon of the document's type (known from
// its name when the file is missing). Null only when no icon can be found.
QIcon AssociatedIcon(const QString& target);

// The icon of an existing file or folder; null when it does not exist.
QIcon FileIcon(const QString& target);

// The icon of the program that handles a URL scheme (x-scheme-handler/...),
// null when no handler or icon is known.
QIcon SchemeHandlerIcon(const QString& scheme);

// The icon-theme name for a file's type (as an icon location), or empty.
QString FileTypeIconName(const QString& path);

} // namespace shell
