#include "settings/Settings.h"

#include "platform/registry/Registry.h"
#include "res/Strings.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString& loginOverride()
{
    static QString name;
    return name;
}

bool isSep(QChar c)
{
    return c == '/' || c == '\\';
}


QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

} // namespace

bool GetHomeFolder(QString& out)
{
    reg::RegKey root;
    if (root.Open(reg::HKEY_CURRENT_USER, kSettingsRoot) == reg::ERROR_SUCCESS) {
        QString home;
        // An empty or relative value would put the data below "/" or below
        // whatever folder is current: it counts as absent.
        if (root.ReadString("Home", home) && QDir::isAbsolutePath(home)) {
            out = home;
            return true;
        }
    }

    QString home;
    reg::RegKey appPaths;
    if (appPaths.Open(reg::HKEY_LOCAL_MACHINE, "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Dialtop.exe")
            == reg::ERROR_SUCCESS)
        appPaths.ReadString("Path", home);
    // Without an installation folder on record (or with one that names
    // nothing certain), the user's own data folder is home.
    if (!QDir::isAbsolutePath(home))
        home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/dialtop";
    out = home;

    if (root.Create(reg::HKEY_CURRENT_USER, kSettingsRoot) == reg::ERROR_SUCCESS)
        root.WriteString("Home", out);
    return true;
}

bool GetThemesFolder(QString& out)
{
    GetHomeFolder(out);
    out += "/" + res::LoadString(130);
    return true;
}

QString GetLoginName()
{
    if (!loginOverride().isNull())
        return loginOverride().isEmpty() ? QStringLiteral("Default") : loginOverride();
    const struct passwd* pw = ::getpwuid(::getuid());
    if (!pw || !pw->pw_name || !*pw->pw_name)
        return QStringLiteral("Default");
    return QFile::decodeName(pw->pw_name);
}

void SetLoginNameOverride(const QString& name)
{
    loginOverride() = name;
}

bool GetUserThemesFolder(QString& out)
{
    GetThemesFolder(out);
    out += "/" + GetLoginName();
    return true;
}

int CreateFolderPath(const QString& path)
{
    QString prefix = path.startsWith('/') ? QStringLiteral("/") : QString();
    const QStringList parts = QString(path).replace('\\', '/').split('/', Qt::SkipEmptyParts);
    int result = 0;
    for (const QString& part : parts) {
        prefix += part + "/";
        result = ::mkdir(native(prefix).constData(), 0777) == 0 ? 0 : errno;
    }
    return result;
}

bool EnsureFolderForFile(const QString& path)
{
    const int sep = LastPathSeparator(path);
    if (sep < 0)
        return true;
    QString folder = path.left(sep);
    if (folder.isEmpty())
        return true; // a file in the root folder
    if (FolderExists(folder))
        return true;
    return CreateFolderPath(folder) == 0;
}

bool FolderExists(const QString& path)
{
    struct stat st;
    if (path.isEmpty() || ::stat(native(path).constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode);
}

bool FileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    const bool isFile = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    ::close(fd);
    return isFile;
}

int ChangeToFileFolder(const QString& path)
{
    const int sep = LastPathSeparator(path);
    QString folder;
    if (sep > 0)
        folder = path.left(sep);
    else if (sep == 0)
        folder = QStringLiteral("/");
    else
        folder = path;
    return ::chdir(native(folder).constData());
}

bool WriteSettingValue(const QString& subkey, const QString& name, std::uint32_t type, const void* data,
                       std::uint32_t length)
{
    reg::RegKey key;
    if (key.Create(reg::HKEY_CURRENT_USER, QString(kSettingsRoot) + "\\" + subkey) != reg::ERROR_SUCCESS)
        return false;
    key.SetValue(name, type, data, length);
    return true;
}

bool ReadSettingValue(const QString& subkey, const QString& name, void* buffer, std::uint32_t length)
{
    reg::RegKey key;
    if (key.Open(reg::HKEY_CURRENT_USER, QString(kSettingsRoot) + "\\" + subkey) != reg::ERROR_SUCCESS)
        return false;
    reg::DWORD len = length;
    return key.QueryValue(name, nullptr, buffer, &len) == reg::ERROR_SUCCESS;
}

int LastPathSeparator(const QString& path)
{
    for (int i = int(path.size()) - 1; i >= 0; --i)
        if (isSep(path[i]))
            return i;
    return -1;
}
