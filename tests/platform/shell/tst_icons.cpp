#include "BitmapBytes.h"
#include "IconThemeFixture.h"
#include "TestFile.h"
#include "platform/shell/Icons.h"

#include <QtTest>

using bytes::IcoBitmap;
using bytes::IcoFile;
using bytes::PngOf;

namespace {

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kMagenta = qRgb(255, 0, 255);

// 16 x 16 8-bit red with a see-through top-left quarter, 32 x 32 32-bit
// blue with its own alpha, 48 x 48 PNG magenta.
QByteArray threeImageIco()
{
    const QByteArray small = IcoBitmap(16, 8, {qRgb(0, 0, 0), kRed}, [](int, int) { return 1u; },
                                       [](int x, int y) { return x < 8 && y < 8; });
    const QByteArray large = IcoBitmap(32, 32, {}, [](int x, int) { return x < 4 ? 0x000000FFu : 0xFF0000FFu; },
                                       [](int, int) { return false; });
    return IcoFile({{8, small}, {32, large}, {32, PngOf(48, kMagenta)}});
}

} // namespace

class TestIcons : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestEnv> m_env;

    QString file(const QString& name, const QByteArray& data, bool exec = false)
    {
        return MakeFile(*m_env, name, data, exec);
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
        QCOMPARE(qAlpha(images[0].pixel(2, 2)), 0); // masked corner, top-left as seen
        QCOMPARE(qAlpha(images[0].pixel(2, 12)), 255);
        QCOMPARE(images[1].size(), QSize(32, 32));
        QCOMPARE(images[1].pixel(20, 5), kBlue);
        QCOMPARE(qAlpha(images[1].pixel(1, 5)), 0); // its own alpha, not the mask
        QCOMPARE(images[2].size(), QSize(48, 48));
        QCOMPARE(images[2].pixel(1, 1) | 0xFF000000, kMagenta);

        // of two images of one size the deepest is kept
        const auto none = [](int, int) { return false; };
        const QByteArray shallow = IcoBitmap(16, 8, {0, kRed}, [](int, int) { return 1u; }, none);
        const QByteArray deep = IcoBitmap(16, 32, {}, [](int, int) { return 0xFF0000FFu; }, none);
        const QList<QImage> one = shell::ReadIcoImages(IcoFile({{32, deep}, {8, shallow}}));
        QCOMPARE(one.size(), 1);
        QCOMPARE(one[0].pixel(3, 3), kBlue);
    }

    void damagedIcoFiles_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("images");
        const QByteArray good = threeImageIco();
        const auto patched = [&good](int at, quint32 v, int size) { // little-endian
            QByteArray b = good;
            for (int i = 0; i < size; ++i)
                b[at + i] = char(v >> (8 * i));
            return b;
        };
        QTest::newRow("wrong type") << patched(2, 5, 2) << 0;
        QTest::newRow("no images") << patched(4, 0, 2) << 0;
        QTest::newRow("directory cut") << good.left(20) << 0;
        QTest::newRow("last image cut") << good.left(good.size() - 10) << 2;
        QTest::newRow("offset past the end") << patched(6 + 12, 0x7FFFFFF0u, 4) << 2;
        QTest::newRow("absurd width") << patched(6 + 16 * 3 + 4, 100000u, 4) << 2; // of the first bitmap
    }

    void damagedIcoFiles()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, images);
        QCOMPARE(shell::ReadIcoImages(data).size(), images);
    }

    void extractFromIconFiles()
    {
        const QString ico = file("multi.ico", threeImageIco());
        QIcon large, small;
        QCOMPARE(shell::ExtractIconEx(ico, 0, &large, &small), 1u);
        QCOMPARE(IconColour(large, 32), kBlue);
        QCOMPARE(IconColour(small, 16), kRed);
        QCOMPARE(shell::ExtractIconEx(ico, 1, &large, nullptr), 0u); // an .ico file holds one icon

        // a single small picture still gives a 32 x 32 large icon
        const QString png = file("pic.png", PngOf(16, kMagenta));
        large = shell::ExtractIcon(png, 0);
        QCOMPARE(large.pixmap(32, 32).size(), QSize(32, 32));
        QCOMPARE(IconColour(large), kMagenta);
        QVERIFY(shell::ExtractIcon(png, 1).isNull());
        const QString svg = file("pic.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>"
                                            "<rect width='10' height='10' fill='#00ff00'/></svg>");
        QCOMPARE(IconColour(shell::ExtractIcon(svg, 0)), qRgb(0, 255, 0));

        for (const QString& bad : {file("not-a-picture.png", "text"), m_env->path("missing.ico"), m_env->root(),
                                   file("plain.txt", "x"), QString()})
            QVERIFY2(shell::ExtractIcon(bad, 0).isNull(), qPrintable(bad));
    }

    void themeDesktopAndTypeIcons()
    {
        const QRgb test = ThemeColours()["testicon"];
        QCOMPARE(IconColour(shell::ExtractIcon("testicon", 0)), test);
        QCOMPARE(IconColour(shell::ExtractIcon("testicon.png", 0)), test);
        QVERIFY(shell::ExtractIcon("no-such-icon-name", 0).isNull());

        const QString png = file("d/own.png", PngOf(32, kRed));
        QCOMPARE(IconColour(shell::ExtractIcon(file("a.desktop", "[Desktop Entry]\nIcon=" + png.toUtf8() + "\n"), 0)),
                 kRed);
        QCOMPARE(IconColour(shell::ExtractIcon(file("b.desktop", "[Desktop Entry]\nIcon=testicon\n"), 0)), test);
        QVERIFY(shell::ExtractIcon(file("c.desktop", "[Desktop Entry]\nName=x\n"), 0).isNull());
        // an entry naming itself does not loop
        const QString self = m_env->path("self.desktop");
        file("self.desktop", "[Desktop Entry]\nIcon=" + self.toUtf8() + "\n");
        QVERIFY(shell::ExtractIcon(self, 0).isNull());

        // the icon of a file's type
        const auto c = ThemeColours();
        QCOMPARE(IconColour(shell::AssociatedIcon(m_env->root())), c["folder"]);
        QCOMPARE(IconColour(shell::AssociatedIcon(file("notes.txt", "hello\n"))), c["text-plain"]);
        // a missing document keeps the icon of its type; no small icon
        QCOMPARE(IconColour(shell::AssociatedIcon(m_env->path("gone.txt"))), c["text-plain"]);
        QVERIFY(shell::FileIcon(m_env->path("gone.txt")).isNull());
        QCOMPARE(IconColour(shell::FileIcon(m_env->path("notes.txt")), 16), c["text-plain"]);
    }

    void schemeHandlerIcon()
    {
        const QString list = qEnvironmentVariable("XDG_CONFIG_HOME") + "/mimeapps.list";
        QDir().mkpath(QFileInfo(list).path());
        file("data/applications/org/test-browser.desktop", "[Desktop Entry]\nType=Application\nIcon=testicon\n");
        file("data/applications/other.desktop", "[Desktop Entry]\nType=Application\nIcon=folder\n");
        QVERIFY(TestEnv::writeAll(list, "[Default Applications]\n"
                                        "x-scheme-handler/gopher=missing.desktop;org-test-browser.desktop;\n"
                                        "[Added Associations]\nx-scheme-handler/nntp=other.desktop;\n"));
        QCOMPARE(IconColour(shell::SchemeHandlerIcon("GOPHER")), ThemeColours()["testicon"]);
        QCOMPARE(IconColour(shell::SchemeHandlerIcon("nntp")), ThemeColours()["folder"]);
        QVERIFY(shell::SchemeHandlerIcon("ftp").isNull());
        // a changed list is read again
        QVERIFY(TestEnv::writeAll(list, "[Default Applications]\nx-scheme-handler/gopher=other.desktop\n"));
        QCOMPARE(IconColour(shell::SchemeHandlerIcon("gopher")), ThemeColours()["folder"]);
    }
};

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"
