#include "theme/Dib.h"

#include <QFile>
#include <QIODevice>
#include <QPainter>
#include <QtEndian>

namespace {

constexpr quint32 kInfoHeaderSize = 40;
constexpr quint32 kCoreHeaderSize = 12;
constexpr quint16 kFileMagic = 0x4D42; // "BM"
constexpr int kFileHeaderSize = 14;

quint16 U16(const QByteArray& d, qsizetype at)
{
    if (at < 0 || at + 2 > d.size())
        return 0;
    return qFromLittleEndian<quint16>(d.constData() + at);
}

quint32 U32(const QByteArray& d, qsizetype at)
{
    if (at < 0 || at + 4 > d.size())
        return 0;
    return qFromLittleEndian<quint32>(d.constData() + at);
}

bool IsInfoHeader(const QByteArray& dib) { return U32(dib, 0) == kInfoHeaderSize; }

int BitCount(const QByteArray& dib) { return IsInfoHeader(dib) ? U16(dib, 14) : U16(dib, 10); }

quint32 Compression(const QByteArray& dib) { return IsInfoHeader(dib) ? U32(dib, 16) : 0; }

constexpr quint32 kRle8 = 1;
constexpr quint32 kRle4 = 2;

// Expands run-length coded pixels into one colour index a byte, rows stored
// bottom-up like the uncompressed form. Pixels the runs skip stay index 0;
// a stream that ends early or runs past the picture simply stops there.
QByteArray DecodeRle(const uchar* p, const uchar* end, int width, int height, bool rle4)
{
    QByteArray out(qsizetype(width) * height, '\0');
    int x = 0, y = 0;
    auto put = [&](int index) {
        if (x < width && y < height)
            out[qsizetype(y) * width + x] = char(index);
        ++x;
    };
    while (p + 2 <= end && y < height) {
        const int count = p[0];
        const int value = p[1];
        p += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i)
                put(rle4 ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // move right and up
            if (p + 2 > end)
                break;
            x += p[0];
            y += p[1];
            p += 2;
        } else { // a literal run, padded to a 16-bit boundary
            const int bytes = rle4 ? (value + 1) / 2 : value;
            if (p + bytes > end)
                break;
            for (int i = 0; i < value; ++i)
                put(rle4 ? ((i & 1) ? p[i / 2] & 0x0F : p[i / 2] >> 4) : p[i]);
            p += bytes + (bytes & 1);
        }
    }
    return out;
}

qint64 RowBytes(qint64 width, int bitCount) { return ((width * bitCount + 31) / 32) * 4; }

// Everything the header promises must be there: a bitmap cut short or with
// impossible fields is treated as no bitmap at all.
bool IsWellFormed(const QByteArray& dib)
{
    if (dib.size() < 4)
        return false;
    const quint32 headerSize = U32(dib, 0);
    const qint64 minimum = headerSize == kInfoHeaderSize ? kInfoHeaderSize : kCoreHeaderSize;
    if (headerSize < kCoreHeaderSize || qint64(headerSize) > dib.size() || dib.size() < minimum)
        return false;
    const qint64 width = DIBWidth(dib);
    const qint64 height = DIBHeight(dib);
    const int bits = BitCount(dib);
    if (width <= 0 || height <= 0)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    // Run-length compressed 8- and 4-bit bitmaps are drawn as the display
    // does; any other compression is refused.
    const quint32 compression = Compression(dib);
    if (compression == kRle8 || compression == kRle4) {
        if (bits != (compression == kRle8 ? 8 : 4) || width > 65535 || height > 65535)
            return false;
        return qint64(headerSize) + qint64(PaletteSize(dib)) + 2 <= dib.size();
    }
    if (compression != 0)
        return false;
    const qint64 needed = qint64(headerSize) + qint64(PaletteSize(dib)) + RowBytes(width, bits) * height;
    return needed <= dib.size();
}

// The colour table padded to every index the depth can address; indexes the
// table does not cover come out black rather than as stray memory.
QList<QRgb> ColourTable(const QByteArray& dib, int bits)
{
    CPalette pal;
    CreateDIBPalette(dib, pal);
    QList<QRgb> table = pal.m_entries;
    const int addressable = 1 << bits;
    if (table.size() > addressable)
        table.resize(addressable);
    while (table.size() < addressable)
        table.append(qRgb(0, 0, 0));
    return table;
}

