#pragma once
// File lists handed over by drag and drop or the clipboard: the local files
// of a text/uri-list, or of the x-special/gnome-copied-files list that file
// managers put on the clipboard, and the web and mail addresses a browser
// drops. What comes from other programs is bounded: the list's size, the
// number of entries and the length of each.

#include <QStringList>

class QMimeData;

namespace shell {

constexpr qsizetype kMaxListBytes = 1024 * 1024;
constexpr int kMaxListEntries = 1000;
constexpr int kMaxTargetLength = 4096;

// The local files named, in order; addresses that are not local files are
// left out.
QStringList FilesFromMimeData(const QMimeData* data);
bool HasFileList(const QMimeData* data);

// Local files and, in their places, addresses of the schemes http, https,
// ftp and mailto (as written); everything else is left out.
QStringList TargetsFromMimeData(const QMimeData* data);
bool HasTargets(const QMimeData* data);

// The file list on the clipboard, empty when there is none.
QStringList ClipboardFiles();
bool ClipboardHasFiles();
// The targets on the clipboard (files and addresses), empty when none.
QStringList ClipboardTargets();
bool ClipboardHasTargets();

} // namespace shell
