#include "BitmapBytes.h"
#include "TestEnv.h"
#include "theme/Dib.h"

#include <QPainter>
#include <QtTest>

using bytes::BmpFile;
using bytes::Dib;
using bytes::PackedDib;

namespace {

QList<QRgb> greyRamp(int n)
{
    QList<QRgb> t;
    for (int i = 0; i < n; ++i)
        t.append(qRgb(i * 255 / qMax(1, n - 1), (i * 7) & 0xFF, 255 - i * 255 / qMax(1, n - 1)));
    return t;
}

bool loadBytes(CDib& dib, const QByteArray& data)
{
    QBuffer buf;
    buf.setData(data);
    buf.open(QIODevice::ReadOnly);
    return dib.LoadFromFile(buf);
}

QImage canvas(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(qRgb(1, 2, 3));
    return img;
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
        QTest::newRow("core 8 bit") << 12 << 8 << 256 << 0;
        QTest::newRow("info 4 bit") << 40 << 4 << 16 << 0;
        QTest::newRow("info 8 bit, full table") << 40 << 8 << 256 << 0;
        QTest::newRow("info 8 bit, colours used shorten the table") << 40 << 8 << 16 << 16;
        QTest::newRow("24 bit with a table") << 40 << 24 << 2 << 2;
    }

