#include "theme/Dib.h"

#include "platform/base/BitmapRows.h"
#include "platform/base/ByteOrder.h"

#include <QFile>
#include <QIODevice>
#include <QImageReader>
#include <QPainter>

namespace {

constexpr quint32 kInfoHeaderSize = 40;
constexpr quint32 kV4HeaderSize = 108;
constexpr quint32 kV5HeaderSize = 124;
constexpr quint32 kCoreHeaderSize = 12;
constexpr quint16 kFileMagic = 0x4D42; // "BM"
constexpr int kFileHeaderSize = 14;

constexpr quint32 kRgb = 0;
constexpr quint32 kRle8 = 1;
constexpr quint32 kRle4 = 2;
constexpr quint32 kBitFields = 3;

// A tab background needs no more than this; larger claims are refused
// before anything is allocated.
constexpr qint64 kMaxPixels = qint64(64) << 20;
// A run codes at most 255 pixels in 2 bytes: a stream claiming more pixels
// than that per byte describes a picture its data cannot fill.
constexpr qint64 kMaxRlePixelsPerByte = 128;
// The largest picture file worth reading whole: 64 megapixels of 32 bits.
constexpr qint64 kMaxFileBytes = kMaxPixels * 4 + (qint64(1) << 20);

using le::U16At;
using le::U32At;

// The 108- and 124-byte headers are the 40-byte one with fields appended.
bool IsInfoHeader(const QByteArray& dib)
{
    const quint32 size = U32At(dib, 0);
    return size == kInfoHeaderSize || size == kV4HeaderSize || size == kV5HeaderSize;
}

int BitCount(const QByteArray& dib) { return IsInfoHeader(dib) ? U16At(dib, 14) : U16At(dib, 10); }

quint32 Compression(const QByteArray& dib) { return IsInfoHeader(dib) ? U32At(dib, 16) : kRgb; }

// The channel masks of bit-field pixels: three after a 40-byte header,
// inside the longer ones. Other pixels use the masks of their depth.
bmp::ChannelMasks Masks(const QByteArray& dib)
{
    if (Compression(dib) != kBitFields)
        return bmp::DefaultMasks(BitCount(dib));
    const qint64 at = U32At(dib, 0) == kInfoHeaderSize ? kInfoHeaderSize : 40;
    // The alpha mask is not used: a background is drawn opaque.
    return {U32At(dib, at), U32At(dib, at + 4), U32At(dib, at + 8), 0};
}

qint64 MaskBytes(const QByteArray& dib)
{
    return U32At(dib, 0) == kInfoHeaderSize && Compression(dib) == kBitFields ? 12 : 0;
}

// Where the pixels start, in 64 bits: a colours-used count near 2^32 must
// not wrap to a small table.
qint64 BitsOffset(const QByteArray& dib)
{
    return qint64(U32At(dib, 0)) + MaskBytes(dib) + qint64(DIBNumColors(dib)) * (IsInfoHeader(dib) ? 4 : 3);
}

// Expands run-length coded pixels straight into the picture (rows stored
// bottom-up). Pixels the runs skip keep colour 0. Every run stops at the
// row's end and a move cannot leave the picture, so a hostile stream can
// only cost its own length.
void DecodeRle(const uchar* data, qint64 size, QImage& img, const QRgb* table, bool rle4)
{
    const qint64 width = img.width();
    const qint64 height = img.height();
    img.fill(table[0]);
    qint64 x = 0, y = 0, at = 0;
    auto row = [&] { return reinterpret_cast<QRgb*>(img.scanLine(int(height - 1 - y))); };
    QRgb* out = row();
    auto nibble = [](uchar byte, qint64 i) { return (i & 1) ? byte & 0x0F : byte >> 4; };
    while (at + 2 <= size && y < height) {
        const int count = data[at];
        const int value = data[at + 1];
        at += 2;
        if (count > 0) {
            const qint64 n = qMin<qint64>(count, width - x);
            for (qint64 i = 0; i < n; ++i)
                out[x + i] = table[rle4 ? nibble(uchar(value), i) : value];
            x += n;
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            if (++y < height)
                out = row();
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // move right and up
            if (at + 2 > size)
                break;
            x = qMin(x + data[at], width);
            y += data[at + 1];
            at += 2;
            if (y < height)
                out = row();
        } else { // a literal run, padded to a 16-bit boundary
            const qint64 bytes = rle4 ? (value + 1) / 2 : value;
            if (bytes > size - at)
                break;
            const qint64 n = qMin<qint64>(value, width - x);
            for (qint64 i = 0; i < n; ++i)
                out[x + i] = table[rle4 ? nibble(data[at + i / 2], i) : data[at + i]];
            x += n;
            at += bytes + (bytes & 1);
        }
    }
}

// Everything the header promises must be there: a bitmap cut short or with
// impossible fields is treated as no bitmap at all.
bool IsWellFormed(const QByteArray& dib)
{
    if (dib.size() < 4)
        return false;
    const qint64 headerSize = U32At(dib, 0);
    const qint64 minimum = IsInfoHeader(dib) ? headerSize : kCoreHeaderSize;
    if (headerSize < kCoreHeaderSize || headerSize > dib.size() || dib.size() < minimum)
        return false;
    const qint64 width = DIBWidth(dib);
    const qint64 height = DIBHeight(dib);
    const int bits = BitCount(dib);
    if (width <= 0 || height <= 0 || width * height > kMaxPixels)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    const qint64 bitsAt = BitsOffset(dib);
    if (bitsAt > dib.size())
        return false;
    const qint64 data = dib.size() - bitsAt;
    switch (Compression(dib)) {
    case kRgb:
        return bmp::RowBytes(width, bits) * height <= data;
    case kRle8:
    case kRle4:
        // Run-length coded 8- and 4-bit bitmaps are drawn as the display does.
        return bits == (Compression(dib) == kRle8 ? 8 : 4) && data >= 2
            && width * height <= kMaxRlePixelsPerByte * data;
    case kBitFields:
        return (bits == 16 || bits == 32) && bmp::MasksUsable(Masks(dib))
            && bmp::RowBytes(width, bits) * height <= data;
    default:
        return false;
    }
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
        const quint32 used = U32At(dib, 32);
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
    const qint64 at = BitsOffset(dib);
    if (dib.isEmpty() || at > dib.size())
        return nullptr;
    return dib.constData() + at;
}

qint32 DIBWidth(const QByteArray& dib)
{
    return IsInfoHeader(dib) ? qint32(U32At(dib, 4)) : qint32(U16At(dib, 4));
}

qint32 DIBHeight(const QByteArray& dib)
{
    return IsInfoHeader(dib) ? qint32(U32At(dib, 8)) : qint32(U16At(dib, 6));
}

bool CreateDIBPalette(const QByteArray& dib, CPalette& palette)
{
    const quint32 n = DIBNumColors(dib);
    if (n == 0)
        return false;
    const qint64 entrySize = IsInfoHeader(dib) ? 4 : 3;
    const qint64 tableAt = qint64(U32At(dib, 0)) + MaskBytes(dib);
    if (!le::Has(dib.size(), tableAt, qint64(n) * entrySize))
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
    const auto* base = reinterpret_cast<const uchar*>(dib.constData()) + BitsOffset(dib);

    QImage img(width, height, QImage::Format_RGB32);
    if (img.isNull())
        return {};
    const QList<QRgb> table = bits <= 8 ? ColourTable(dib, bits) : QList<QRgb>();
    const quint32 compression = Compression(dib);
    if (compression == kRle8 || compression == kRle4) {
        DecodeRle(base, dib.size() - BitsOffset(dib), img, table.constData(), compression == kRle4);
        return img;
    }
    const bmp::RowDecoder decoder(bits, table.constData(), Masks(dib));
    const qint64 stride = bmp::RowBytes(width, bits);
    for (int y = 0; y < height; ++y) // rows are stored bottom-up
        decoder.Decode(base + stride * (height - 1 - y), width, reinterpret_cast<QRgb*>(img.scanLine(y)));
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
    if (fileHeader.size() < kFileHeaderSize || U16At(fileHeader, 0) != kFileMagic)
        return {};
    const qint64 rest = length - kFileHeaderSize;
    if (rest <= 0 || rest > kMaxFileBytes)
        return {};
    QByteArray dib = file.read(rest);
    if (dib.size() < rest || !IsWellFormed(dib))
        return {};
    return dib;
}

QImage ReadPictureFile(QIODevice& file)
{
    const QByteArray magic = file.peek(8);
    const char* format = magic.startsWith("\x89PNG\r\n\x1a\n") ? "png"
                       : magic.startsWith("\xFF\xD8\xFF")      ? "jpeg"
                                                                  : nullptr;
    if (!format)
        return {};
    QImageReader reader(&file, format);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || qint64(size.width()) * size.height() > kMaxPixels)
        return {};
    reader.setAllocationLimit(int(kMaxPixels * 4 / (1 << 20)) + 1);
    QImage img = reader.read();
    if (img.isNull() || img.size() != size)
        return {};
    if (!img.hasAlphaChannel())
        return img.convertToFormat(QImage::Format_RGB32);
    // See-through parts show the list's usual white, not stray colours.
    QImage flat(img.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter p(&flat);
    p.drawImage(0, 0, img);
    p.end();
    return flat;
}

CDib::CDib() = default;

CDib::~CDib()
{
    Free();
}

bool CDib::Adopt(QByteArray dib)
{
    Free();
    if (dib.isNull() || !IsWellFormed(dib))
        return false;
    m_pPalette = std::make_unique<CPalette>();
    if (!CreateDIBPalette(dib, *m_pPalette)) {
        m_pPalette.reset();
        // A colour-table depth without its table is not drawn; deeper
        // pixels carry their own colours.
        if (BitCount(dib) <= 8)
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
    if (!file.peek(2).startsWith("BM")) {
        Free();
        m_image = ReadPictureFile(file);
        m_nWidth = m_image.width();
        m_nHeight = m_image.height();
        return !m_image.isNull();
    }
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
    if (IsEmpty())
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
