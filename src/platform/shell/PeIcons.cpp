#include "platform/shell/PeIcons.h"

#include "platform/base/ByteOrder.h"

#include <QIODevice>
#include <QString>

namespace shell {

namespace {

using le::U16At;
using le::U32At;

constexpr quint32 kRtIcon = 3;
constexpr quint32 kRtGroupIcon = 14;
constexpr quint32 kHighBit = 0x80000000u;

// Caps: far above real files (a large icon library holds a few thousand
// icons, a group a dozen sizes, an image of 256 x 256 pixels some 260 KB).
constexpr int kMaxSections = 96;
constexpr qint64 kMaxGroupBytes = 6 + 14 * 256;
constexpr int kMaxImagesPerGroup = 64;
constexpr qint64 kMaxImageBytes = qint64(4) << 20;
constexpr qint64 kMaxIcoBytes = qint64(16) << 20;

// Reads of the device that never reach outside it.
class Reader
{
public:
    explicit Reader(QIODevice& d)
        : m_device(d), m_size(d.size())
    {
    }
    // n bytes at offset at; null when they are not all in the file.
    QByteArray Read(qint64 at, qint64 n) const
    {
        if (!le::Has(m_size, at, n) || !m_device.seek(at))
            return {};
        QByteArray b = m_device.read(n);
        return b.size() == n ? b : QByteArray();
    }

private:
    QIODevice& m_device;
    qint64 m_size;
};

// The file offset of an address of the loaded image; -1 when no section
// holds it in the file.
qint64 FileOffset(const PeIconDirectory& dir, quint32 address, qint64 length)
{
    for (const auto& s : dir.sections) {
        if (address < s.address)
            continue;
        const qint64 into = qint64(address) - s.address;
        if (into < s.fileSize && length <= qint64(s.fileSize) - into)
            return qint64(s.fileOffset) + into;
    }
    return -1;
}

struct Entry
{
    quint32 name;   // an id, or a name offset with the high bit set
    quint32 target; // a subdirectory (high bit set) or a data entry, from the tree's start
};

// The entries of one resource directory (named ones first, then ids, as
// stored). Their number is bounded by the two 16-bit counts.
bool ReadDirectory(const Reader& r, qint64 at, QList<Entry>& entries)
{
    const QByteArray head = r.Read(at, 16);
    if (head.isNull())
        return false;
    const qint64 count = qint64(U16At(head, 12)) + U16At(head, 14);
    const QByteArray body = r.Read(at + 16, count * 8);
    if (body.isNull())
        return false;
    entries.clear();
    entries.reserve(count);
    for (qint64 i = 0; i < count; ++i)
        entries.append({U32At(body, i * 8), U32At(body, i * 8 + 4)});
    return true;
}

// The bytes of a resource from its language level: the first language's
// data entry, which gives an address and a size.
QByteArray ReadResource(const Reader& r, const PeIconDirectory& dir, qint64 languageDir, qint64 maxSize)
{
    // Only the first entry is read, however many the level claims.
    const QByteArray level = r.Read(languageDir, 16 + 8);
    if (level.isNull() || U16At(level, 12) + U16At(level, 14) == 0 || (U32At(level, 20) & kHighBit))
        return {};
    const QByteArray data = r.Read(dir.treeOffset + U32At(level, 20), 16);
    if (data.isNull())
        return {};
    const qint64 size = U32At(data, 4);
    if (size <= 0 || size > maxSize)
        return {};
    const qint64 at = FileOffset(dir, U32At(data, 0), size);
    return at < 0 ? QByteArray() : r.Read(at, size);
}

} // namespace

bool IsPeIconFileSuffix(const QString& suffix)
{
    for (const char* s : {"exe", "dll", "icl", "cpl", "ocx", "scr"})
        if (suffix.compare(QLatin1String(s), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool ReadPeIconDirectory(QIODevice& file, PeIconDirectory& dir)
{
    dir = PeIconDirectory();
    const Reader r(file);
    const QByteArray dos = r.Read(0, 64);
    if (dos.isNull() || !dos.startsWith("MZ"))
        return false;
    const qint64 pe = U32At(dos, 0x3C);
    const QByteArray head = r.Read(pe, 24);
    if (head.isNull() || !head.startsWith(QByteArray("PE\0\0", 4)))
        return false;
    const int sectionCount = U16At(head, 6);
    const qint64 optionalSize = U16At(head, 20);
    if (sectionCount > kMaxSections)
        return false;
    const QByteArray opt = r.Read(pe + 24, optionalSize);
    if (opt.isNull())
        return false;
    // 32- and 64-bit programs differ only in where the data directories are.
    qint64 directories = 0;
    switch (U16At(opt, 0)) {
    case 0x10B:
        directories = 92;
        break;
    case 0x20B:
        directories = 108;
        break;
    default:
        return false;
    }
    if (U32At(opt, directories) < 3 || !le::Has(opt.size(), directories + 4 + 2 * 8, 8))
        return true; // no resource directory: no icons
    const quint32 treeAddress = U32At(opt, directories + 4 + 2 * 8);
    if (treeAddress == 0)
        return true;

    const QByteArray sections = r.Read(pe + 24 + optionalSize, qint64(sectionCount) * 40);
    if (sections.isNull())
        return false;
    for (int i = 0; i < sectionCount; ++i) {
        const qint64 s = qint64(i) * 40;
        dir.sections.append({U32At(sections, s + 12), U32At(sections, s + 8), U32At(sections, s + 20),
                             U32At(sections, s + 16)});
    }
    dir.treeOffset = FileOffset(dir, treeAddress, 16);
    if (dir.treeOffset < 0)
        return false;

    QList<Entry> types;
    if (!ReadDirectory(r, dir.treeOffset, types))
        return false;
    bool seenIcons = false, seenGroups = false;
    for (const Entry& type : types) {
        // Each type is read once: a table listing one type many times must
        // not make us read its names as often.
        bool& seen = type.name == kRtIcon ? seenIcons : seenGroups;
        if ((type.name & kHighBit) || (type.name != kRtIcon && type.name != kRtGroupIcon) || seen)
            continue;
        seen = true;
        QList<Entry> names;
        if (!(type.target & kHighBit) || !ReadDirectory(r, dir.treeOffset + (type.target & ~kHighBit), names))
            return false;
        for (const Entry& e : names) {
            if (!(e.target & kHighBit))
                return false; // a name level must lead to a language level
            const qint64 languages = dir.treeOffset + (e.target & ~kHighBit);
            if (type.name == kRtGroupIcon)
                dir.groups.append({(e.name & kHighBit) ? -1 : qint64(e.name), languages});
            else if (!(e.name & kHighBit))
                dir.icons.insert(e.name, languages);
        }
    }
    return true;
}

QByteArray PeIconGroupAsIco(QIODevice& file, const PeIconDirectory& dir, int index)
{
    const PeIconDirectory::Group* group = nullptr;
    if (index >= 0) {
        if (index < dir.groups.size())
            group = &dir.groups[index];
    } else {
        for (const auto& g : dir.groups)
            if (g.id == -qint64(index)) {
                group = &g;
                break;
            }
    }
    if (!group)
        return {};
    const Reader r(file);
    // The group: a 6-byte header, then 14 bytes an image ending in the id of
    // the icon resource that holds it.
    const QByteArray g = ReadResource(r, dir, group->languageDir, kMaxGroupBytes);
    if (g.size() < 6 || U16At(g, 0) != 0 || U16At(g, 2) != 1)
        return {};
    const int count = qMin<int>(U16At(g, 4), kMaxImagesPerGroup);
    QList<QByteArray> entries, images;
    qint64 total = 0;
    for (int i = 0; i < count && le::Has(g.size(), 6 + qint64(i) * 14, 14); ++i) {
        const qint64 e = 6 + qint64(i) * 14;
        const auto it = dir.icons.constFind(U16At(g, e + 12));
        if (it == dir.icons.constEnd())
            continue;
        const QByteArray image = ReadResource(r, dir, *it, kMaxImageBytes);
        if (image.isEmpty() || total + image.size() > kMaxIcoBytes)
            continue;
        total += image.size();
        entries.append(g.mid(e, 8));
        images.append(image);
    }
    if (images.isEmpty())
        return {};
    // The same images as an .ico file: its entries give file offsets where
    // the group's gave resource ids.
    QByteArray ico(6, '\0');
    le::PutU32(ico.data(), 0x10000u); // reserved 0, type 1
    ico[4] = char(images.size() & 0xFF);
    ico[5] = char(images.size() >> 8);
    qint64 offset = 6 + 16 * qint64(images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        char tail[8];
        le::PutU32(tail, quint32(images[i].size()));
        le::PutU32(tail + 4, quint32(offset));
        ico += entries[i];
        ico.append(tail, 8);
        offset += images[i].size();
    }
    for (const QByteArray& image : images)
        ico += image;
    return ico;
}

} // namespace shell
