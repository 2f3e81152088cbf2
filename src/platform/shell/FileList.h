#pragma once
// File lists handed over by drag and drop or the clipboard: the local files
// of a text/uri-list, or of the x-special/gnome-copied-files list that file
// managers put on the clipboard.

#include <QStringList>

class QMimeData;

namespace shell {

// The local files named, in order; addresses that are not local files are
// left out.
QStringList FilesFromMimeData(const QMimeData* data);
bool HasFileList(const QMimeData* data);

// The file list on the clipboard, empty when there is none.
QStringList ClipboardFiles();
bool ClipboardHasFiles();

} // namespace shell
