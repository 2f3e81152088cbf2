// The theme file: a version, a tab count, then per tab a 532-byte record, an
// item count and that many 1336-byte item records; little-endian integers and
// zero-padded fixed-width string fields.

#include "ThemeData.h"

#include "settings/Settings.h"
#include "platform/base/ByteOrder.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cstring>

namespace {

// Field offsets of the tab record.
constexpr int kTabVersion = 0;
constexpr int kTabName = 4;
constexpr int kTabBackground = 265;
constexpr int kTabReserved = 528;

// Field offsets of the item record.
constexpr int kItemVersion = 0;
constexpr int kItemName = 4;
constexpr int kItemArguments = 133;
constexpr int kItemTarget = 262;
constexpr int kItemStartIn = 523;
constexpr int kItemIconFile = 784;
constexpr int kItemDescription = 1045;
constexpr int kItemIconIndex = 1308;
constexpr int kItemShowCmd = 1312;
constexpr int kItemReserved1 = 1316;
constexpr int kItemX = 1320;
constexpr int kItemY = 1324;
constexpr int kItemReserved2 = 1328;
constexpr int kItemDialFirst = 1332;

constexpr int kTabBlockHeader = ThemeRecord::kTabRecordSize + 4;

// Far beyond any real theme (100 tabs of 100 items take 13 MB): a larger
// file is refused rather than read into memory.
constexpr qint64 kMaxFileBytes = qint64(256) << 20;

void putInt(char* p, std::int32_t v) { le::PutI32(p, v); }

std::int32_t getInt(const char* p) { return le::I32(p); }

// Windows-1252 for the bytes 0x80..0x9F; the rest is Latin-1.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isValidUtf8(const unsigned char* s, int n)
{
    int i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        int extra;
        std::uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        for (int k = 1; k <= extra; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past Unicode are not UTF-8.
        if ((extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000)
            || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            return false;
        i += extra + 1;
    }
    return true;
}

// The Windows-1252 byte of a character, 0 when it has none.
unsigned char cp1252Byte(char16_t c)
{
    if (c >= 0xA0 && c <= 0xFF)
        return static_cast<unsigned char>(c);
    if (c >= 0x01 && c < 0x80)
        return static_cast<unsigned char>(c);
    for (int k = 0; k < 32; ++k)
        if (kCp1252High[k] == c)
            return static_cast<unsigned char>(0x80 + k);
    return 0;
}

// The bytes a field holds for a text: UTF-8 when it fits; otherwise
// Windows-1252 when every character has a byte there, the bytes fit, and
// they do not happen to read as UTF-8 (they must read back as the same
// text). A field loaded from a file always re-encodes to the bytes it came
// from, so a theme that was read can always be saved. Null when nothing fits.
QByteArray encodeField(const QString& text, int width)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.size() <= width - 1)
        return bytes;
    if (text.size() > width - 1)
        return QByteArray();
    QByteArray legacy(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const unsigned char b = cp1252Byte(text[i].unicode());
        if (b == 0)
            return QByteArray();
        legacy[i] = char(b);
    }
    if (isValidUtf8(reinterpret_cast<const unsigned char*>(legacy.constData()), int(legacy.size())))
        return QByteArray();
    return legacy;
}

bool putString(char* field, int width, const QString& text)
{
    // Most fields are plain ASCII: copy them straight into the record.
    const qsizetype n = text.size();
    const char16_t* u = reinterpret_cast<const char16_t*>(text.constData());
    qsizetype i = 0;
    if (n <= width - 1) {
        for (; i < n && u[i] < 0x80; ++i)
            field[i] = char(u[i]);
        if (i == n)
            return true; // the record is zeroed beforehand, so the terminator is there
    }
    const QByteArray bytes = encodeField(text, width);
    if (bytes.isNull()) {
        std::memset(field, 0, size_t(width));
        return false;
    }
    std::memcpy(field, bytes.constData(), size_t(bytes.size()));
    return true;
}

} // namespace

