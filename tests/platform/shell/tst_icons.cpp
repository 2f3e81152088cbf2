#include "IconThemeFixture.h"
#include "TestEnv.h"
#include "platform/shell/Icons.h"

#include <QBuffer>
#include <QtEndian>
#include <QtTest>

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

// An icon image stored as a bitmap: header (height doubled), colours, bits
// bottom-up, then the 1-bit mask (1 = see-through).
QByteArray icoBitmap(int side, int bits, const QList<QRgb>& table, const std::function<quint32(int, int)>& pixel,
                     const std::function<bool(int, int)>& clear)
{
    QByteArray b;
    put32(b, 40);
    put32(b, side);
    put32(b, side * 2);
    put16(b, 1);
    put16(b, bits);
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    put32(b, table.size());
    put32(b, 0);
    for (QRgb c : table) {
        b.append(char(qBlue(c)));
        b.append(char(qGreen(c)));
        b.append(char(qRed(c)));
        b.append(char(0));
    }
    const int stride = ((side * bits + 31) / 32) * 4;
    for (int y = side - 1; y >= 0; --y) { // stored bottom row first
        QByteArray row(stride, '\0');
        for (int x = 0; x < side; ++x) {
            const quint32 v = pixel(x, y);
            if (bits == 8) {
                row[x] = char(v);
            } else {
                row[4 * x] = char(v & 0xFF);
                row[4 * x + 1] = char((v >> 8) & 0xFF);
                row[4 * x + 2] = char((v >> 16) & 0xFF);
                row[4 * x + 3] = char((v >> 24) & 0xFF);
            }
        }
        b.append(row);
    }
    const int maskStride = ((side + 31) / 32) * 4;
    for (int y = side - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < side; ++x)
            if (clear(x, y))
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        b.append(row);
    }
    return b;
}

QByteArray pngOf(int side, QRgb colour)
{
    QImage img(side, side, QImage::Format_ARGB32);
    img.fill(colour);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return bytes;
}

QByteArray icoFile(const QList<QPair<int, QByteArray>>& images) // (bit depth, data)
{
    QByteArray b;
    put16(b, 0);
    put16(b, 1);
    put16(b, images.size());
    qint64 offset = 6 + 16 * images.size();
    for (const auto& img : images) {
        b.append(char(0)); // size bytes are not trusted
        b.append(char(0));
        b.append(char(0));
        b.append(char(0));
        put16(b, 1);
        put16(b, img.first);
        put32(b, img.second.size());
        put32(b, offset);
        offset += img.second.size();
    }
    for (const auto& img : images)
        b.append(img.second);
    return b;
}

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kMagenta = qRgb(255, 0, 255);

// 16 x 16 8-bit red with a see-through top-left quarter, 32 x 32 32-bit
// blue with its own alpha, 48 x 48 PNG magenta.
QByteArray threeImageIco()
{
    const QByteArray small = icoBitmap(16, 8, {qRgb(0, 0, 0), kRed}, [](int, int) { return 1u; },
                                       [](int x, int y) { return x < 8 && y < 8; });
    const QByteArray large = icoBitmap(32, 32, {}, [](int x, int) { return x < 4 ? 0x000000FFu : 0xFF0000FFu; },
                                       [](int, int) { return false; });
    return icoFile({{8, small}, {32, large}, {32, pngOf(48, kMagenta)}});
}

} // namespace

class TestIcons : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;

    QString file(const QString& name, const QByteArray& bytes, bool exec = false)
    {
        const QString p = m_env->path(name);
        QDir().mkpath(QFileInfo(p).absolutePath());
        if (!TestEnv::writeAll(p, bytes))
            qFatal("cannot write %s", qPrintable(p));
        if (exec)
            QFile::setPermissions(p, QFile::permissions(p) | QFile::ExeOwner);
        return p;
    }

