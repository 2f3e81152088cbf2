#pragma once
// Item targets and their icons: Internet addresses told by their scheme,
// icons of schemes from the classes hive, the type name of a target.
// CThemeItem's GetIcon, GetSmallIcon, InitFromTarget and CopyWithFullPaths
// are defined with these.

#include <QIcon>
#include <QString>

// Scheme codes of GetUrlScheme.
enum UrlScheme { URL_NONE = 0, URL_HTTP, URL_HTTPS, URL_MAILTO, URL_FTP, URL_GOPHER, URL_NNTP };

// The scheme code of a target; nonzero means an Internet address. Only the
// text before the first colon counts, compared without regard to case.
int GetUrlScheme(QString target);

// The icons of a class's registered default icon (the default value of
// HKEY_CLASSES_ROOT\<name>\DefaultIcon: a file, maybe quoted, maybe followed
// by a comma and an icon index). Returns the number extracted, 0 for none.
unsigned GetClassIcon(const QString& className, QIcon* large, QIcon* small);

// The icon of an Internet address: its scheme's registered icon, else the
// icon of the desktop's handler for the scheme, else the default item icon.
// 0 (nothing delivered) when the target is not an Internet address.
unsigned GetUrlIcon(QString target, QIcon* large, QIcon* small);

// The desktop's type name of a target ("Application", "PNG image"), empty
// when it knows nothing of it.
QString GetTargetTypeName(const QString& target);
