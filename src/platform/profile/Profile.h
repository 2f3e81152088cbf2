#pragma once
// Initialisation files ("[section]" lines followed by "key=value" lines) with
// the semantics programs of this kind have always relied on: section and key
// names compare without regard to case, values are trimmed, a missing file or
// key gives the default, a write creates the file, the section and the key,
// replaces a value in place and keeps every other line where it was. A null
// QString stands for a null pointer argument. Writes are atomic.

#include <QString>
#include <QStringList>

namespace profile {

// Copies the value into out (the default when the file, section or key is
// missing) and returns its length.
int GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                            QString& out, const QString& file);

// The value read as a decimal integer (leading blanks and a sign allowed,
// digits up to the first other character); the default when missing.
int GetPrivateProfileInt(const QString& section, const QString& key, int defaultValue, const QString& file);

// key null: delete the section. value null: delete the key. section, key and
// value all null: flush (nothing is cached, so nothing to do). Returns false
// when the file could not be written.
bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& file);

// Section names in file order.
QStringList GetPrivateProfileSectionNames(const QString& file);
// Key names of a section in file order.
QStringList GetPrivateProfileKeys(const QString& section, const QString& file);

} // namespace profile
