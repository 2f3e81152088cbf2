#pragma once
// Which program the desktop uses for a MIME type or URL scheme, from the
// mimeapps.list files and the applications' mimeinfo.cache of the XDG
// folders.

#include <QString>
#include <QStringList>

namespace shell {

// Path of the .desktop file of the default application for a MIME type
// ("text/plain", "x-scheme-handler/http"); empty when none is installed.
QString DefaultApplication(const QString& mimeType);

// The folders searched for .desktop files, most important first.
QStringList ApplicationFolders();

// Path of an installed application by its desktop file id ("org.x.App.desktop"),
// or empty.
QString FindDesktopFile(const QString& desktopId);

} // namespace shell
