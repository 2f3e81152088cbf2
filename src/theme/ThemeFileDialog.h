#pragma once
// The one file dialog for opening and saving themes.

#include <QString>

namespace fw {
class CDocTemplate;
}

// Asks for a theme file in the themes folder (created when missing). A file
// chosen to open is returned as it is. A name to save ends in ".Theme": a
// file-name part's own extension is replaced, so notes.txt becomes
// notes.Theme while a.b.Theme stays as it is; when that makes it the name of
// another existing file, the user is asked before it may be replaced.
bool PromptThemeFileName(QString& fileName, unsigned titleId, unsigned flags, bool openDialog,
                         fw::CDocTemplate* = nullptr);

// The extension rule alone.
QString ApplyThemeExtension(const QString& path);