// Draws an already converted (top-down) image the way the packed bitmap is
// addressed: one to one, the source rectangle names rows as seen; stretched,
// the source's top is counted from the bottom row, as stored.
int PaintImage(QPainter* dc, const QRect& dest, const QImage& img, const QRect& src,
               QImage* scaledCache, QRect* cacheSource, QSize* cacheSize)
{
    if (!dc || !dc->isActive() || img.isNull())
        return 0;
    const int dibHeight = img.height();
    const QRect bounds = img.rect();

    if (dest.width() == src.width() && dest.height() == src.height()) {
        // The source y handed to the copy is DIBHeight - bottom, counted from
        // the bottom; turned back into rows as seen it is the source's top.
        const int ySrc = dibHeight - (src.top() + src.height());
        const QRect seen(src.left(), dibHeight - ySrc - src.height(), src.width(), src.height());
        const QRect part = seen.intersected(bounds);
        if (!part.isEmpty())
            dc->drawImage(QPoint(dest.left() + part.left() - seen.left(), dest.top() + part.top() - seen.top()), img,
                          part);
        return dibHeight & 0xFFFF;
    }

    if (dest.width() <= 0 || dest.height() <= 0 || src.width() <= 0 || src.height() <= 0)
        return 0;
    const QRect seen(src.left(), dibHeight - src.top() - src.height(), src.width(), src.height());
    const QRect part = seen.intersected(bounds);
    if (part.isEmpty())
        return 0;
    // Where the source reaches past the bitmap, only the covered share of the
    // destination is painted.
    const double sx = double(dest.width()) / seen.width();
    const double sy = double(dest.height()) / seen.height();
    const QRect target(dest.left() + qRound((part.left() - seen.left()) * sx),
                       dest.top() + qRound((part.top() - seen.top()) * sy), qRound(part.width() * sx),
                       qRound(part.height() * sy));
    if (target.isEmpty())
        return 0;

    QImage local;
    const QImage* scaled = &local;
    if (scaledCache && *cacheSource == part && *cacheSize == target.size() && !scaledCache->isNull()) {
        scaled = scaledCache;
    } else {
        local = img.copy(part).scaled(target.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
        if (scaledCache) {
            *scaledCache = local;
            *cacheSource = part;
            *cacheSize = target.size();
            scaled = scaledCache;
        }
    }
    dc->drawImage(target.topLeft(), *scaled);
    return part.height();
}

} // namespace

