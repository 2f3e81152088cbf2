#include "platform/shell/MimeApps.h"

#include "platform/shell/DesktopEntry.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace shell {

namespace {

QStringList EnvList(const char* name, const QString& fallback)
{
    QString v = QString::fromLocal8Bit(qgetenv(name));
    if (v.isEmpty())
        v = fallback;
    QStringList out;
    for (const QString& s : v.split(u':', Qt::SkipEmptyParts))
        out << s;
    return out;
}

QString EnvDir(const char* name, const QString& fallbackBelowHome)
{
    const QString v = QString::fromLocal8Bit(qgetenv(name));
    return v.isEmpty() ? QDir::homePath() + u'/' + fallbackBelowHome : v;
}

// The list files in the order the desktop reads them.
QStringList ListFiles()
{
    QStringList desktops;
    for (const QString& d : EnvList("XDG_CURRENT_DESKTOP", QString()))
        desktops << d.toLower();
    QStringList dirs;
    dirs << EnvDir("XDG_CONFIG_HOME", QStringLiteral(".config"));
    dirs << EnvList("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
    for (const QString& a : ApplicationFolders())
        dirs << a;
    QStringList files;
    for (const QString& dir : dirs) {
        for (const QString& d : desktops)
            files << dir + u'/' + d + QStringLiteral("-mimeapps.list");
        files << dir + QStringLiteral("/mimeapps.list");
    }
    return files;
}

QStringList ListValue(const KeyFile& f, const QString& group, const QString& key)
{
    const QString raw = f.RawValue(group, key);
    return raw.isNull() ? QStringList() : SplitListValue(raw);
}

KeyFile ReadKeyFile(const QString& path)
{
    KeyFile f;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) && file.size() < 4 * 1024 * 1024)
        f.Parse(file.readAll());
    return f;
}

QString Lookup(const QString& mimeType)
{
    const QStringList files = ListFiles();
    QList<KeyFile> lists;
    for (const QString& p : files)
        if (QFileInfo::exists(p))
            lists << ReadKeyFile(p);

    QStringList removed;
    for (const KeyFile& f : lists) {
        for (const QString& id : ListValue(f, QStringLiteral("Default Applications"), mimeType)) {
            const QString path = FindDesktopFile(id);
            if (!path.isEmpty())
                return path;
        }
    }
    for (const KeyFile& f : lists) {
        removed << ListValue(f, QStringLiteral("Removed Associations"), mimeType);
        for (const QString& id : ListValue(f, QStringLiteral("Added Associations"), mimeType)) {
            const QString path = removed.contains(id) ? QString() : FindDesktopFile(id);
            if (!path.isEmpty())
                return path;
        }
    }
    for (const QString& dir : ApplicationFolders()) {
        const QString cache = dir + QStringLiteral("/mimeinfo.cache");
        if (!QFileInfo::exists(cache))
            continue;
        for (const QString& id : ListValue(ReadKeyFile(cache), QStringLiteral("MIME Cache"), mimeType)) {
            const QString path = removed.contains(id) ? QString() : FindDesktopFile(id);
            if (!path.isEmpty())
                return path;
        }
    }
    return QString();
}

// Answers stay valid while none of the list files changes.
QString Signature()
{
    QString sig;
    QStringList files = ListFiles();
    for (const QString& dir : ApplicationFolders())
        files << dir + QStringLiteral("/mimeinfo.cache");
    for (const QString& p : files) {
        const QFileInfo fi(p);
        if (fi.exists())
            sig += p + u'=' + QString::number(fi.lastModified().toMSecsSinceEpoch()) + u'/' +
                   QString::number(fi.size()) + u';';
    }
    return sig;
}

} // namespace

QStringList ApplicationFolders()
{
    QStringList out;
    out << EnvDir("XDG_DATA_HOME", QStringLiteral(".local/share")) + QStringLiteral("/applications");
    for (const QString& d : EnvList("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share")))
        out << d + QStringLiteral("/applications");
    return out;
}

QString FindDesktopFile(const QString& desktopId)
{
    if (desktopId.isEmpty() || desktopId.contains(u'/'))
        return QString();
    // "vendor-app.desktop" may live at vendor/app.desktop.
    QStringList candidates{desktopId};
    for (qsizetype dash = desktopId.indexOf(u'-'); dash > 0; dash = desktopId.indexOf(u'-', dash + 1)) {
        QString sub = desktopId;
        sub[dash] = u'/';
        candidates << sub;
    }
    for (const QString& dir : ApplicationFolders())
        for (const QString& c : candidates) {
            const QString p = dir + u'/' + c;
            if (QFileInfo(p).isFile())
                return p;
        }
    return QString();
}

QString DefaultApplication(const QString& mimeType)
{
    static QString cachedSignature;
    static QHash<QString, QString> cached;
    const QString sig = Signature();
    if (sig != cachedSignature) {
        cached.clear();
        cachedSignature = sig;
    }
    auto it = cached.constFind(mimeType);
    if (it != cached.constEnd() && (it->isEmpty() || QFileInfo::exists(*it)))
        return *it;
    const QString path = Lookup(mimeType);
    cached.insert(mimeType, path);
    return path;
}

} // namespace shell
