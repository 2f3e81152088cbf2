#pragma once
// The phonebook: one initialisation file of entries, one section per entry,
// in the order the user created them. Entry names become section names,
// menu texts and file names, so only names that are safe in all three are
// accepted; entries with other names in a hand-edited file are skipped.

#include "platform/ras/RasTypes.h"

#include <QStringList>

namespace ras {

// A phonebook larger than this is refused rather than parsed (and never
// rewritten, so nothing on disk is lost).
constexpr qint64 kMaxPhonebookBytes = 1024 * 1024;

QString PhonebookPath();

// ERROR_SUCCESS or ERROR_INVALID_NAME.
DWORD ValidateEntryName(const QString& name);

// The entries in file order (names as stored). ERROR_CANNOT_OPEN_PHONEBOOK
// for a phonebook that is too large; a missing file is an empty phonebook.
DWORD EnumEntries(QStringList& names);

// Finds an entry ignoring case; gives its stored spelling.
bool FindEntry(const QString& name, QString* storedName = nullptr);

// Either out pointer may be null. ERROR_CANNOT_FIND_PHONEBOOK_ENTRY when the
// entry does not exist.
DWORD GetEntryProperties(const QString& name, RasEntry* entry, QByteArray* deviceInfo);

// Stores the properties, creating the entry (at the end) when it does not
// exist. deviceInfo null leaves the stored device information alone.
DWORD SetEntryProperties(const QString& name, const RasEntry& entry, const QByteArray* deviceInfo);

// ERROR_ALREADY_EXISTS when the name is taken (ignoring case).
DWORD CreateEntry(const QString& name, const RasEntry& entry);

// Renames in place (the entry keeps its position); the stored dial
// parameters follow the entry.
DWORD RenameEntry(const QString& oldName, const QString& newName);

// Removes the entry and its stored dial parameters.
DWORD DeleteEntry(const QString& name);

// Checks a property record before it is stored: ERROR_SUCCESS,
// ERROR_INVALID_PARAMETER (control characters, bad line description) or
// ERROR_BUFFER_TOO_SMALL (a field longer than its limit).
DWORD ValidateEntry(const RasEntry& entry);

} // namespace ras