namespace ThemeRecord {

QString FitToField(const QString& text, int width)
{
    if (FitsField(text, width))
        return text;
    QByteArray bytes = text.toUtf8();
    int cut = width - 1;
    // Step back over continuation bytes so no character is split.
    while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
        --cut;
    return QString::fromUtf8(bytes.constData(), cut);
}

bool FitsField(const QString& text, int width)
{
    // Most texts are short: only measure the UTF-8 form when it could matter.
    if (text.size() * 3 <= width - 1)
        return true;
    return !encodeField(text, width).isNull();
}

QString DecodeField(const char* bytes, int width)
{
    // A field without its terminator is cut where the terminator belongs:
    // the format holds no more, and the text must be writable again.
    const void* nul = std::memchr(bytes, 0, size_t(width - 1));
    const int n = nul ? int(static_cast<const char*>(nul) - bytes) : width - 1;
    if (n == 0)
        return QString();
    const auto* u = reinterpret_cast<const unsigned char*>(bytes);
    // Eight bytes at a time: any high bit means the text is not plain ASCII.
    int i = 0;
    std::uint64_t high = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, u + i, 8);
        high |= word;
    }
    for (; i < n; ++i)
        high |= u[i];
    if (!(high & 0x8080808080808080ULL))
        return QString::fromLatin1(bytes, n);
    if (isValidUtf8(u, n))
        return QString::fromUtf8(bytes, n);
    QString out(n, Qt::Uninitialized);
    for (int k = 0; k < n; ++k)
        out[k] = (u[k] >= 0x80 && u[k] <= 0x9F) ? QChar(kCp1252High[u[k] - 0x80]) : QChar(u[k]);
    return out;
}

} // namespace ThemeRecord

using namespace ThemeRecord;

bool CThemeItem::FitsRecord() const
{
    return FitsField(m_strName, kItemNameWidth) && FitsField(m_strArguments, kItemNameWidth)
        && FitsField(m_strTarget, kItemPathWidth) && FitsField(m_strStartIn, kItemPathWidth)
        && FitsField(m_strIconFile, kItemPathWidth) && FitsField(m_strDescription, kItemPathWidth);
}

bool CThemeItem::ToRecord(char* r) const
{
    std::memset(r, 0, kItemRecordSize);
    putInt(r + kItemVersion, 1);
    bool ok = putString(r + kItemName, kItemNameWidth, m_strName);
    ok = putString(r + kItemArguments, kItemNameWidth, m_strArguments) && ok;
    ok = putString(r + kItemTarget, kItemPathWidth, m_strTarget) && ok;
    ok = putString(r + kItemStartIn, kItemPathWidth, m_strStartIn) && ok;
    ok = putString(r + kItemIconFile, kItemPathWidth, m_strIconFile) && ok;
    ok = putString(r + kItemDescription, kItemPathWidth, m_strDescription) && ok;
    putInt(r + kItemIconIndex, m_nIconIndex);
    putInt(r + kItemShowCmd, m_nShowCmd);
    putInt(r + kItemReserved1, m_nReserved1);
    putInt(r + kItemX, m_ptPosition.x());
    putInt(r + kItemY, m_ptPosition.y());
    putInt(r + kItemReserved2, m_nReserved2);
    putInt(r + kItemDialFirst, m_bDialFirst);
    return ok;
}

