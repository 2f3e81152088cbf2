#pragma once
// Bitmap and icon files built byte by byte for the picture readers' tests:
// little-endian fields, colour tables, rows padded to 4 bytes, bottom row first.

#include <QBuffer>
#include <QImage>
#include <QList>
#include <QtEndian>
#include <functional>

namespace bytes {

inline void Put16(QByteArray& b, qint64 v) { b.append(char(v)).append(char(v >> 8)); }
inline void Put32(QByteArray& b, qint64 v) { Put16(b, v), Put16(b, v >> 16); }

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
    int headerSize = 40, width = 4, height = 4, bits = 8;
    QList<QRgb> table;
    quint32 colorsUsed = 0;
    PixelFn pixel = [](int, int) { return 0u; };
    quint32 compression = 0;
    QList<quint32> masks; // bit fields: after a 40-byte header, inside the longer ones
};

inline QByteArray PackedDib(const Dib& s)
{
    QByteArray b;
    Put32(b, s.headerSize);
    if (s.headerSize >= 40) {
        // planes and bits per pixel, then pixels per metre
        for (quint32 v : {quint32(s.width), quint32(s.height), quint32(1 | s.bits << 16), s.compression, 0u, 2835u,
                          2835u, s.colorsUsed, 0u})
            Put32(b, v);
        for (quint32 m : s.masks)
            Put32(b, m);
        b.append(qMax(0, s.headerSize - int(b.size())), '\0');
    } else {
        for (int v : {s.width, s.height, 1, s.bits})
            Put16(b, v);
    }
    for (QRgb c : s.table) {
        b.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
        if (s.headerSize >= 40)
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
    Put32(b, 1 << 16), Put16(b, images.size()); // reserved, type 1 (icons), count
    qint64 offset = 6 + 16 * images.size();
    for (const auto& img : images) { // size bytes (0) are not trusted; one plane
        for (qint64 v : {qint64(0), 1 | qint64(img.first) << 16, img.second.size(), offset})
            Put32(b, v);
        offset += img.second.size();
    }
    for (const auto& img : images) b.append(img.second);
    return b;
}

// A Windows program file (PE, one resource section) holding icon groups:
// each group a list of icon images; groups and images get resource ids
// 1, 2, ... in order. The section's file offset is 0x200; its tree starts
// with the root (32 bytes), the icon and group levels, one language level
// (24 bytes) per resource, then the data entries (16 bytes, icons first).
inline QByteArray PeFile(const QList<QList<QByteArray>>& groups)
{
    QList<QByteArray> icons, groupData;
    for (const auto& g : groups) {
        QByteArray d;
        Put32(d, 1 << 16), Put16(d, g.size()); // as an icon file's header
        for (const QByteArray& image : g) { // 16 x 16, one plane of 8 bits, size, id
            icons << image;
            d.append("\x10\x10\0\0", 4), Put32(d, 1 | 8 << 16), Put32(d, image.size()), Put16(d, icons.size());
        }
        groupData << d;
    }
    constexpr int kAddress = 0x1000;
    const int n = int(icons.size() + groupData.size());
    const int languages = 32 + 16 + 8 * int(icons.size()) + 16 + 8 * int(groupData.size());
    const int entries = languages + 24 * n;
    int blob = entries + 16 * n;
    QByteArray tree;
    auto dir = [&](const QList<QPair<quint32, quint32>>& list) {
        tree.append(12, '\0');
        Put32(tree, qint64(list.size()) << 16); // no named entries, then the id entries
        for (const auto& e : list)
            Put32(tree, e.first), Put32(tree, e.second);
    };
    dir({{3, 0x80000000u | 32}, {14, 0x80000000u | (48 + 8 * int(icons.size()))}});
    int k = 0;
    for (const auto* list : {&icons, &groupData}) {
        QList<QPair<quint32, quint32>> names;
        for (int i = 0; i < list->size(); ++i, ++k)
            names.append({quint32(i + 1), 0x80000000u | quint32(languages + 24 * k)});
        dir(names);
    }
    for (int i = 0; i < n; ++i)
        dir({{0x409, quint32(entries + 16 * i)}});
    for (const auto* list : {&icons, &groupData})
        for (const QByteArray& d : *list)
            Put32(tree, kAddress + blob), Put32(tree, d.size()), tree.append(8, '\0'), blob += d.size();
    tree += (icons + groupData).join();

    QByteArray f = "MZ" + QByteArray(0x3C - 2, '\0');
    Put32(f, 64);
    f += QByteArray("PE\0\0\x4c\x01\x01\0", 8) + QByteArray(12, '\0'); // one section
    Put32(f, 224 | 0x102 << 16); // optional header size, flags
    QByteArray opt(224, '\0'); // magic, directory count, the resource directory's address and size
    qToLittleEndian<quint16>(0x10B, opt.data());
    for (auto [at, v] : {std::pair{92, 16}, {96 + 16, kAddress}, {96 + 20, int(tree.size())}})
        qToLittleEndian<quint32>(quint32(v), opt.data() + at);
    f += opt + QByteArray(".rsrc\0\0\0", 8);
    for (qint64 v : {tree.size(), qint64(kAddress), tree.size(), qint64(0x200)})
        Put32(f, v);
    f.append(0x200 - f.size(), '\0');
    return f + tree;
}

inline QByteArray PngOf(const QImage& img)
{
    QByteArray bytes;
    QBuffer buf(&bytes);
    return buf.open(QIODevice::WriteOnly) && img.save(&buf, "PNG") ? bytes : QByteArray();
}

inline QByteArray PngOf(int side, QRgb colour)
{
    QImage img(side, side, QImage::Format_ARGB32);
    return img.fill(colour), PngOf(img);
}

} // namespace bytes
