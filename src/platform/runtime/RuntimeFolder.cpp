#include "platform/runtime/RuntimeFolder.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool ownFolder(const QString& path, struct stat& st)
{
    // lstat: a symbolic link in a shared folder could point anywhere.
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

} // namespace

QString RuntimeFolder(QString* why)
{
    struct stat st;
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg) && ::stat(QFile::encodeName(xdg).constData(), &st) == 0
        && S_ISDIR(st.st_mode) && st.st_uid == ::getuid())
        return QDir::cleanPath(xdg);

    const QString path = QDir::tempPath() + QStringLiteral("/dialtop-runtime-") + QString::number(::getuid());
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        if (why)
            *why = path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return QString();
    }
    if (!ownFolder(path, st)) {
        if (why)
            *why = path + QStringLiteral(" is not a folder of this user.");
        return QString();
    }
    // Ours, but once open to others: close it before anything goes in.
    if ((st.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0) {
        if (why)
            *why = path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return QString();
    }
    return path;
}

} // namespace platform