quint32 DIBNumColors(const QByteArray& dib)
{
    if (IsInfoHeader(dib)) {
        const quint32 used = U32(dib, 32);
        if (used != 0)
            return used;
    }
    switch (BitCount(dib)) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

quint32 PaletteSize(const QByteArray& dib)
{
    return DIBNumColors(dib) * (IsInfoHeader(dib) ? 4 : 3);
}

const char* FindDIBBits(const QByteArray& dib)
{
    if (dib.isEmpty())
        return nullptr;
    return dib.constData() + U32(dib, 0) + PaletteSize(dib);
}

qint32 DIBWidth(const QByteArray& dib)
{
    return IsInfoHeader(dib) ? qint32(U32(dib, 4)) : qint32(U16(dib, 4));
}

qint32 DIBHeight(const QByteArray& dib)
{
    return IsInfoHeader(dib) ? qint32(U32(dib, 8)) : qint32(U16(dib, 6));
}

bool CreateDIBPalette(const QByteArray& dib, CPalette& palette)
{
    const quint32 n = DIBNumColors(dib);
    if (n == 0)
        return false;
    const bool info = IsInfoHeader(dib);
    const qint64 entrySize = info ? 4 : 3;
    const qint64 tableAt = U32(dib, 0);
    if (tableAt + qint64(n) * entrySize > dib.size())
        return false;
    palette.m_entries.clear();
    palette.m_entries.reserve(n);
    const auto* p = reinterpret_cast<const uchar*>(dib.constData() + tableAt);
    for (quint32 i = 0; i < n; ++i, p += entrySize)
        palette.m_entries.append(qRgb(p[2], p[1], p[0]));
    return true;
}

QImage DIBToImage(const QByteArray& dib)
{
    if (!IsWellFormed(dib))
        return {};
    const int width = DIBWidth(dib);
    const int height = DIBHeight(dib);
    const int bits = BitCount(dib);
    const qint64 stride = RowBytes(width, bits);
    const auto* base = reinterpret_cast<const uchar*>(FindDIBBits(dib));

    QImage img(width, height, QImage::Format_RGB32);
    if (img.isNull())
        return {};
    const QList<QRgb> table = bits <= 8 ? ColourTable(dib, bits) : QList<QRgb>();
    const quint32 compression = Compression(dib);
    if (compression == kRle8 || compression == kRle4) {
        const auto* end = reinterpret_cast<const uchar*>(dib.constData() + dib.size());
        const QByteArray indexes = DecodeRle(base, end, width, height, compression == kRle4);
        for (int y = 0; y < height; ++y) {
            const auto* row = reinterpret_cast<const uchar*>(indexes.constData()) + qsizetype(height - 1 - y) * width;
            auto* out = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < width; ++x)
                out[x] = table[row[x] & ((1 << bits) - 1)];
        }
        return img;
    }
    for (int y = 0; y < height; ++y) {
        // Rows are stored bottom-up.
        const uchar* row = base + stride * (height - 1 - y);
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(y));
        switch (bits) {
        case 1:
            for (int x = 0; x < width; ++x)
                out[x] = table[(row[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            for (int x = 0; x < width; ++x)
                out[x] = table[(x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4)];
            break;
        case 8:
            for (int x = 0; x < width; ++x)
                out[x] = table[row[x]];
            break;
        case 16:
            for (int x = 0; x < width; ++x) {
                const quint16 v = quint16(row[2 * x] | (row[2 * x + 1] << 8));
                const int r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
                out[x] = qRgb((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2));
            }
            break;
        case 24:
            for (int x = 0; x < width; ++x)
                out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
            break;
        case 32:
            for (int x = 0; x < width; ++x)
                out[x] = qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
            break;
        }
    }
    return img;
}

int PaintDIB(QPainter* dc, const QRect& destination, const QByteArray& dib, const QRect& source,
             const CPalette* palette)
{
    Q_UNUSED(palette);
    if (dib.isNull())
        return 0;
    return PaintImage(dc, destination, DIBToImage(dib), source, nullptr, nullptr, nullptr);
}

QByteArray ReadDIBResource(int id)
{
    QFile file(QStringLiteral(":/bitmaps/%1.bmp").arg(id));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return ReadDIBFile(file);
}

QByteArray ReadDIBFile(QIODevice& file)
{
    const qint64 length = file.isSequential() ? file.bytesAvailable() : file.size() - file.pos();
    const QByteArray fileHeader = file.read(kFileHeaderSize);
    if (fileHeader.size() < kFileHeaderSize || U16(fileHeader, 0) != kFileMagic)
        return {};
    const qint64 rest = length - kFileHeaderSize;
    if (rest <= 0)
        return {};
    QByteArray dib = file.read(rest);
    if (dib.size() < rest || !IsWellFormed(dib))
        return {};
    return dib;
}

CDib::CDib() = default;

CDib::~CDib()
{
    Free();
}

bool CDib::Adopt(QByteArray dib)
{
    if (!m_hDIB.isNull())
        Free();
    if (dib.isNull())
        return false;
    m_pPalette = std::make_unique<CPalette>();
    if (!CreateDIBPalette(dib, *m_pPalette)) {
        m_pPalette.reset(); // no colour table: such bitmaps are not kept
        return false;
    }
    m_hDIB = std::move(dib);
    m_nWidth = DIBWidth(m_hDIB);
    m_nHeight = DIBHeight(m_hDIB);
    m_nColors = DIBNumColors(m_hDIB) & 0xFFFF;
    return true;
}

bool CDib::LoadFromResource(int id)
{
    return Adopt(ReadDIBResource(id));
}

bool CDib::LoadFromFile(QIODevice& file)
{
    return Adopt(ReadDIBFile(file));
}

bool CDib::LoadFromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Free();
        return false;
    }
    return LoadFromFile(file);
}

int CDib::Draw(QPainter* dc, const QRect& destination, const QRect& source, const CPalette* palette)
{
    Q_UNUSED(palette);
    if (m_hDIB.isNull())
        return 0;
    if (m_image.isNull())
        m_image = DIBToImage(m_hDIB);
    return PaintImage(dc, destination, m_image, source, &m_scaled, &m_scaledSource, &m_scaledSize);
}

int CDib::DrawWithPalette(QPainter* dc, const QRect& destination, const QRect& source)
{
    // Our painters are true-colour: the palette needs no realizing.
    return Draw(dc, destination, source, nullptr);
}

void CDib::Free()
{
    m_hDIB = QByteArray();
    m_pPalette.reset();
    m_image = QImage();
    m_scaled = QImage();
    m_scaledSource = QRect();
    m_scaledSize = QSize();
    m_nWidth = m_nHeight = 0;
    m_nColors = 0;
}
