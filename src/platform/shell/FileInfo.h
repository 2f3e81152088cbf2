#pragma once
// What the desktop says about a file: the name it shows, the name of its
// type, where its icon comes from, and its absolute path. Relative targets
// resolve as the launcher resolves them (current folder, then the program
// search path for a bare name).

#include <QString>

namespace shell {

// A .desktop file's (localised) Name, else the file name; false for a
// target that does not exist.
bool GetDisplayName(const QString& target, QString* name);

// "Application" for a program, else the description of the file's type
// ("PNG image", "folder"); false for a target that does not exist.
bool GetTypeName(const QString& target, QString* typeName);

// The file (or icon-theme name) that holds the target's icon, with its
// index; false when the target does not exist or no icon is known.
bool GetIconLocation(const QString& target, QString* iconFile, int* index);

// The absolute, cleaned form of a path (relative to the current folder). An
// empty path stays empty and counts as converted: an item without an icon
// file keeps none.
bool GetFullPathName(const QString& path, QString* fullPath);

} // namespace shell