    void formats()
    {
        QFETCH(int, headerSize);
        QFETCH(int, bits);
        QFETCH(int, colors);
        QFETCH(int, colorsUsed);
        const bool indexed = bits <= 8;
        // odd widths exercise the row padding
        const Dib s{headerSize, 11, 3, bits, greyRamp(colors), quint32(colorsUsed), [&](int x, int y) {
                        return indexed ? quint32((x + 3 * y) % colors) : quint32(0x102030 + x * 0x10 + y * 0x1000);
                    }};
        const QByteArray dib = PackedDib(s);
        QCOMPARE(DIBNumColors(dib), quint32(colors));
        QCOMPARE(PaletteSize(dib), quint32(colors * (headerSize == 40 ? 4 : 3)));
        QCOMPARE(FindDIBBits(dib) - dib.constData(), headerSize + qint64(PaletteSize(dib)));
        CPalette pal;
        QVERIFY(CreateDIBPalette(dib, pal));
        QCOMPARE(pal.GetEntryCount(), colors);
        QCOMPARE(pal.m_entries[colors - 1], s.table.last());

        CDib d;
        QVERIFY(loadBytes(d, BmpFile(s)));
        QCOMPARE(d.m_hDIB, dib);
        QCOMPARE(QSize(d.m_nWidth, d.m_nHeight), QSize(11, 3));
        QCOMPARE(d.m_nColors, quint32(colors));
        const QImage img = DIBToImage(dib);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 11; ++x) {
                const quint32 v = s.pixel(x, 2 - y);
                QCOMPARE(img.pixel(x, y), (indexed ? s.table[v] : v) | 0xFF000000);
            }
    }

    void stretchedWhenSizesDiffer()
    {
        // stored bottom row: 0 1; top row: 2 3
        const Dib s{40, 2, 2, 8, {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)}, 4,
                    [](int x, int y) { return quint32(y * 2 + x); }};
        CDib dib;
        QVERIFY(loadBytes(dib, BmpFile(s)));
        QImage img = canvas(8, 8);
        {
            QPainter p(&img);
            p.setRenderHint(QPainter::SmoothPixmapTransform); // must not blend
            QVERIFY(dib.DrawWithPalette(&p, QRect(0, 0, 8, 8), QRect(0, 0, 2, 2)) > 0);
            // a second, identical paint comes from the kept stretched copy
            QVERIFY(dib.Draw(&p, QRect(0, 0, 8, 8), QRect(0, 0, 2, 2)) > 0);
        }
        QCOMPARE(img.pixel(0, 0), qRgb(0, 0, 255));
        QCOMPARE(img.pixel(3, 3), qRgb(0, 0, 255));
        QCOMPARE(img.pixel(4, 3), qRgb(255, 255, 0));
        QCOMPARE(img.pixel(3, 4), qRgb(255, 0, 0));
        QCOMPARE(img.pixel(7, 7), qRgb(0, 255, 0));
    }

    void partsOfTheBitmap()
    {
        // each stored row one colour
        const Dib s{40, 3, 4, 8, greyRamp(16), 16, [](int, int y) { return quint32(y); }};
        CDib dib;
        QVERIFY(loadBytes(dib, BmpFile(s)));
        QImage img = canvas(3, 2);
        QCOMPARE(drawn(dib, img, QRect(0, 0, 3, 2), QRect(0, 2, 3, 2)), 4);
        // the lower half as seen is stored rows 1 (upper) and 0 (bottom)
        QCOMPARE(img.pixel(1, 0), s.table[1] | 0xFF000000);
        QCOMPARE(img.pixel(1, 1), s.table[0] | 0xFF000000);

        // a source reaching outside the bitmap draws only what exists
        const Dib small{40, 2, 2, 8, {qRgb(200, 0, 0), qRgb(0, 200, 0)}, 2, [](int, int) { return 1u; }};
        QVERIFY(loadBytes(dib, BmpFile(small)));
        QImage big = canvas(4, 4);
        QCOMPARE(drawn(dib, big, QRect(0, 0, 4, 4), QRect(0, 0, 4, 4)), 2);
        QCOMPARE(big.pixel(1, 1), qRgb(0, 200, 0));
        QCOMPARE(big.pixel(3, 3), qRgb(1, 2, 3));
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
        QFETCH(QByteArray, stream);
        QByteArray file = BmpFile({.width = 4, .height = 3, .bits = bits, .table = greyRamp(1 << bits),
                                   .colorsUsed = 0, .pixel = [](int, int) { return 0u; }});
        const int bitsAt = 14 + 40 + (1 << bits) * 4;
        file.truncate(bitsAt);
        file += stream;
        qToLittleEndian<quint32>(bits == 8 ? 1u : 2u, file.data() + 14 + 16);
        CDib dib;
        QVERIFY(loadBytes(dib, file));
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
        QTest::newRow("24 bit without table") << BmpFile({.bits = 24, .pixel = [](int, int) { return 0x123456u; }});
        QTest::newRow("zero width") << BmpFile({.width = 0, .table = greyRamp(256)});
        QTest::newRow("size beyond the data") << patched(14 + 4, 0x7FFFFFF0u); // width
        QTest::newRow("colours used beyond the data") << patched(14 + 32, 0x40000000u);
        QTest::newRow("compression of another depth") << patched(14 + 16, 2u);
        QTest::newRow("bit fields") << patched(14 + 16, 3u);
    }

    void damagedOrUnsupportedFilesAreRefused()
    {
        QFETCH(QByteArray, data);
        CDib dib;
        QVERIFY(!loadBytes(dib, data));
        QVERIFY(dib.IsEmpty());
        QImage img = canvas(4, 4);
        QCOMPARE(drawn(dib, img, QRect(0, 0, 4, 4), QRect(0, 0, 4, 4)), 0);
        QCOMPARE(img.pixel(0, 0), qRgb(1, 2, 3));
    }

    void secondLoadReplacesFirstFailureEmptiesAndPaths()
    {
        const Dib b{.headerSize = 12, .width = 3, .height = 9, .bits = 4, .table = greyRamp(16)};
        CDib dib;
        QVERIFY(loadBytes(dib, BmpFile({.width = 7, .height = 5, .table = greyRamp(256)})));
        QVERIFY(loadBytes(dib, BmpFile(b)));
        QCOMPARE(QSize(dib.m_nWidth, dib.m_nHeight), QSize(3, 9));
        QCOMPARE(dib.m_hDIB, PackedDib(b));
        // the conversion kept for drawing follows the new bitmap too
        QImage img = canvas(3, 9);
        QCOMPARE(drawn(dib, img, QRect(0, 0, 3, 9), QRect(0, 0, 3, 9)), 9);
        QCOMPARE(img.pixel(0, 0), b.table[0] | 0xFF000000);

        QVERIFY(!loadBytes(dib, QByteArray("BMgarbage")));
        QVERIFY(dib.IsEmpty());
        QCOMPARE(dib.m_nWidth, 0);

        // by path and by resource id
        TestEnv env;
        QVERIFY(TestEnv::writeAll(env.path("bg.bmp"), BmpFile({.table = greyRamp(256)})));
        QVERIFY(dib.LoadFromFile(env.path("bg.bmp")));
        QVERIFY(!dib.LoadFromFile(env.path("missing.bmp")));
        QVERIFY(dib.IsEmpty());
        QVERIFY(!dib.LoadFromResource(1));
    }
};

QTEST_MAIN(TestDib)
#include "tst_dib.moc"
