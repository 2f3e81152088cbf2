#include "BitmapBytes.h"
#include "TestEnv.h"
#include "theme/Dib.h"

#include <QPainter>
#include <QtTest>

using bytes::BmpFile;
using bytes::Dib;
using bytes::PackedDib;

using Pixels = QList<std::pair<QPoint, QRgb>>;
Q_DECLARE_METATYPE(Pixels)

namespace {

QList<QRgb> greyRamp(int n)
{
    QList<QRgb> t;
    for (int i = 0; i < n; ++i)
        t.append(qRgb(i * 255 / qMax(1, n - 1), (i * 7) & 0xFF, 255 - i * 255 / qMax(1, n - 1)));
    return t;
}

// A run-length coded file: header, full colour table, then the stream.
QByteArray rleFile(int width, int height, int bits, const QByteArray& stream)
{
    QByteArray file = BmpFile({.width = 1, .height = 1, .bits = bits, .table = greyRamp(1 << bits)});
    file.truncate(14 + 40 + (4 << bits));
    for (auto [at, v] : {std::pair{4, width}, {8, height}, {16, bits == 8 ? 1 : 2}})
        qToLittleEndian<quint32>(quint32(v), file.data() + 14 + at);
    return file + stream;
}

quint32 crc32(const QByteArray& data)
{
    quint32 c = 0xFFFFFFFFu;
    for (char ch : data) {
        c ^= uchar(ch);
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

// 5 x 4 opaque blue, but for a see-through top left pixel.
QByteArray png()
{
    QImage src(5, 4, QImage::Format_ARGB32);
    src.fill(qRgba(0, 0, 255, 255));
    src.setPixel(0, 0, qRgba(0, 0, 0, 0));
    return bytes::PngOf(src);
}

bool loadBytes(CDib& dib, const QByteArray& data)
{
    QBuffer buf;
    buf.setData(data);
    return buf.open(QIODevice::ReadOnly) && dib.LoadFromFile(buf);
}

QImage canvas(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    return img.fill(qRgb(1, 2, 3)), img;
}

int drawn(CDib& dib, QImage& img, const QRect& target, const QRect& source)
{
    QPainter p(&img);
    return dib.Draw(&p, target, source);
}

} // namespace

class TestDib : public QObject
{
    Q_OBJECT

private slots:
    // Every header and depth: sizes, table length, where the bits start, the
    // palette, and each pixel converted (the top row seen is the last one
    // stored). Drawing is checked below.
    void formats_data()
    {
        QTest::addColumn<int>("headerSize");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("colors");
        QTest::addColumn<int>("colorsUsed");
        QTest::newRow("core 1 bit") << 12 << 1 << 2 << 0;
        QTest::newRow("info 4 bit") << 40 << 4 << 16 << 0;
        QTest::newRow("info 8 bit, colours used shorten the table") << 40 << 8 << 16 << 16;
        QTest::newRow("124-byte header 4 bit") << 124 << 4 << 16 << 0;
        QTest::newRow("24 bit with a table") << 40 << 24 << 2 << 2;
    }

    void formats()
    {
        QFETCH(int, headerSize);
        QFETCH(int, bits);
        QFETCH(int, colors);
        const bool indexed = bits <= 8;
        // odd widths exercise the row padding
        const Dib s{headerSize, 11, 3, bits, greyRamp(colors), quint32(Fetch<int>("colorsUsed")), [&](int x, int y) {
                        return indexed ? quint32((x + 3 * y) % colors) : quint32(0x102030 + x * 0x10 + y * 0x1000);
                    }};
        const QByteArray dib = PackedDib(s);
        const int tableSize = colors * (headerSize >= 40 ? 4 : 3);
        CPalette pal;
        CDib d;
        QVERIFY(CreateDIBPalette(dib, pal) && loadBytes(d, BmpFile(s)) && d.m_hDIB == dib);
        QCOMPARE(QList<qint64>({DIBNumColors(dib), PaletteSize(dib), FindDIBBits(dib) - dib.constData(),
                                pal.GetEntryCount(), pal.m_entries[colors - 1], d.m_nWidth, d.m_nHeight, d.m_nColors}),
                 QList<qint64>({colors, tableSize, headerSize + tableSize, colors, s.table.last(), 11, 3, colors}));
        const QImage img = DIBToImage(dib);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 11; ++x) {
                const quint32 v = s.pixel(x, 2 - y);
                QCOMPARE(img.pixel(x, y), (indexed ? s.table[v] : v) | 0xFF000000);
            }
    }

    // Pixels with their own colours, drawn without a palette; a stretched copy
    // not blended, kept for the next identical paint; part of the bitmap (the
    // rows still bottom-up); a source reaching outside draws only what exists.
    void drawing_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QRect>("target");
        QTest::addColumn<QRect>("source");
        QTest::addColumn<int>("lines");
        QTest::addColumn<Pixels>("pixels"); // on a canvas of rgb(1, 2, 3)
        const auto trueColour = [](int headerSize, int bits, quint32 stored, QList<quint32> masks = {}) {
            return BmpFile({.headerSize = headerSize, .width = 3, .height = 2, .bits = bits,
                            .pixel = [=](int, int) { return stored; }, .compression = masks.isEmpty() ? 0u : 3u,
                            .masks = masks});
        };
        const QRect r32(0, 0, 3, 2);
        QTest::newRow("16 bit 5-5-5") << trueColour(40, 16, 0x7C1F) << r32 << r32 << 2 << Pixels{{{2, 1}, qRgb(255, 0, 255)}};
        QTest::newRow("16 bit 5-6-5 fields") << trueColour(40, 16, 0x07E0, {0xF800, 0x07E0, 0x001F}) << r32 << r32 << 2
                                             << Pixels{{{2, 1}, qRgb(0, 255, 0)}};
        QTest::newRow("32 bit") << trueColour(108, 32, 0xABCDEF) << r32 << r32 << 2 << Pixels{{{2, 1}, qRgb(0xAB, 0xCD, 0xEF)}};
        QTest::newRow("32 bit fields in a 124-byte header")
            << trueColour(124, 32, 0x332211, {0xFF, 0xFF00, 0xFF0000, 0xFF000000u}) << r32 << r32 << 2
            << Pixels{{{2, 1}, qRgb(0x11, 0x22, 0x33)}};
        // stored bottom row: red green; top row: blue yellow
        const QList<QRgb> four{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)};
        QTest::newRow("stretched") << BmpFile({40, 2, 2, 8, four, 4, [](int x, int y) { return quint32(y * 2 + x); }})
                                   << QRect(0, 0, 8, 8) << QRect(0, 0, 2, 2) << 2
                                   << Pixels{{{0, 0}, four[2]}, {{3, 3}, four[2]}, {{4, 3}, four[3]}, {{3, 4}, four[0]},
                                             {{7, 7}, four[1]}};
        // each stored row one colour: the lower half as seen is stored rows 1 and 0
        QTest::newRow("lower half") << BmpFile({40, 3, 4, 8, greyRamp(16), 16, [](int, int y) { return quint32(y); }})
                                    << r32 << QRect(0, 2, 3, 2) << 4
                                    << Pixels{{{1, 0}, greyRamp(16)[1]}, {{1, 1}, greyRamp(16)[0]}};
        // a PNG picture is drawn opaque
        QTest::newRow("PNG") << png() << QRect(0, 0, 5, 4) << QRect(0, 0, 5, 4) << 4
                             << Pixels{{{3, 3}, qRgb(0, 0, 255)}, {{0, 0}, qRgb(255, 255, 255)}};
        QTest::newRow("source outside") << BmpFile({40, 2, 2, 8, {0, qRgb(0, 200, 0)}, 2, [](int, int) { return 1u; }})
                                        << QRect(0, 0, 4, 4) << QRect(0, 0, 4, 4) << 2
                                        << Pixels{{{1, 1}, qRgb(0, 200, 0)}, {{3, 3}, qRgb(1, 2, 3)}};
    }

    void drawing()
    {
        QFETCH(QRect, target);
        QFETCH(QRect, source);
        CDib dib;
        QVERIFY(loadBytes(dib, Fetch<QByteArray>("file")) && !dib.m_pPalette == (dib.m_nColors == 0));
        QImage img = canvas(target.right() + 1, target.bottom() + 1);
        {
            QPainter p(&img);
            p.setRenderHint(QPainter::SmoothPixmapTransform); // must not blend
            for (int i = 0; i < 2; ++i) // the second from the kept copy
                QTEST(dib.Draw(&p, target, source), "lines");
        }
        for (const auto& [at, colour] : Fetch<Pixels>("pixels"))
            QCOMPARE(img.pixel(at), colour);
    }

    // A run never moves past its row's end, however long the stream: 2^31
    // pixels of runs in a 16 x 16 picture once wrapped the column counter.
    void runsStayInTheirRow()
    {
        QByteArray runs;
        runs.reserve(2 * 8421505);
        for (int i = 0; i < 8421505; ++i)
            runs.append("\xff\x07", 2);
        CDib dib;
        QVERIFY(loadBytes(dib, rleFile(16, 16, 8, runs)));
        QImage img = DIBToImage(dib.m_hDIB);
        QVERIFY(img.pixel(15, 15) == greyRamp(256)[7] && img.pixel(0, 14) == greyRamp(256)[0]);

        // a literal longer than the row, then a move far right and a run
        QVERIFY(loadBytes(dib, rleFile(4, 2, 8, QByteArray::fromHex("000a0102030405060708090a" "0002ff00" "0209"))));
        img = DIBToImage(dib.m_hDIB);
        for (int x = 0; x < 4; ++x)
            QCOMPARE(img.pixel(x, 1), greyRamp(256)[x + 1]);
        QCOMPARE(img.pixel(3, 0), greyRamp(256)[0]);
    }

    // Run-length coded pictures: runs, literals (padded to 16 bits), a skip,
    // line and picture ends; the rows still run bottom-up.
    void runLengthCodedBitmaps_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<QByteArray>("stream");
        // 4 x 3: bottom row 1 1 1 2, middle row 3 4 5 (then 0), top row skipped to x=2: 0 0 6 6.
        QTest::newRow("8 bit") << 8 << QByteArray::fromHex("03010102" "0000" "0003030405" "00" "0000" "00020200" "020600" "01");
        QTest::newRow("4 bit") << 4 << QByteArray::fromHex("03110120" "0000" "00033450" "0000" "00020200" "0266" "0001");
    }

    void runLengthCodedBitmaps()
    {
        QFETCH(int, bits);
        CDib dib;
        QVERIFY(loadBytes(dib, rleFile(4, 3, bits, Fetch<QByteArray>("stream"))));
        const QImage img = DIBToImage(dib.m_hDIB);
        const QList<QRgb> table = greyRamp(1 << bits);
        const int expected[3][4] = {{0, 0, 6, 6}, {3, 4, 5, 0}, {1, 1, 1, 2}}; // top row first
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                QCOMPARE(img.pixel(x, y), table[expected[y][x]]);
    }

    void damagedOrUnsupportedFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("data");
        const QByteArray ok = BmpFile({.table = greyRamp(256)});
        const auto patched = [&ok](int at, quint32 v) {
            QByteArray b = ok;
            qToLittleEndian<quint32>(v, b.data() + at);
            return b;
        };
        QTest::newRow("not BM") << "XM" + ok.mid(2);
        QTest::newRow("file header only") << ok.left(14);
        QTest::newRow("colour table cut") << ok.left(14 + 40 + 500);
        QTest::newRow("bits cut") << ok.left(ok.size() - 1);
        QTest::newRow("zero width") << BmpFile({.width = 0, .table = greyRamp(256)});
        QTest::newRow("colours used beyond the data") << patched(14 + 32, 0x40000000u);
        QTest::newRow("compression of another depth") << patched(14 + 16, 2u);
        QTest::newRow("bit fields of 8 bits") << patched(14 + 16, 3u);
        QTest::newRow("bit fields not one run") << BmpFile({.bits = 16, .compression = 3, .masks = {0xF00F, 0x0F00, 0xF0}});
        // sizes whose product overflows 32 bits, or beyond any background
        QByteArray square = BmpFile({.width = 1, .height = 1, .bits = 24}) + QByteArray(16, '\0');
        for (int at : {14 + 4, 14 + 8})
            qToLittleEndian<quint32>(0x7FFFFFFFu, square.data() + at);
        QTest::newRow("74 bytes claiming 2^31-1 square") << square;
        QTest::newRow("65 megapixels") << BmpFile({.width = 65 * 1024, .height = 1024, .bits = 1, .table = greyRamp(2)});
        QByteArray hugePng = png(); // claiming 30000 x 30000
        for (int at : {16, 20})
            qToBigEndian<quint32>(30000, hugePng.data() + at);
        qToBigEndian<quint32>(crc32(hugePng.mid(12, 17)), hugePng.data() + 29);
        QTest::newRow("PNG of 30000 square") << hugePng;
        QTest::newRow("run-length coded 1000 square in 1 KB") << rleFile(1000, 1000, 8, QByteArray(1000, '\x01'));
        QTest::newRow("run-length coded 1032 x 65535") << rleFile(1032, 65535, 4, QByteArray(600, '\x11'));
        QTest::newRow("run-length without its stream") << rleFile(4, 4, 8, QByteArray(1, '\0'));
    }

    void damagedOrUnsupportedFilesAreRefused()
    {
        CDib dib;
        QVERIFY(!loadBytes(dib, Fetch<QByteArray>("data")) && dib.IsEmpty());
        QImage img = canvas(4, 4);
        QCOMPARE(drawn(dib, img, QRect(0, 0, 4, 4), QRect(0, 0, 4, 4)), 0);
        QCOMPARE(img.pixel(0, 0), qRgb(1, 2, 3));
    }

    void secondLoadReplacesFirstFailureEmptiesAndPaths()
    {
        const Dib b{.headerSize = 12, .width = 3, .height = 9, .bits = 4, .table = greyRamp(16)};
        CDib dib;
        QVERIFY(loadBytes(dib, BmpFile({.width = 7, .height = 5, .table = greyRamp(256)})));
        QVERIFY(loadBytes(dib, BmpFile(b)) && dib.m_nWidth == 3 && dib.m_nHeight == 9 && dib.m_hDIB == PackedDib(b));
        // the conversion kept for drawing follows the new bitmap too
        QImage img = canvas(3, 9);
        QVERIFY(drawn(dib, img, QRect(0, 0, 3, 9), QRect(0, 0, 3, 9)) == 9 && img.pixel(0, 0) == (b.table[0] | 0xFF000000));

        QVERIFY(!loadBytes(dib, QByteArray("BMgarbage")) && dib.IsEmpty());

        // by path
        TestEnv env;
        QVERIFY(TestEnv::writeAll(env.path("bg.bmp"), BmpFile({.table = greyRamp(256)})));
        QVERIFY(dib.LoadFromFile(env.path("bg.bmp")));
        QVERIFY(!dib.LoadFromFile(env.path("missing.bmp")) && dib.IsEmpty());
    }
};

QTEST_MAIN(TestDib)
#include "tst_dib.moc"
