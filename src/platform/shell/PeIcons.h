#pragma once
// Icons inside Windows programs and libraries (.exe, .dll, .icl in the PE
// format): the icon groups of the resource section (each an icon of several
// sizes) and the images they name. Themes brought over from the first
// platform point their items at such files.
//
// The files are hostile input: every offset is checked against the file,
// every count and size is capped before anything is read, and the resource
// tree is walked to its fixed depth only, so a damaged file costs little and
// yields no icons.

#include <QByteArray>
#include <QHash>
#include <QList>

class QIODevice;

namespace shell {

// The icon resources of a program file, as found in its resource tree.
struct PeIconDirectory
{
    struct Group
    {
        qint64 id = -1;         // resource id; -1 for a group known by name
        qint64 languageDir = 0; // file offset of its language level
    };
    QList<Group> groups;            // in the file's order
    QHash<quint32, qint64> icons;   // icon resource id -> file offset of its language level
    qint64 treeOffset = 0;          // file offset of the resource tree
    struct Section
    {
        quint32 address, size, fileOffset, fileSize;
    };
    QList<Section> sections;        // to turn addresses into file offsets
};

// Reads the icon part of a program file's resource tree; false when the
// file is not a PE file or its tables are damaged. A program without icons
// gives true and no groups.
bool ReadPeIconDirectory(QIODevice& file, PeIconDirectory& directory);

// The icon group at index as the bytes of an .ico file: index n >= 0 is the
// n-th group, a negative index is the group whose resource id is -index.
// Null when there is no such group or none of its images can be read.
QByteArray PeIconGroupAsIco(QIODevice& file, const PeIconDirectory& directory, int index);

// True for the names of files that may hold icon groups.
bool IsPeIconFileSuffix(const QString& suffix);

} // namespace shell
