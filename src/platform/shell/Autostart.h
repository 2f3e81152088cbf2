#pragma once
// Starting Dialtop with the desktop session: an autostart entry in the user's
// configuration folder ($XDG_CONFIG_HOME/autostart/dialtop.desktop) that runs
// the program by its absolute path.

#include <QString>

namespace shell {

// Where the entry lives; $XDG_CONFIG_HOME falls back to ~/.config when unset,
// empty or relative.
QString AutostartEntryPath();

// True when the entry exists and the session would run it: it is a desktop
// entry and neither Hidden=true nor X-GNOME-Autostart-enabled=false.
bool IsAutostartEnabled();

// The Exec value that runs this program file, quoted and escaped as desktop
// entries require; empty for a path that is not absolute or holds control
// characters.
QString AutostartExecValue(const QString& program);

// On: writes the entry for the program (atomically; its folder is created).
// Off: removes the entry. False when that could not be done; an unusable
// program path writes nothing.
bool SetAutostart(bool on, const QString& program);

} // namespace shell
