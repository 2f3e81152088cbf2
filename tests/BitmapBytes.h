#pragma once
// Bitmap and icon files built byte by byte for the picture readers' tests:
// little-endian fields, colour tables, rows padded to 4 bytes, bottom row first.

#include <QBuffer>
#include <QImage>
#include <QList>
#include <QtEndian>
#include <functional>

namespace bytes {

template <typename T>
inline void Put(QByteArray& b, qint64 v)
{
    char x[sizeof(T)];
    qToLittleEndian<T>(T(v), x);
    b.append(x, sizeof x);
}
inline void Put16(QByteArray& b, qint64 v) { Put<quint16>(b, v); }
inline void Put32(QByteArray& b, qint64 v) { Put<quint32>(b, v); }

// pixel(x, storedRow), row 0 being the bottom row of the picture: an index,
// or 0xAARRGGBB for 24 and 32 bits.
using PixelFn = std::function<quint32(int, int)>;

inline QByteArray Rows(int width, int height, int bits, const PixelFn& pixel)
{
    QByteArray b;
    const int stride = ((width * bits + 31) / 32) * 4;
    for (int y = 0; y < height; ++y) {
        QByteArray row(stride, '\0');
        for (int x = 0; x < width; ++x) {
            const quint32 v = pixel(x, y);
            if (bits == 1)
                row[x / 8] = char(row[x / 8] | (v & 1) << (7 - x % 8));
            else if (bits == 4)
                row[x / 2] = char(row[x / 2] | ((x % 2) ? (v & 15) : (v & 15) << 4));
            else
                for (int i = 0; i < bits / 8; ++i)
                    row[bits / 8 * x + i] = char(v >> (8 * i));
        }
        b.append(row);
    }
    return b;
}

// A packed bitmap: the 40-byte header (or the 12-byte core one), its colour
// table (4 or 3 bytes an entry), then the rows.
struct Dib
{
    int headerSize = 40;
    int width = 4;
    int height = 4;
    int bits = 8;
    QList<QRgb> table;
    quint32 colorsUsed = 0;
    PixelFn pixel = [](int, int) { return 0u; };
};

inline QByteArray PackedDib(const Dib& s)
{
    QByteArray b;
    Put32(b, s.headerSize);
    if (s.headerSize == 40) {
        Put32(b, s.width);
        Put32(b, s.height);
        Put32(b, 1 | s.bits << 16); // planes, then bits per pixel
        for (quint32 v : {0u, 0u, 2835u, 2835u, s.colorsUsed, 0u}) // no compression, pixels per metre
            Put32(b, v);
    } else {
        for (int v : {s.width, s.height, 1, s.bits})
            Put16(b, v);
    }
    for (QRgb c : s.table) {
        b.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
        if (s.headerSize == 40)
            b.append('\0');
    }
    return b + Rows(s.width, s.height, s.bits, s.pixel);
}

inline QByteArray BmpFile(const Dib& s)
{
    const QByteArray dib = PackedDib(s);
    QByteArray f("BM");
    for (qint64 v : {14 + dib.size(), qint64(0), 14 + s.headerSize + s.table.size() * (s.headerSize == 40 ? 4 : 3)})
        Put32(f, v);
    return f + dib;
}

// An icon image stored as a bitmap: the header counts the picture and its
// 1-bit mask (1 = see-through) in the height. Here y runs top-down.
inline QByteArray IcoBitmap(int side, int bits, const QList<QRgb>& table, const PixelFn& pixel,
                            const std::function<bool(int, int)>& clear)
{
    QByteArray b = PackedDib({40, side, side, bits, table, quint32(table.size()),
                              [&](int x, int r) { return pixel(x, side - 1 - r); }});
    qToLittleEndian<quint32>(quint32(side * 2), b.data() + 8);
    return b + Rows(side, side, 1, [&](int x, int r) { return quint32(clear(x, side - 1 - r)); });
}

inline QByteArray IcoFile(const QList<QPair<int, QByteArray>>& images) // (bit depth, data)
{
    QByteArray b;
    for (int v : {0, 1, int(images.size())})
        Put16(b, v);
    qint64 offset = 6 + 16 * images.size();
    for (const auto& img : images) { // size bytes (0) are not trusted; one plane
        for (qint64 v : {qint64(0), 1 | qint64(img.first) << 16, img.second.size(), offset})
            Put32(b, v);
        offset += img.second.size();
    }
    for (const auto& img : images)
        b.append(img.second);
    return b;
}

inline QByteArray PngOf(int side, QRgb colour)
{
    QImage img(side, side, QImage::Format_ARGB32);
    img.fill(colour);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return bytes;
}

} // namespace bytes
