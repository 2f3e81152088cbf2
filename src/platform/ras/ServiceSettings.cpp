#include "platform/ras/ServiceSettings.h"

#include "platform/profile/Profile.h"
#include "platform/registry/Registry.h"
#include "platform/runtime/RuntimeFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

#include <unistd.h>

namespace ras {

namespace {
QMutex s_overrideMutex;
std::optional<double> s_timeScale;
std::optional<int> s_hangUpPause;

QString ServiceIni() { return ConfigFolder() + QStringLiteral("/service.ini"); }
} // namespace

QString ConfigFolder()
{
    return reg::ConfigRoot() + QStringLiteral("/ras");
}

QString RuntimeFolder()
{
    // Without a usable runtime folder there is none: an empty path, which
    // MakePrivateFolder refuses, so the service reports itself unavailable.
    const QString base = platform::RuntimeFolder();
    return base.isEmpty() ? QString() : base + QStringLiteral("/dialtop-ras");
}

QString ConnectionsFolder()
{
    const QString base = RuntimeFolder();
    return base.isEmpty() ? QString() : base + QStringLiteral("/connections");
}

QString NoticesFolder()
{
    const QString base = RuntimeFolder();
    return base.isEmpty() ? QString() : base + QStringLiteral("/notices");
}

bool MakePrivateFolder(const QString& path)
{
    if (path.isEmpty())
        return false;
    QFileInfo fi(path);
    // A folder someone else made (say in a shared /tmp) is not used.
    if (fi.exists())
        return fi.isDir() && fi.isWritable() && fi.ownerId() == ::getuid();
    // Every folder made here, parents included, is the user's alone.
    const QString parent = fi.absolutePath();
    if (parent != fi.absoluteFilePath() && !QFileInfo::exists(parent) && !MakePrivateFolder(parent))
        return false;
    if (!QDir().mkdir(path) && !QFileInfo(path).isDir())
        return false;
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return true;
}

double TimeScale()
{
    {
        QMutexLocker lock(&s_overrideMutex);
        if (s_timeScale)
            return *s_timeScale;
    }
    QString text;
    profile::GetPrivateProfileString(QStringLiteral("Timing"), QStringLiteral("TimeScale"), QStringLiteral("1"),
                                     text, ServiceIni());
    bool ok = false;
    double scale = text.toDouble(&ok);
    // A broken or absurd value must not hang a call for hours.
    if (!ok || !(scale >= 0.0) || scale > 100.0)
        return 1.0;
    return scale;
}

int HangUpPauseMs()
{
    {
        QMutexLocker lock(&s_overrideMutex);
        if (s_hangUpPause)
            return *s_hangUpPause;
    }
    int ms = profile::GetPrivateProfileInt(QStringLiteral("Timing"), QStringLiteral("HangUpPause"), 3000,
                                           ServiceIni());
    return (ms < 0 || ms > 60000) ? 3000 : ms;
}

namespace {
// An absolute path without control characters, else the default.
QString SerialPath(const QString& key, const QString& def)
{
    QString text;
    profile::GetPrivateProfileString(QStringLiteral("Serial"), key, def, text, ServiceIni());
    text = text.trimmed();
    if (text.isEmpty() || !text.startsWith(QLatin1Char('/')) || text.size() > 1024)
        return def;
    for (QChar c : text)
        if (c.category() == QChar::Other_Control)
            return def;
    return text;
}
} // namespace

QString PppdPath() { return SerialPath(QStringLiteral("Pppd"), QStringLiteral("/usr/sbin/pppd")); }
QString PppdPeersPath() { return SerialPath(QStringLiteral("Peers"), kDefaultPeersPath); }
QString SerialLockFolder() { return SerialPath(QStringLiteral("LockFolder"), QStringLiteral("/var/lock")); }

void SetTimeScaleOverride(std::optional<double> scale)
{
    QMutexLocker lock(&s_overrideMutex);
    s_timeScale = scale;
}

void SetHangUpPauseOverride(std::optional<int> ms)
{
    QMutexLocker lock(&s_overrideMutex);
    s_hangUpPause = ms;
}

} // namespace ras
