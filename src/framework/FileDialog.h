#pragma once
// The one way the program asks for a file name; tests replace it.

#include <QString>
#include <functional>

class QWidget;

namespace fw {

// Flags, with the platform's numbers.
constexpr unsigned OFN_OVERWRITEPROMPT = 0x2;
constexpr unsigned OFN_HIDEREADONLY = 0x4;
constexpr unsigned OFN_NOCHANGEDIR = 0x8;
constexpr unsigned OFN_PATHMUSTEXIST = 0x800;
constexpr unsigned OFN_FILEMUSTEXIST = 0x1000;

struct FileDialogRequest
{
    bool bOpen = true;          // an open dialog, else a save dialog
    QString title;
    QString filter;             // "Themes |*.Theme||": description and pattern pairs
    QString defaultExt;         // ".Theme" or empty
    QString initialDir;
    QString fileName;           // proposed on entry, chosen on return
    unsigned flags = 0;
    QWidget* parent = nullptr;
};

using FileDialogHandler = std::function<bool(FileDialogRequest&)>;

// Shows the dialog; true with req.fileName set to the chosen full path on OK.
bool RunFileDialog(FileDialogRequest& req);
FileDialogHandler SetFileDialogHandler(FileDialogHandler handler);

// "Themes |*.Theme||" as Qt writes it: "Themes (*.Theme)".
QString ConvertFilter(const QString& filter);

} // namespace fw