void CThemeItem::FromRecord(const char* r)
{
    m_strName = DecodeField(r + kItemName, kItemNameWidth);
    m_strArguments = DecodeField(r + kItemArguments, kItemNameWidth);
    m_strTarget = DecodeField(r + kItemTarget, kItemPathWidth);
    m_strStartIn = DecodeField(r + kItemStartIn, kItemPathWidth);
    m_strIconFile = DecodeField(r + kItemIconFile, kItemPathWidth);
    m_strDescription = DecodeField(r + kItemDescription, kItemPathWidth);
    m_nIconIndex = getInt(r + kItemIconIndex);
    m_nShowCmd = getInt(r + kItemShowCmd);
    m_nReserved1 = getInt(r + kItemReserved1);
    m_ptPosition = QPoint(getInt(r + kItemX), getInt(r + kItemY));
    m_nReserved2 = getInt(r + kItemReserved2);
    m_bDialFirst = getInt(r + kItemDialFirst);
}

bool CThemeTab::FitsRecord() const
{
    return FitsField(m_strName, kTabNameWidth) && FitsField(m_strBackground, kTabNameWidth);
}

bool CThemeTab::ToRecord(char* r) const
{
    std::memset(r, 0, kTabRecordSize);
    putInt(r + kTabVersion, 1);
    bool ok = putString(r + kTabName, kTabNameWidth, m_strName);
    ok = putString(r + kTabBackground, kTabNameWidth, m_strBackground) && ok;
    putInt(r + kTabReserved, m_nReserved);
    return ok;
}

void CThemeTab::FromRecord(const char* r)
{
    m_strName = DecodeField(r + kTabName, kTabNameWidth);
    m_strBackground = DecodeField(r + kTabBackground, kTabNameWidth);
    m_nReserved = getInt(r + kTabReserved);
}

namespace {

// The bytes of one tab block: its record, its item count and its items.
bool tabBlock(const CThemeTab& tab, QByteArray& buffer)
{
    buffer.resize(kTabBlockHeader + qsizetype(tab.m_items.size()) * kItemRecordSize);
    char* p = buffer.data();
    if (!tab.ToRecord(p))
        return false;
    p += kTabRecordSize;
    putInt(p, std::int32_t(tab.m_items.size()));
    p += 4;
    for (const auto& item : tab.m_items) {
        if (!item->ToRecord(p))
            return false;
        p += kItemRecordSize;
    }
    return true;
}

void fileHeader(char* p, std::int32_t tabs)
{
    putInt(p, std::int32_t(kFileVersion));
    putInt(p + 4, tabs);
}

} // namespace

bool CThemeData::ToBytes(QByteArray& out) const
{
    out.clear();
    qsizetype size = 8;
    for (const auto& tab : m_tabs)
        size += kTabBlockHeader + qsizetype(tab->m_items.size()) * kItemRecordSize;
    out.reserve(size);
    char head[8];
    fileHeader(head, std::int32_t(m_tabs.size()));
    out.append(head, 8);
    QByteArray block;
    for (const auto& tab : m_tabs) {
        if (!tabBlock(*tab, block))
            return false;
        out.append(block);
    }
    return true;
}

CThemeData::ParseResult CThemeData::ParseBytes(const QByteArray& bytes,
                                               std::vector<std::unique_ptr<CThemeTab>>& tabs,
                                               std::uint32_t* version)
{
    return ParseBytes(bytes.constData(), bytes.size(), tabs, version);
}

