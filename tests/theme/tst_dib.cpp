#include "TestEnv.h"
#include "theme/Dib.h"

#include <QBuffer>
#include <QPainter>
#include <QtEndian>
#include <QtTest>
#include <functional>

namespace {

void put16(QByteArray& b, int v)
{
    char x[2];
    qToLittleEndian<quint16>(quint16(v), x);
    b.append(x, 2);
}

void put32(QByteArray& b, qint64 v)
{
    char x[4];
    qToLittleEndian<quint32>(quint32(v), x);
    b.append(x, 4);
}

// A .bmp built byte by byte. pixel(x, storedRow) gives the index (or the
// 0xRRGGBB colour for 24 bits) of the pixel in stored row order, row 0 being
// the bottom row of the picture.
struct BmpSpec
{
    int headerSize = 40;
    int width = 4;
    int height = 4;
    int bits = 8;
    QList<QRgb> table;
    quint32 colorsUsed = 0;
    std::function<quint32(int, int)> pixel = [](int, int) { return 0u; };
};

QByteArray packedDib(const BmpSpec& s)
{
    QByteArray b;
    put32(b, s.headerSize);
    if (s.headerSize == 40) {
        put32(b, s.width);
        put32(b, s.height);
        put16(b, 1);
        put16(b, s.bits);
        put32(b, 0); // no compression
        put32(b, 0);
        put32(b, 2835);
        put32(b, 2835);
        put32(b, s.colorsUsed);
        put32(b, 0);
    } else {
        put16(b, s.width);
        put16(b, s.height);
        put16(b, 1);
        put16(b, s.bits);
    }
    for (QRgb c : s.table) {
        b.append(char(qBlue(c)));
        b.append(char(qGreen(c)));
        b.append(char(qRed(c)));
        if (s.headerSize == 40)
            b.append(char(0));
    }
    const int stride = ((s.width * s.bits + 31) / 32) * 4;
    for (int y = 0; y < s.height; ++y) {
        QByteArray row(stride, '\0');
        for (int x = 0; x < s.width; ++x) {
            const quint32 v = s.pixel(x, y);
            switch (s.bits) {
            case 1:
                row[x / 8] = char(row[x / 8] | (v & 1) << (7 - x % 8));
                break;
            case 4:
                row[x / 2] = char(row[x / 2] | ((x % 2) ? (v & 15) : (v & 15) << 4));
                break;
            case 8:
                row[x] = char(v);
                break;
            case 24:
                row[3 * x] = char(v & 0xFF);
                row[3 * x + 1] = char((v >> 8) & 0xFF);
                row[3 * x + 2] = char((v >> 16) & 0xFF);
                break;
            }
        }
        b.append(row);
    }
    return b;
}

QByteArray bmpFile(const BmpSpec& s)
{
    const QByteArray dib = packedDib(s);
    QByteArray f("BM");
    put32(f, 14 + dib.size());
    put32(f, 0);
    put32(f, 14 + s.headerSize + s.table.size() * (s.headerSize == 40 ? 4 : 3));
    return f + dib;
}

QList<QRgb> greyRamp(int n)
{
    QList<QRgb> t;
    for (int i = 0; i < n; ++i)
        t.append(qRgb(i * 255 / qMax(1, n - 1), (i * 7) & 0xFF, 255 - i * 255 / qMax(1, n - 1)));
    return t;
}

bool loadBytes(CDib& dib, const QByteArray& bytes)
{
    QBuffer buf;
    buf.setData(bytes);
    buf.open(QIODevice::ReadOnly);
    return dib.LoadFromFile(buf);
}

QImage canvas(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(qRgb(1, 2, 3));
    return img;
}

} // namespace

