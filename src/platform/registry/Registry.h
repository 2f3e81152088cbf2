#pragma once
// The settings store: typed hives of keys and values, one REGEDIT4-form text
// file per hive under the configuration root. Key and value names compare
// without regard to case and keep the case they were first written with.
// Every write is atomic (new file, rename) and serialised between processes by
// a lock file; a hive changed on disk by another process is read again.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace reg {

using LONG = long;
using DWORD = std::uint32_t;

enum Hive { HKEY_CLASSES_ROOT = 0, HKEY_CURRENT_USER = 1, HKEY_LOCAL_MACHINE = 2 };

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

// Results, with the platform's numbers.
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_KEY_DELETED = 1018;
constexpr LONG ERROR_WRITE_FAULT = 29;

// Limits of what a hive holds. A hive file beyond them (or one that is not a
// hive at all) is damaged: it is moved aside and the hive starts empty.
// Writes that would pass them are refused, so the store never writes a file
// it would not read back.
constexpr int kMaxKeyDepth = 512;             // components of a key path
constexpr int kMaxKeyPathChars = 32767;       // a key path given to Create
constexpr int kMaxValueNameChars = 16383;
constexpr DWORD kMaxValueBytes = 1024 * 1024; // data of one value
constexpr int kMaxLineChars = 4 * 1024 * 1024; // one line, continuations joined
constexpr qint64 kMaxHiveBytes = 8 * 1024 * 1024;
constexpr int kMaxHiveEntries = 256 * 1024;     // keys and values of one hive together

// Folder that holds the hive files: $DIALTOP_CONFIG_DIR, else
// $XDG_CONFIG_HOME/dialtop, else ~/.config/dialtop.
QString ConfigRoot();

// Name of a hive as written in the file ("HKEY_CURRENT_USER").
QString HiveName(Hive hive);
// Path of a hive's file.
QString HiveFilePath(Hive hive);

// Several changes to the values of one key, made together by
// RegKey::SetValues under one lock with one read and one write of the hive,
// so other processes see all of them or none.
class RegValueChanges
{
public:
    void SetValue(const QString& name, DWORD type, const QByteArray& data);
    void SetString(const QString& name, const QString& text);
    void SetDword(const QString& name, DWORD value);
    void SetBinary(const QString& name, const QByteArray& bytes);
    // Deleting a value that is absent is no error here.
    void DeleteValue(const QString& name);
    bool IsEmpty() const { return m_changes.empty(); }

private:
    friend class RegKey;
    struct Change
    {
        QString name;
        DWORD type = REG_NONE;
        QByteArray data;
        bool bDelete = false;
    };
    std::vector<Change> m_changes;
};

// An open key: a hive and a path of names separated by '\' (a '/' is a
// separator too; empty components vanish). Cheap to copy; it holds no lock.
class RegKey
{
public:
    RegKey() = default;
    bool IsOpen() const { return m_bOpen; }
    Hive GetHive() const { return m_hive; }
    QString GetPath() const { return m_strPath; }
    void Close() { m_bOpen = false; }

    // Opens an existing key: ERROR_FILE_NOT_FOUND when it does not exist.
    LONG Open(Hive hive, const QString& path);
    // Opens a key, creating it and its missing parents; ERROR_INVALID_PARAMETER
    // for a path beyond kMaxKeyDepth or kMaxKeyPathChars.
    LONG Create(Hive hive, const QString& path);

    // Reads a value the way the platform does: with data null, only *type and
    // *length are filled; with a buffer smaller than the value, ERROR_MORE_DATA
    // and *length the size needed (the buffer is left as it was). REG_SZ data
    // is UTF-8 with its terminating zero. An empty name is the default value.
    LONG QueryValue(const QString& name, DWORD* type, void* data, DWORD* length) const;
    // Stores a value. REG_SZ data is taken up to its first zero byte.
    LONG SetValue(const QString& name, DWORD type, const void* data, DWORD length);
    LONG DeleteValue(const QString& name);
    // Applies all the changes in order, or none (ERROR_INVALID_PARAMETER for
    // a value beyond the limits, a write failure). The file is not rewritten
    // when nothing changes.
    LONG SetValues(const RegValueChanges& changes);

    // Conveniences for code that works in Qt types.
    bool ReadString(const QString& name, QString& out) const;
    bool ReadDword(const QString& name, DWORD& out) const;
    bool ReadBinary(const QString& name, QByteArray& out, DWORD* type = nullptr) const;
    LONG WriteString(const QString& name, const QString& text);
    LONG WriteDword(const QString& name, DWORD value);
    LONG WriteBinary(const QString& name, const QByteArray& bytes);

    QStringList SubKeyNames() const;
    QStringList ValueNames() const;

private:
    LONG OpenKey(Hive hive, const QString& path, bool create);
    Hive m_hive = HKEY_CURRENT_USER;
    QString m_strPath;
    bool m_bOpen = false;
};

// Deletes a key with all its subkeys; ERROR_FILE_NOT_FOUND when it is absent.
LONG DeleteKeyTree(Hive hive, const QString& path);

// Forgets every hive held in memory, so the next access reads the files
// again (tests that move the configuration root call it).
void ResetStore();

} // namespace reg
