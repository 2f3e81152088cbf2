#pragma once
// Stored dial parameters (user name, password, domain) per entry, in a file
// of their own that only the user may read (mode 600). A file that others can
// read, that belongs to someone else or that is not a plain file is refused
// with a warning: it is neither used nor rewritten. Passwords are never
// written anywhere else, never logged and never put on a command line.

#include "platform/ras/RasTypes.h"

namespace ras {

QString CredentialsPath();

// Fills user name, domain and (when saved) password for params.strEntryName.
// ERROR_CANNOT_FIND_PHONEBOOK_ENTRY for an unknown entry. A refused file reads
// as "nothing stored".
DWORD GetEntryDialParams(RasDialParams& params, bool& bPasswordSaved);

// Stores user name and domain; the password too unless bRemovePassword, which
// forgets any stored one. ERROR_ACCESS_DENIED for a refused file.
DWORD SetEntryDialParams(const RasDialParams& params, bool bRemovePassword);

// Housekeeping for the phonebook (ignoring case).
DWORD RemoveCredentials(const QString& entry);
DWORD RenameCredentials(const QString& oldName, const QString& newName);

} // namespace ras
