#include "platform/shell/FileInfo.h"

#include "platform/shell/DesktopEntry.h"
#include "platform/shell/Execute.h"
#include "platform/shell/Icons.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>

namespace shell {

namespace {

bool IsDesktopFile(const QFileInfo& fi)
{
    return fi.isFile() && fi.suffix().compare(QStringLiteral("desktop"), Qt::CaseInsensitive) == 0;
}

} // namespace

bool GetDisplayName(const QString& target, QString* name)
{
    const QString path = ResolveTarget(target);
    if (path.isEmpty())
        return false;
    const QFileInfo fi(path);
    if (IsDesktopFile(fi)) {
        const auto entry = CachedDesktopEntry(path);
        if (entry && !entry->Name().isEmpty()) {
            *name = entry->Name();
            return true;
        }
    }
    *name = fi.fileName().isEmpty() ? path : fi.fileName();
    return true;
}

bool GetTypeName(const QString& target, QString* typeName)
{
    const QString path = ResolveTarget(target);
    if (path.isEmpty())
        return false;
    if (IsProgramFile(path)) {
        *typeName = QStringLiteral("Application");
        return true;
    }
    static QMimeDatabase db;
    *typeName = db.mimeTypeForFile(path).comment();
    return true;
}

bool GetIconLocation(const QString& target, QString* iconFile, int* index)
{
    const QString path = ResolveTarget(target);
    if (path.isEmpty())
        return false;
    const QFileInfo fi(path);
    QString location;
    if (IsDesktopFile(fi)) {
        const auto entry = CachedDesktopEntry(path);
        if (entry)
            location = entry->Icon();
    }
    if (location.isEmpty())
        location = FileTypeIconName(path);
    if (location.isEmpty())
        return false;
    *iconFile = location;
    *index = 0;
    return true;
}

bool GetFullPathName(const QString& path, QString* fullPath)
{
    if (path.isEmpty()) {
        fullPath->clear();
        return true;
    }
    *fullPath = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    return !fullPath->isEmpty();
}

} // namespace shell
