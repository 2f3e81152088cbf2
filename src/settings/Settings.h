#pragma once
// Where Dialtop keeps its settings and data files, and the small file helpers
// the rest of the program shares. Paths use '/'; the splitting helpers accept
// '\' as well, so paths stored by older themes still work.

#include <QString>
#include <cstdint>

// Key of the settings root under HKEY_CURRENT_USER.
constexpr const char* kSettingsRoot = "Software\\Corvane\\Dialtop";

bool GetHomeFolder(QString& out);
bool GetThemesFolder(QString& out);
bool GetUserThemesFolder(QString& out);

// 0 when the last folder of the path was created, else the errno of that last
// attempt (EEXIST for an existing folder). A path without components gives 0.
int CreateFolderPath(const QString& path);
bool EnsureFolderForFile(const QString& path);
bool FolderExists(const QString& path);
bool FileExists(const QString& path);
// The index of the last '/' or '\\' of a path, -1 when it has none.
int LastPathSeparator(const QString& path);
// 0 on success, else -1 (as chdir).
int ChangeToFileFolder(const QString& path);

// Values under the settings root's subkey. Read leaves the buffer untouched
// when it fails, so the caller's initial contents are the default.
bool WriteSettingValue(const QString& subkey, const QString& name, std::uint32_t type, const void* data,
                       std::uint32_t length);
bool ReadSettingValue(const QString& subkey, const QString& name, void* buffer, std::uint32_t length);

// The login name from the password database; "Default" when there is none.
QString GetLoginName();

// Test seam: the login name to report instead of the system's (null: the system's).
void SetLoginNameOverride(const QString& name);
