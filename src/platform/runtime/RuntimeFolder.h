#pragma once
// The user's private folder for sockets and other files that live only while
// the user is logged in.

#include <QString>

namespace platform {

// XDG_RUNTIME_DIR when it names a folder of this user; otherwise
// <temporary folder>/dialtop-runtime-<uid>, made private to the user when
// missing and used only when it is a real folder of this user that nobody
// else may enter (another user can create that name first in a shared /tmp).
// Empty when neither can be used; *why then says what is wrong.
QString RuntimeFolder(QString* why = nullptr);

} // namespace platform
