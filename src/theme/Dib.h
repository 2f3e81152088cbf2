#pragma once
// A device-independent bitmap held packed (header, colour table, pixel bits,
// the layout of a .bmp file without its 14-byte file header), with the
// palette made from its colour table, drawn one to one or stretched.
//
// Two header forms exist, told apart by the header's first 32-bit field:
// 40 is the info header (32-bit width and height, colours-used count, 4-byte
// colour entries), and 108 and 124 are that header with fields appended;
// anything else is read as the 12-byte core header (16-bit width and height,
// 3-byte colour entries).
//
// 1-, 4- and 8-bit bitmaps come with their palette. 16-, 24- and 32-bit ones
// (also with channel masks) and PNG and JPEG pictures are drawn too, without
// one. Pictures are bounded (64 megapixels) and must hold all they claim.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QRgb>
#include <QString>
#include <memory>

class QIODevice;
class QPainter;

// The logical palette built from a bitmap's colour table.
class CPalette
{
public:
    QList<QRgb> m_entries;

    int GetEntryCount() const { return int(m_entries.size()); }
    bool IsEmpty() const { return m_entries.isEmpty(); }
};

// The free bitmap functions take the packed bitmap. A bitmap too short for
// the field asked for gives 0.
quint32 DIBNumColors(const QByteArray& dib);
quint32 PaletteSize(const QByteArray& dib);
// Address of the pixel bits: header + header size + colour table.
const char* FindDIBBits(const QByteArray& dib);
qint32 DIBWidth(const QByteArray& dib);
qint32 DIBHeight(const QByteArray& dib);

// Fills the palette from the colour table; false when there is none.
bool CreateDIBPalette(const QByteArray& dib, CPalette& palette);

// Draws the bitmap's source rectangle into the destination rectangle: one to
// one when both have the same size, stretched otherwise (nearest pixel, as
// colour-on-colour stretching does). Returns the scan lines drawn, 0 for no
// bitmap. The palette is accepted for the caller's sake: true-colour painters
// take the colours from the bitmap's own table.
int PaintDIB(QPainter* dc, const QRect& destination, const QByteArray& dib, const QRect& source,
             const CPalette* palette);

// The packed bitmap of bitmap resource id (":/bitmaps/<id>.bmp"); null when
// there is none or it is damaged.
QByteArray ReadDIBResource(int id);
// The packed bitmap of an open .bmp file; null for a file that does not begin
// with "BM", is cut short, or whose header and colour table do not add up.
QByteArray ReadDIBFile(QIODevice& file);
// A PNG or JPEG picture of an open file, opaque; null for anything else or
// a picture too large for a background.
QImage ReadPictureFile(QIODevice& file);

// The bitmap as an image in top-down row order; null when the pixel format is
// one this program does not draw.
QImage DIBToImage(const QByteArray& dib);

class CDib
{
public:
    CDib();
    virtual ~CDib();
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    bool LoadFromResource(int id);
    // A .bmp file, or a PNG or JPEG picture (held as an image: m_hDIB stays
    // null, and there is no palette).
    bool LoadFromFile(QIODevice& file);
    bool LoadFromFile(const QString& path);

    int Draw(QPainter* dc, const QRect& destination, const QRect& source,
             const CPalette* palette = nullptr);
    int DrawWithPalette(QPainter* dc, const QRect& destination, const QRect& source);
    void Free();

    bool IsEmpty() const { return m_hDIB.isNull() && m_image.isNull(); }

    QByteArray m_hDIB;                    // the packed bitmap; null when empty
    std::unique_ptr<CPalette> m_pPalette; // built from the colour table; null without one
    qint32 m_nHeight = 0;
    qint32 m_nWidth = 0;
    quint32 m_nColors = 0;                // low 16 bits of the colour count

private:
    bool Adopt(QByteArray dib);

    // Repainting a large background must not convert or rescale it each
    // time: the converted image and the last stretched copy are kept.
    QImage m_image;
    QImage m_scaled;
    QRect m_scaledSource;
    QSize m_scaledSize;
};