CThemeData::ParseResult CThemeData::ParseBytes(const char* data, qsizetype size,
                                               std::vector<std::unique_ptr<CThemeTab>>& tabs,
                                               std::uint32_t* version)
{
    if (size < 4)
        return ParseResult::Damaged;
    const auto fileVersion = std::uint32_t(getInt(data));
    if (version)
        *version = fileVersion;
    if (fileVersion != kFileVersion)
        return ParseResult::WrongVersion;
    if (size < 8)
        return ParseResult::Damaged;
    const std::int32_t tabCount = getInt(data + 4);
    if (tabCount < 1)
        return ParseResult::Ok;
    qsizetype pos = 8;
    // Each tab needs at least its record and item count, so a count larger
    // than the file could hold is refused before anything is allocated.
    if (qsizetype(tabCount) > (size - pos) / kTabBlockHeader)
        return ParseResult::Damaged;

    // First the block layout alone, so a damaged file is refused before any
    // item is built.
    std::vector<qsizetype> blocks;
    blocks.reserve(size_t(tabCount));
    for (std::int32_t t = 0; t < tabCount; ++t) {
        if (size - pos < kTabBlockHeader)
            return ParseResult::Damaged;
        blocks.push_back(pos);
        const std::int32_t itemCount = getInt(data + pos + kTabRecordSize);
        pos += kTabBlockHeader;
        if (itemCount > 0) {
            if (qsizetype(itemCount) > (size - pos) / kItemRecordSize)
                return ParseResult::Damaged;
            pos += qsizetype(itemCount) * kItemRecordSize;
        }
    }

    tabs.reserve(tabs.size() + blocks.size());
    for (const qsizetype at : blocks) {
        const char* p = data + at;
        auto tab = std::make_unique<CThemeTab>();
        tab->FromRecord(p);
        const std::int32_t itemCount = std::max<std::int32_t>(0, getInt(p + kTabRecordSize));
        p += kTabBlockHeader;
        tab->m_items.reserve(size_t(itemCount));
        for (std::int32_t i = 0; i < itemCount; ++i, p += kItemRecordSize) {
            auto item = std::make_unique<CThemeItem>();
            item->FromRecord(p);
            tab->m_items.push_back(std::move(item));
        }
        tabs.push_back(std::move(tab));
    }
    return ParseResult::Ok;
}

bool CThemeData::Load(const QString& path, LoadError* error)
{
    LoadError scratch;
    LoadError& why = error ? *error : scratch;
    why = LoadError::None;
    m_strPath = path;
    if (!FileExists(path)) {
        why = LoadError::Missing;
        return false;
    }
    ChangeToFileFolder(path);
    QFile file(path);
    why = LoadError::Unreadable;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // One read into memory: a mapping would turn another program cutting
    // the file short into a crash here. The size is bounded first.
    const qint64 size = file.size();
    if (size > kMaxFileBytes)
        return false;
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    const qint64 got = size > 0 ? file.read(bytes.data(), size) : 0;
    if (got < 0)
        return false;
    bytes.truncate(qsizetype(got)); // shortened meanwhile: the parser judges what is left
    file.close();
    const ParseResult result = ParseBytes(bytes, m_tabs);

    switch (result) {
    case ParseResult::WrongVersion:
        why = LoadError::WrongVersion;
        return false;
    case ParseResult::Damaged:
        why = LoadError::Damaged;
        return false;
    case ParseResult::Ok:
        break;
    }
    why = LoadError::None;
    m_bModified = false;
    return true;
}

bool CThemeData::Save()
{
    if (!m_bModified)
        return true;
    // A string too long for its field: refuse before touching the disk.
    for (const auto& tab : m_tabs) {
        if (!tab->FitsRecord())
            return false;
        for (const auto& item : tab->m_items)
            if (!item->FitsRecord())
                return false;
    }
    if (!EnsureFolderForFile(m_strPath))
        return false;

    // Write through a link to the file it names, and keep that file's mode.
    QString target = m_strPath;
    const QFileInfo info(m_strPath);
    if (info.isSymLink())
        target = info.symLinkTarget();
    const bool existed = QFileInfo::exists(target);
    const QFileDevice::Permissions mode = existed ? QFile::permissions(target) : QFileDevice::Permissions();

    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Tab block by tab block through one buffer: a large theme never needs
    // its whole file in memory.
    char head[8];
    fileHeader(head, std::int32_t(m_tabs.size()));
    bool ok = file.write(head, 8) == 8;
    QByteArray block;
    for (size_t t = 0; ok && t < m_tabs.size(); ++t)
        ok = tabBlock(*m_tabs[t], block) && file.write(block) == block.size();
    if (!ok) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return false;
    if (existed)
        QFile::setPermissions(target, mode);
    m_bModified = false;
    return true;
}
