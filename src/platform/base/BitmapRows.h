#pragma once
// Pixel rows of bitmaps (.bmp files, the images inside icons and program
// resources): 1, 4 and 8 bits through a colour table, 16 and 32 bits through
// channel masks, 24 bits as blue, green, red. One row at a time, bounded by
// the caller: it checks that a whole row of RowBytes() is there first.
// Header only, on QtGui's colour type; used by theme/ and platform/shell.

#include <QRgb>
#include <QtGlobal>
#include <bit>

namespace bmp {

// Bytes of one stored row: padded to a multiple of 4. 64-bit, so a hostile
// width cannot wrap it.
constexpr qint64 RowBytes(qint64 width, int bits) { return ((width * bits + 31) / 32) * 4; }

// Where each channel of a 16- or 32-bit pixel lies. An alpha mask of 0
// means opaque.
struct ChannelMasks
{
    quint32 red = 0, green = 0, blue = 0, alpha = 0;
};

// The masks a bitmap without its own means: 5-5-5 for 16 bits, 8-8-8 for 32.
constexpr ChannelMasks DefaultMasks(int bits)
{
    return bits == 16 ? ChannelMasks{0x7C00, 0x03E0, 0x001F, 0} : ChannelMasks{0xFF0000, 0xFF00, 0xFF, 0};
}

// A mask must be one run of set bits (or none), else the pixel has no
// meaning.
constexpr bool MaskUsable(quint32 m)
{
    if (m == 0)
        return true;
    const quint32 run = m >> std::countr_zero(m);
    return (run & (run + 1)) == 0;
}

constexpr bool MasksUsable(const ChannelMasks& m)
{
    return MaskUsable(m.red) && MaskUsable(m.green) && MaskUsable(m.blue) && MaskUsable(m.alpha)
        && (m.red | m.green | m.blue) != 0;
}

class RowDecoder
{
public:
    // table: 1 << bits entries for depths up to 8 (the caller pads a short
    // colour table); ignored for deeper pixels. masks: for 16 and 32 bits.
    RowDecoder(int bits, const QRgb* table, const ChannelMasks& masks = {})
        : m_bits(bits), m_table(table)
    {
        const ChannelMasks m = (masks.red | masks.green | masks.blue) ? masks : DefaultMasks(bits);
        m_plain32 = bits == 32 && m.red == 0xFF0000 && m.green == 0xFF00 && m.blue == 0xFF;
        m_alphaPlain32 = m_plain32 && m.alpha == 0xFF000000u;
        m_plain32 = m_plain32 && (m.alpha == 0 || m_alphaPlain32);
        m_channels[0] = Channel(m.red);
        m_channels[1] = Channel(m.green);
        m_channels[2] = Channel(m.blue);
        m_channels[3] = Channel(m.alpha);
    }

    // Decodes width pixels of one stored row into out.
    void Decode(const uchar* row, int width, QRgb* out) const
    {
        switch (m_bits) {
        case 1:
            for (int x = 0; x < width; ++x)
                out[x] = m_table[(row[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            for (int x = 0; x < width; ++x)
                out[x] = m_table[(x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4)];
            break;
        case 8:
            for (int x = 0; x < width; ++x)
                out[x] = m_table[row[x]];
            break;
        case 16:
            for (int x = 0; x < width; ++x)
                out[x] = Masked(quint32(row[2 * x] | (row[2 * x + 1] << 8)));
            break;
        case 24:
            for (int x = 0; x < width; ++x)
                out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
            break;
        case 32:
            if (m_alphaPlain32) {
                for (int x = 0; x < width; ++x)
                    out[x] = qRgba(row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]);
            } else if (m_plain32) {
                for (int x = 0; x < width; ++x)
                    out[x] = qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
            } else {
                for (int x = 0; x < width; ++x)
                    out[x] = Masked(quint32(row[4 * x]) | quint32(row[4 * x + 1]) << 8 | quint32(row[4 * x + 2]) << 16
                                    | quint32(row[4 * x + 3]) << 24);
            }
            break;
        default:
            break;
        }
    }

private:
    struct Channel
    {
        Channel() = default;
        explicit Channel(quint32 m)
            : mask(m), shift(m ? std::countr_zero(m) : 0), length(std::popcount(m))
        {
        }
        // The channel's value scaled to 0..255.
        int Value(quint32 pixel) const
        {
            const quint32 v = (pixel & mask) >> shift;
            if (length >= 8)
                return int(v >> (length - 8));
            return int(v * 255 / ((1u << length) - 1));
        }
        quint32 mask = 0;
        int shift = 0;
        int length = 0;
    };

    QRgb Masked(quint32 v) const
    {
        const int a = m_channels[3].mask ? m_channels[3].Value(v) : 255;
        return qRgba(m_channels[0].mask ? m_channels[0].Value(v) : 0, m_channels[1].mask ? m_channels[1].Value(v) : 0,
                     m_channels[2].mask ? m_channels[2].Value(v) : 0, a);
    }

    int m_bits;
    const QRgb* m_table;
    bool m_plain32 = false;
    bool m_alphaPlain32 = false;
    Channel m_channels[4];
};

} // namespace bmp
