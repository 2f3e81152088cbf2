#pragma once
// Initialisation files ("[section]" lines followed by "key=value" lines) with
// the semantics programs of this kind have always relied on: section and key
// names compare without regard to case, values are trimmed, a missing file or
// key gives the default, a write creates the file, the section and the key,
// replaces a value in place and keeps every other line where it was. A null
// QString stands for a null pointer argument.
//
// Writes are atomic and serialised between processes: each one locks the file
// (a lock file beside it), reads it again, changes it and renames a new file
// over it, so two programs writing different keys of one file lose nothing.

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace profile {

// A file larger than this is not read (look-ups give the default) and never
// rewritten, so nothing on disk is lost. A connection-time file grows by a
// few lines a day: decades fit.
constexpr qint64 kMaxProfileBytes = 4 * 1024 * 1024;

// Copies the value into out (the default when the file, section or key is
// missing) and returns its length.
int GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                            QString& out, const QString& file);

// The value read as a decimal integer (leading blanks and a sign allowed,
// digits up to the first other character); the default when missing.
int GetPrivateProfileInt(const QString& section, const QString& key, int defaultValue, const QString& file);

// key null: delete the section. value null: delete the key. section, key and
// value all null: flush (nothing is cached, so nothing to do). Returns false
// when the file could not be written, or for a name or value that would not
// read back (line breaks, a ']' in a section name, an '=' in a key name).
bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& file);

// Section names in file order.
QStringList GetPrivateProfileSectionNames(const QString& file);
// Key names of a section in file order.
QStringList GetPrivateProfileKeys(const QString& section, const QString& file);

// The text to write so that GetPrivateProfileString gives value back as it
// is: quoted when it has blanks at either end or is itself wrapped in quotes.
QString QuoteProfileValue(const QString& value);

// A whole file read once, for callers that look up or change many values:
// sections and keys are found by hash, with the rules of the functions above
// (the first section and the first key of a name count). Lines that are not
// changed are written back byte for byte.
class CProfileFile
{
public:
    CProfileFile();
    ~CProfileFile();
    CProfileFile(const CProfileFile&) = delete;
    CProfileFile& operator=(const CProfileFile&) = delete;

    // A missing file is an empty one; false when the file cannot be read or
    // is larger than maxBytes.
    bool Load(const QString& file, qint64 maxBytes = kMaxProfileBytes);

    QStringList SectionNames() const;
    // The section's name as the file spells it, or a null string.
    QString FindSection(const QString& section) const;
    QStringList Keys(const QString& section) const;
    // The value as GetPrivateProfileString gives it; false when missing.
    bool GetString(const QString& section, const QString& key, QString& value) const;

    // As WritePrivateProfileString, in memory.
    bool SetString(const QString& section, const QString& key, const QString& value);
    bool DeleteSection(const QString& section);
    // Changes only the section's header line; false when it is missing or
    // the new name cannot be stored.
    bool RenameSection(const QString& section, const QString& newName);

    bool IsModified() const;
    QByteArray ToBytes() const;

private:
    struct Data;
    std::unique_ptr<Data> d;
};

// Locks the file, reads it, lets edit change it and writes it back atomically
// when it changed. edit returns false to give up without writing; it may be
// called twice (once without the lock when the file's folder does not exist
// yet, so that nothing is created for an edit that changes nothing). False
// when edit gave up, or the file could not be locked, read or written.
bool UpdatePrivateProfile(const QString& file, const std::function<bool(CProfileFile&)>& edit,
                          qint64 maxBytes = kMaxProfileBytes);

} // namespace profile