private slots:
    void initTestCase()
    {
        m_env = std::make_unique<TestEnv>();
        InstallTestIconTheme(m_env->dataDir());
    }

    void cleanupTestCase() { m_env.reset(); }

    void icoImagesDecode()
    {
        const QList<QImage> images = shell::ReadIcoImages(threeImageIco());
        QCOMPARE(images.size(), 3);
        QCOMPARE(images[0].size(), QSize(16, 16));
        QCOMPARE(images[0].pixel(12, 12), kRed);
        QCOMPARE(qAlpha(images[0].pixel(2, 2)), 0);  // masked corner, top-left as seen
        QCOMPARE(qAlpha(images[0].pixel(2, 12)), 255);
        QCOMPARE(images[1].size(), QSize(32, 32));
        QCOMPARE(images[1].pixel(20, 5), kBlue);
        QCOMPARE(qAlpha(images[1].pixel(1, 5)), 0);  // its own alpha, not the mask
        QCOMPARE(images[2].size(), QSize(48, 48));
        QCOMPARE(images[2].pixel(1, 1) | 0xFF000000, kMagenta);
    }

    void icoKeepsTheDeepestImageOfASize()
    {
        const auto solid = [](int, int) { return 1u; };
        const auto none = [](int, int) { return false; };
        const QByteArray shallow = icoBitmap(16, 8, {0, kRed}, solid, none);
        const QByteArray deep = icoBitmap(16, 32, {}, [](int, int) { return 0xFF0000FFu; }, none);
        const QList<QImage> images = shell::ReadIcoImages(icoFile({{32, deep}, {8, shallow}}));
        QCOMPARE(images.size(), 1);
        QCOMPARE(images[0].pixel(3, 3), kBlue);
    }

    void damagedIcoFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("images");
        const QByteArray good = threeImageIco();
        QTest::newRow("empty") << QByteArray() << 0;
        QByteArray bad = good;
        bad[2] = 5;
        QTest::newRow("wrong type") << bad << 0;
        bad = good;
        bad[4] = 0;
        QTest::newRow("no images") << bad << 0;
        QTest::newRow("directory cut") << good.left(20) << 0;
        QTest::newRow("last image cut") << good.left(good.size() - 10) << 2;
        bad = good;
        qToLittleEndian<quint32>(0x7FFFFFF0u, bad.data() + 6 + 12); // first image's offset
        QTest::newRow("offset past the end") << bad << 2;
        bad = good;
        qToLittleEndian<quint32>(100000u, bad.data() + 6 + 16 * 3 + 4); // width of the first bitmap
        QTest::newRow("absurd width") << bad << 2;
        QTest::newRow("random") << QByteArray("\0\0\1\0\1\0garbagegarbagegarbage", 27) << 0;
    }

    void damagedIcoFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, images);
        QCOMPARE(shell::ReadIcoImages(bytes).size(), images);
    }

    void extractFromIconFiles()
    {
        const QString ico = file("multi.ico", threeImageIco());
        QIcon large, small;
        QCOMPARE(shell::ExtractIconEx(ico, 0, &large, &small), 1u);
        QCOMPARE(IconColour(large, 32), kBlue);
        QCOMPARE(IconColour(small, 16), kRed);
        QCOMPARE(small.pixmap(16, 16).size(), QSize(16, 16));
        // an .ico file holds one icon
        QCOMPARE(shell::ExtractIconEx(ico, 1, &large, nullptr), 0u);
        QCOMPARE(shell::ExtractIconEx(ico, -1, &large, nullptr), 0u);
        QVERIFY(shell::ExtractIcon(ico, 2).isNull());

        // a single small picture still gives a 32 x 32 large icon
        const QString png = file("pic.png", pngOf(16, kMagenta));
        large = shell::ExtractIcon(png, 0);
        QCOMPARE(large.pixmap(32, 32).size(), QSize(32, 32));
        QCOMPARE(IconColour(large), kMagenta);
        QVERIFY(shell::ExtractIcon(png, 1).isNull());

        const QString svg = file("pic.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>"
                                            "<rect width='10' height='10' fill='#00ff00'/></svg>");
        QCOMPARE(IconColour(shell::ExtractIcon(svg, 0)), qRgb(0, 255, 0));

        QVERIFY(shell::ExtractIcon(file("not-a-picture.png", "text"), 0).isNull());
        QVERIFY(shell::ExtractIcon(m_env->path("missing.ico"), 0).isNull());
        QVERIFY(shell::ExtractIcon(m_env->root(), 0).isNull());
        QVERIFY(shell::ExtractIcon(file("plain.txt", "x"), 0).isNull());
        QVERIFY(shell::ExtractIcon(QString(), 0).isNull());
    }

    void themeNamesAndDesktopIcons()
    {
        QCOMPARE(IconColour(shell::ExtractIcon("testicon", 0)), ThemeColours()["testicon"]);
        QCOMPARE(IconColour(shell::ExtractIcon("testicon.png", 0)), ThemeColours()["testicon"]);
        QVERIFY(shell::ExtractIcon("testicon", 1).isNull());
        QVERIFY(shell::ExtractIcon("no-such-icon-name", 0).isNull());

        const QString png = file("d/own.png", pngOf(32, kRed));
        QCOMPARE(IconColour(shell::ExtractIcon(file("a.desktop", "[Desktop Entry]\nIcon=" + png.toUtf8() + "\n"), 0)),
                 kRed);
        QCOMPARE(IconColour(shell::ExtractIcon(file("b.desktop", "[Desktop Entry]\nIcon=testicon\n"), 0)),
                 ThemeColours()["testicon"]);
        QVERIFY(shell::ExtractIcon(file("c.desktop", "[Desktop Entry]\nName=x\n"), 0).isNull());
        // an entry naming itself does not loop
        const QString self = m_env->path("self.desktop");
        file("self.desktop", "[Desktop Entry]\nIcon=" + self.toUtf8() + "\n");
        QVERIFY(shell::ExtractIcon(self, 0).isNull());
    }

    void associatedIcons()
    {
        const auto c = ThemeColours();
        QCOMPARE(IconColour(shell::AssociatedIcon(m_env->root())), c["folder"]);
        QCOMPARE(IconColour(shell::AssociatedIcon(file("run", "#!/bin/sh\n", true))), c["application-x-executable"]);
        QCOMPARE(IconColour(shell::AssociatedIcon(file("notes.txt", "hello\n"))), c["text-plain"]);
        QCOMPARE(IconColour(shell::AssociatedIcon(file("app.desktop", "[Desktop Entry]\nIcon=testicon\n"))),
                 c["testicon"]);
        // a missing document keeps the icon of its type; no small icon
        QCOMPARE(IconColour(shell::AssociatedIcon(m_env->path("gone.txt"))), c["text-plain"]);
        QVERIFY(shell::FileIcon(m_env->path("gone.txt")).isNull());
        QCOMPARE(IconColour(shell::FileIcon(m_env->path("notes.txt")), 16), c["text-plain"]);
    }

    void schemeHandlerIcon()
    {
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        QDir().mkpath(config);
        file("data/applications/org/test-browser.desktop", "[Desktop Entry]\nType=Application\nIcon=testicon\n");
        file("data/applications/other.desktop", "[Desktop Entry]\nType=Application\nIcon=folder\n");
        QVERIFY(TestEnv::writeAll(config + "/mimeapps.list",
                                  "[Default Applications]\nx-scheme-handler/gopher=missing.desktop;org-test-browser.desktop;\n"
                                  "[Added Associations]\nx-scheme-handler/nntp=other.desktop;\n"));
        QCOMPARE(IconColour(shell::SchemeHandlerIcon("gopher")), ThemeColours()["testicon"]);
        QCOMPARE(IconColour(shell::SchemeHandlerIcon("GOPHER")), ThemeColours()["testicon"]);
        QCOMPARE(IconColour(shell::SchemeHandlerIcon("nntp")), ThemeColours()["folder"]);
        QVERIFY(shell::SchemeHandlerIcon("ftp").isNull());

        // a changed list is read again
        QVERIFY(TestEnv::writeAll(config + "/mimeapps.list",
                                  "[Default Applications]\nx-scheme-handler/gopher=other.desktop\n"));
        QCOMPARE(IconColour(shell::SchemeHandlerIcon("gopher")), ThemeColours()["folder"]);
    }

    void programIcons()
    {
        const QIcon large = shell::LoadAppIcon(171);
        QVERIFY(!large.isNull());
        QCOMPARE(large.pixmap(32, 32).size(), QSize(32, 32));
        const QIcon small = shell::LoadAppIcon(171, 16);
        QCOMPARE(small.availableSizes(), QList<QSize>{QSize(16, 16)});
        QVERIFY(shell::LoadAppIcon(9999).isNull());
    }
};

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"
