#pragma once
// Desktop entry files (.desktop) and the other key files of the desktop
// (mimeapps.list, mimeinfo.cache): groups of key=value lines.

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <memory>

namespace shell {

// A parsed key file. Keys keep their locale suffix ("Name[de]").
class KeyFile
{
public:
    bool Parse(const QByteArray& bytes);
    bool HasGroup(const QString& group) const { return m_groups.contains(group); }
    // Raw value as written, or a null string.
    QString RawValue(const QString& group, const QString& key) const;
    QStringList Keys(const QString& group) const;

private:
    QHash<QString, QList<QPair<QString, QString>>> m_groups;
};

// Undoes the escapes of a string value: \s \n \t \r \\ .
QString UnescapeValue(const QString& raw);
// Splits a list value at unescaped ';' (a trailing ';' ends the list).
QStringList SplitListValue(const QString& raw);

// The locale names to try for localised keys, most specific first
// ("de_DE@euro", "de_DE", "de@euro", "de"), from LC_ALL, LC_MESSAGES, LANG.
QStringList LocaleCandidates();

// The [Desktop Entry] group of a .desktop file.
class DesktopEntry
{
public:
    // Reads the file; false when it cannot be read or has no
    // [Desktop Entry] group.
    bool Load(const QString& path);
    bool LoadFromBytes(const QByteArray& bytes, const QString& path = QString());

    QString FilePath() const { return m_strPath; }
    QString Value(const QString& key) const;          // unescaped
    QString LocalizedValue(const QString& key) const; // Name[xx] before Name
    bool BoolValue(const QString& key) const;         // "true" only

    QString Type() const { return Value(QStringLiteral("Type")); }
    QString Name() const { return LocalizedValue(QStringLiteral("Name")); }
    QString Icon() const { return LocalizedValue(QStringLiteral("Icon")); }
    QString Exec() const { return Value(QStringLiteral("Exec")); }
    QString TryExec() const { return Value(QStringLiteral("TryExec")); }
    QString WorkingPath() const { return Value(QStringLiteral("Path")); } // empty means unset
    QString Url() const { return Value(QStringLiteral("URL")); }
    bool Terminal() const { return BoolValue(QStringLiteral("Terminal")); }
    bool Hidden() const { return BoolValue(QStringLiteral("Hidden")); }

    // The Exec line undone of its quoting: words, field codes still in.
    // False when the quoting is broken.
    bool ExecWords(QStringList* words) const;

    // The command lines to run for these files or addresses: one for each
    // file with %f or %u, one for all of them with %F or %U; when the line
    // takes no files, they follow the Exec line's own arguments. %i, %c, %k
    // and %% are expanded; codes count only as whole words, deprecated ones
    // vanish. Empty when the Exec line is empty or broken.
    QList<QStringList> CommandLines(const QStringList& files) const;

private:
    KeyFile m_file;
    QString m_strPath;
};

// The entry of a file, read once and kept while the file is unchanged (its
// modification time and size). Null when the file is not a desktop entry.
std::shared_ptr<const DesktopEntry> CachedDesktopEntry(const QString& path);

} // namespace shell
