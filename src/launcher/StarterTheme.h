#pragma once
// The starter theme installed at first run names the programs and folders
// it wants by role, since each desktop has its own: "@default:<MIME types>"
// is the desktop's default program for the first type that has one,
// "@terminal" an installed terminal, "@folder:<XDG name>" one of the user's
// folders, "@program:<path>" that program when it is installed. Roles are resolved on the desktop the theme lands on; an item
// whose role this desktop lacks is left out, and the tabs that held roles
// are laid out again. Everything else in the theme stays as it is.

class CThemeData;

void FitStarterThemeToDesktop(CThemeData& theme);