class TestDib : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_env = std::make_unique<TestEnv>(); }
    void cleanup() { m_env.reset(); }

    void eightBitWithFullTableLoads()
    {
        BmpSpec s;
        s.width = 5;
        s.height = 3;
        s.table = greyRamp(256);
        s.pixel = [](int x, int y) { return quint32(x * 10 + y); };
        CDib dib;
        QVERIFY(loadBytes(dib, bmpFile(s)));
        QCOMPARE(dib.m_nColors, 256u);
        QCOMPARE(dib.m_nWidth, 5);
        QCOMPARE(dib.m_nHeight, 3);
        QVERIFY(dib.m_pPalette);
        QCOMPARE(dib.m_pPalette->GetEntryCount(), 256);
        QCOMPARE(dib.m_pPalette->m_entries[17], s.table[17]);
        QCOMPARE(FindDIBBits(dib.m_hDIB) - dib.m_hDIB.constData(), 40 + 1024);

        // One to one: every pixel, top row of the picture = last stored row.
        QImage img = canvas(5, 3);
        {
            QPainter p(&img);
            QCOMPARE(dib.Draw(&p, QRect(0, 0, 5, 3), QRect(0, 0, 5, 3)), 3);
        }
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                QCOMPARE(img.pixel(x, y), s.table[x * 10 + (2 - y)] | 0xFF000000);
    }

    void stretchedWhenSizesDiffer()
    {
        BmpSpec s;
        s.width = 2;
        s.height = 2;
        s.table = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)};
        s.colorsUsed = 4;
        // stored bottom row: 0 1; top row: 2 3
        s.pixel = [](int x, int y) { return quint32(y * 2 + x); };
        CDib dib;
        QVERIFY(loadBytes(dib, bmpFile(s)));
        QCOMPARE(dib.m_nColors, 4u);
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

    void lowerHalfOneToOneReadsBottomRows()
    {
        BmpSpec s;
        s.width = 3;
        s.height = 4;
        s.table = greyRamp(16);
        s.colorsUsed = 16;
        s.pixel = [](int, int y) { return quint32(y); }; // each stored row one colour
        CDib dib;
        QVERIFY(loadBytes(dib, bmpFile(s)));
        QImage img = canvas(3, 2);
        {
            QPainter p(&img);
            QCOMPARE(dib.Draw(&p, QRect(0, 0, 3, 2), QRect(0, 2, 3, 2)), 4);
        }
        // the lower half as seen is stored rows 1 (upper) and 0 (bottom)
        QCOMPARE(img.pixel(1, 0), s.table[1] | 0xFF000000);
        QCOMPARE(img.pixel(1, 1), s.table[0] | 0xFF000000);

        // the free function draws the same without a CDib
        QImage img2 = canvas(3, 2);
        {
            QPainter p(&img2);
            QCOMPARE(PaintDIB(&p, QRect(0, 0, 3, 2), dib.m_hDIB, QRect(0, 2, 3, 2), dib.m_pPalette.get()), 4);
        }
        QCOMPARE(img2, img);
    }

    void colorsUsedShortensTheTable()
    {
        BmpSpec s;
        s.width = 4;
        s.height = 2;
        s.table = greyRamp(16);
        s.colorsUsed = 16;
        s.pixel = [](int x, int) { return quint32(15 - x); };
        const QByteArray dib = packedDib(s);
        QCOMPARE(DIBNumColors(dib), 16u);
        QCOMPARE(PaletteSize(dib), 64u);
        QCOMPARE(FindDIBBits(dib) - dib.constData(), 40 + 16 * 4);
        CPalette pal;
        QVERIFY(CreateDIBPalette(dib, pal));
        QCOMPARE(pal.GetEntryCount(), 16);
        QCOMPARE(pal.m_entries[15], s.table[15]);
        const QImage img = DIBToImage(dib);
        QCOMPARE(img.pixel(0, 0), s.table[15] | 0xFF000000);
        QCOMPARE(img.pixel(3, 1), s.table[12] | 0xFF000000);
    }

    void coreHeaderAndSmallDepths_data()
    {
        QTest::addColumn<int>("headerSize");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("colors");
        QTest::newRow("core 1 bit") << 12 << 1 << 2;
        QTest::newRow("core 4 bit") << 12 << 4 << 16;
        QTest::newRow("core 8 bit") << 12 << 8 << 256;
        QTest::newRow("info 1 bit") << 40 << 1 << 2;
        QTest::newRow("info 4 bit") << 40 << 4 << 16;
    }

    void coreHeaderAndSmallDepths()
    {
        QFETCH(int, headerSize);
        QFETCH(int, bits);
        QFETCH(int, colors);
        BmpSpec s;
        s.headerSize = headerSize;
        s.bits = bits;
        s.width = 11; // odd widths exercise the row padding
        s.height = 3;
        s.table = greyRamp(colors);
        s.pixel = [colors](int x, int y) { return quint32((x + 3 * y) % colors); };
        const QByteArray dib = packedDib(s);
        QCOMPARE(DIBNumColors(dib), quint32(colors));
        QCOMPARE(PaletteSize(dib), quint32(colors * (headerSize == 40 ? 4 : 3)));
        QCOMPARE(DIBWidth(dib), 11);
        QCOMPARE(DIBHeight(dib), 3);
        CDib d;
        QVERIFY(loadBytes(d, bmpFile(s)));
        QCOMPARE(d.m_nColors, quint32(colors));
        const QImage img = DIBToImage(dib);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 11; ++x)
                QCOMPARE(img.pixel(x, y), s.table[(x + 3 * (2 - y)) % colors] | 0xFF000000);
    }

    void damagedOrUnsupportedFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        BmpSpec good;
        good.table = greyRamp(256);
        const QByteArray ok = bmpFile(good);

        QByteArray notBm = ok;
        notBm[0] = 'X';
        QTest::newRow("not BM") << notBm;
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("file header only") << ok.left(14);
        QTest::newRow("header cut") << ok.left(30);
        QTest::newRow("colour table cut") << ok.left(14 + 40 + 500);
        QTest::newRow("bits cut") << ok.left(ok.size() - 1);

        BmpSpec rgb;
        rgb.bits = 24;
        rgb.pixel = [](int, int) { return 0x123456u; };
        QTest::newRow("24 bit without table") << bmpFile(rgb);

        BmpSpec zero = good;
        zero.width = 0;
        QTest::newRow("zero width") << bmpFile(zero);

        QByteArray huge = ok;
        qToLittleEndian<quint32>(0x7FFFFFF0u, huge.data() + 14 + 4); // width
        QTest::newRow("size beyond the data") << huge;

        QByteArray manyColours = ok;
        qToLittleEndian<quint32>(0x40000000u, manyColours.data() + 14 + 32);
        QTest::newRow("colours used beyond the data") << manyColours;

        QByteArray rle = ok;
        qToLittleEndian<quint32>(1u, rle.data() + 14 + 16);
        QTest::newRow("compressed") << rle;
    }

    void damagedOrUnsupportedFilesAreRefused()
    {
        QFETCH(QByteArray, bytes);
        CDib dib;
        QVERIFY(!loadBytes(dib, bytes));
        QVERIFY(dib.IsEmpty());
        QVERIFY(!dib.m_pPalette);
        QImage img = canvas(4, 4);
        QPainter p(&img);
        QCOMPARE(dib.Draw(&p, QRect(0, 0, 4, 4), QRect(0, 0, 4, 4)), 0);
        QCOMPARE(img.pixel(0, 0), qRgb(1, 2, 3));
    }

    void trueColourWithTableLoads()
    {
        BmpSpec s;
        s.bits = 24;
        s.width = 3;
        s.height = 2;
        s.table = greyRamp(2);
        s.colorsUsed = 2;
        s.pixel = [](int x, int y) { return x == 0 && y == 1 ? 0xFF8000u : 0x102030u; };
        CDib dib;
        QVERIFY(loadBytes(dib, bmpFile(s)));
        QCOMPARE(dib.m_nColors, 2u);
        QImage img = canvas(3, 2);
        {
            QPainter p(&img);
            dib.Draw(&p, QRect(0, 0, 3, 2), QRect(0, 0, 3, 2));
        }
        QCOMPARE(img.pixel(0, 0), qRgb(0xFF, 0x80, 0x00));
        QCOMPARE(img.pixel(2, 1), qRgb(0x10, 0x20, 0x30));
    }

    void secondLoadReplacesFirstAndFailureEmpties()
    {
        BmpSpec a;
        a.width = 7;
        a.height = 5;
        a.table = greyRamp(256);
        BmpSpec b;
        b.headerSize = 12;
        b.bits = 4;
        b.width = 3;
        b.height = 9;
        b.table = greyRamp(16);
        CDib dib;
        QVERIFY(loadBytes(dib, bmpFile(a)));
        QVERIFY(loadBytes(dib, bmpFile(b)));
        QCOMPARE(dib.m_nWidth, 3);
        QCOMPARE(dib.m_nHeight, 9);
        QCOMPARE(dib.m_nColors, 16u);
        QCOMPARE(dib.m_hDIB, packedDib(b));

        // the conversion kept for drawing follows the new bitmap too
        QImage img = canvas(3, 9);
        {
            QPainter p(&img);
            QCOMPARE(dib.Draw(&p, QRect(0, 0, 3, 9), QRect(0, 0, 3, 9)), 9);
        }
        QCOMPARE(img.pixel(0, 0), b.table[0] | 0xFF000000);

        QVERIFY(!loadBytes(dib, QByteArray("BMgarbage")));
        QVERIFY(dib.IsEmpty());
        QCOMPARE(dib.m_nWidth, 0);
    }

    void fileAndResourcePaths()
    {
        BmpSpec s;
        s.table = greyRamp(256);
        const QString path = m_env->path("bg.bmp");
        QVERIFY(TestEnv::writeAll(path, bmpFile(s)));
        CDib dib;
        QVERIFY(dib.LoadFromFile(path));
        QVERIFY(!dib.LoadFromFile(m_env->path("missing.bmp")));
        QVERIFY(dib.IsEmpty());
        QVERIFY(ReadDIBResource(1).isNull());
        QVERIFY(!dib.LoadFromResource(1));
    }

    void sourceOutsideTheBitmapDrawsOnlyWhatExists()
    {
        BmpSpec s;
        s.width = 2;
        s.height = 2;
        s.table = {qRgb(200, 0, 0), qRgb(0, 200, 0)};
        s.colorsUsed = 2;
        s.pixel = [](int, int) { return 1u; };
        CDib dib;
        QVERIFY(loadBytes(dib, bmpFile(s)));
        QImage img = canvas(4, 4);
        {
            QPainter p(&img);
            QCOMPARE(dib.Draw(&p, QRect(0, 0, 4, 4), QRect(0, 0, 4, 4)), 2);
        }
        QCOMPARE(img.pixel(1, 1), qRgb(0, 200, 0));
        QCOMPARE(img.pixel(3, 3), qRgb(1, 2, 3));
    }

private:
    std::unique_ptr<TestEnv> m_env;
};

QTEST_MAIN(TestDib)
#include "tst_dib.moc"
