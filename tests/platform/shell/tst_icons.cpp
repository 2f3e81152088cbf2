// Icons from icon files, programs, the icon theme and desktop entries,
// damaged files among them; what a file shows as its name, type and icon;
// and the pictures built into the program.

#include "BitmapBytes.h"
#include "IconThemeFixture.h"
#include "TestFile.h"
#include "platform/shell/FileInfo.h"
#include "platform/shell/Icons.h"
#include "platform/shell/PeIcons.h"
#include "theme/Dib.h"

#include <QtTest>

using bytes::IcoBitmap;
using bytes::IcoFile;
using bytes::PeFile;
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

// Groups of one 16 x 16 image each, group n coloured n * 40 red.
QByteArray peOfGroups(int n)
{
    QList<QList<QByteArray>> groups;
    for (int i = 0; i < n; ++i)
        groups.append({IcoBitmap(16, 8, {0, qRgb(i * 40, 0, 255)}, [](int, int) { return 1u; },
                                 [](int, int) { return false; })});
    return PeFile(groups);
}

// `data` with `size` bytes at `at` set to `v`, little-endian.
QByteArray patched(QByteArray data, int at, quint32 v, int size = 4)
{
    for (int i = 0; i < size; ++i)
        data[at + i] = char(v >> (8 * i));
    return data;
}

// How many groups a program file's directory shows (-1: refused) and how
// many images its first group gives.
QPair<int, int> peContents(const QByteArray& data)
{
    QBuffer buf;
    buf.setData(data);
    buf.open(QIODevice::ReadOnly);
    shell::PeIconDirectory dir;
    if (!shell::ReadPeIconDirectory(buf, dir))
        return {-1, 0};
    return {int(dir.groups.size()), int(shell::ReadIcoImages(shell::PeIconGroupAsIco(buf, dir, 0)).size())};
}

} // namespace

class TestIcons : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestEnv> m_env;

    QString file(const QString& name, const QByteArray& data, bool x = false) { return MakeFile(*m_env, name, data, x); }

private slots:
    void initTestCase()
    {
        m_env = std::make_unique<TestEnv>();
        InstallTestIconTheme(m_env->dataDir());
        QDir().mkpath(m_env->path("My Folder"));
        qputenv("LC_ALL", "C");
    }

    void cleanupTestCase() { qunsetenv("LC_ALL"), m_env.reset(); }

    void icoImagesDecode()
    {
        const QList<QImage> images = shell::ReadIcoImages(threeImageIco());
        QCOMPARE(images.size(), 3);
        QCOMPARE(QList<QSize>({images[0].size(), images[1].size(), images[2].size()}), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));
        QCOMPARE(QList<QRgb>({images[0].pixel(12, 12), images[1].pixel(20, 5), images[2].pixel(1, 1) | 0xFF000000}),
                 (QList<QRgb>{kRed, kBlue, kMagenta}));
        // The 8-bit one's masked corner, top-left as seen; the 32-bit one's own alpha, not the mask.
        QCOMPARE(QList<int>({qAlpha(images[0].pixel(2, 2)), qAlpha(images[0].pixel(2, 12)), qAlpha(images[1].pixel(1, 5))}),
                 (QList<int>{0, 255, 0}));

        // of two images of one size the deepest is kept
        const auto none = [](int, int) { return false; };
        const QByteArray shallow = IcoBitmap(16, 8, {0, kRed}, [](int, int) { return 1u; }, none);
        const QByteArray deep = IcoBitmap(16, 32, {}, [](int, int) { return 0xFF0000FFu; }, none);
        const QList<QImage> one = shell::ReadIcoImages(IcoFile({{32, deep}, {8, shallow}}));
        QVERIFY(one.size() == 1 && one[0].pixel(3, 3) == kBlue);
    }

    void damagedIcoFiles_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("images");
        const QByteArray good = threeImageIco();
        QTest::newRow("wrong type") << patched(good, 2, 5, 2) << 0;
        QTest::newRow("no images") << patched(good, 4, 0, 2) << 0;
        QTest::newRow("directory cut") << good.left(20) << 0;
        QTest::newRow("last image cut") << good.left(good.size() - 10) << 2;
        QTest::newRow("offset past the end") << patched(good, 6 + 12, 0x7FFFFFF0u) << 2;
        QTest::newRow("absurd width") << patched(good, 6 + 16 * 3 + 4, 100000u) << 2; // of the first bitmap
    }

    void damagedIcoFiles()
    {
        QFETCH(QByteArray, data);
        QTEST(int(shell::ReadIcoImages(data).size()), "images");
    }

    void extractFromIconFiles()
    {
        const QString ico = file("multi.ico", threeImageIco());
        QIcon large, small;
        QCOMPARE(shell::ExtractIconEx(ico, 0, &large, &small), 1u);
        QVERIFY(IconColour(large, 32) == kBlue && IconColour(small, 16) == kRed);
        QCOMPARE(shell::ExtractIconEx(ico, 1, &large, nullptr), 0u); // an .ico file holds one icon

        // a single small picture still gives a 32 x 32 large icon
        const QString png = file("pic.png", PngOf(16, kMagenta));
        large = shell::ExtractIcon(png, 0);
        QVERIFY(large.pixmap(32, 32).size() == QSize(32, 32) && IconColour(large) == kMagenta);
        QVERIFY(shell::ExtractIcon(png, 1).isNull());
        const QString svg = file("pic.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>"
                                            "<rect width='10' height='10' fill='#00ff00'/></svg>");
        QCOMPARE(IconColour(shell::ExtractIcon(svg, 0)), qRgb(0, 255, 0));

        for (const QString& bad : {file("not-a-picture.png", "text"), m_env->path("missing.ico"), m_env->root(), QString()})
            QVERIFY2(shell::ExtractIcon(bad, 0).isNull(), qPrintable(bad));
    }

    // A program with five icon groups steps 0..4 and no further; a negative
    // index names a resource id; a program target shows its first icon.
    void programIconGroups()
    {
        const QString exe = file("five.exe", peOfGroups(5));
        QCOMPARE(shell::ExtractIconEx(exe, -1, nullptr, nullptr), 5u);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(IconColour(shell::ExtractIcon(exe, i), 16), qRgb(i * 40, 0, 255));
        QVERIFY(shell::ExtractIcon(exe, 5).isNull());
        QCOMPARE(IconColour(shell::ExtractIcon(exe, -3), 16), qRgb(80, 0, 255));
        QVERIFY(shell::ExtractIcon(exe, -6).isNull());
        QCOMPARE(IconColour(shell::AssociatedIcon(exe), 16), qRgb(0, 0, 255));
        // known by its first bytes under any name; one icon for the others
        QCOMPARE(IconColour(shell::ExtractIcon(file("lib.bin", peOfGroups(2)), 1), 16), qRgb(40, 0, 255));
        QCOMPARE(shell::ExtractIconEx(file("one.png", PngOf(16, kRed)), -1, nullptr, nullptr), 1u);
        QCOMPARE(shell::ExtractIconEx(file("none.dll", "MZ"), -1, nullptr, nullptr), 0u);
    }

    void damagedProgramFiles_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("groups"); // -1: refused
        QTest::addColumn<int>("images");
        const QByteArray good = peOfGroups(2);
        constexpr int tree = 0x200, entries = tree + 96 + 4 * 24; // see PeFile
        QTest::newRow("whole") << good << 2 << 1;
        QTest::newRow("not MZ") << patched(good, 0, 'Z', 1) << -1 << 0;
        QTest::newRow("cut in the headers") << good.left(200) << -1 << 0;
        QTest::newRow("cut in an image") << good.left(good.size() - 200) << 2 << 0;
        QTest::newRow("header offset past the end") << patched(good, 0x3C, 0x7FFFFFF0u) << -1 << 0;
        QTest::newRow("65535 sections") << patched(good, 64 + 6, 0xFFFF, 2) << -1 << 0;
        QTest::newRow("root claims 131070 entries") << patched(good, tree + 12, 0xFFFFFFFFu) << -1 << 0;
        QTest::newRow("tree outside its section") << patched(good, 64 + 24 + 96 + 16, 0x7FFF0000u) << -1 << 0;
        QTest::newRow("image size 2 GiB") << patched(good, entries + 4, 0x7FFFFFFFu) << 2 << 0;
        QTest::newRow("image address outside") << patched(good, entries, 0xFFFFFF00u) << 2 << 0;
        // the groups' own data ends the file, 20 bytes each
        QTest::newRow("group names a missing icon") << patched(good, good.size() - 22, 99, 2) << 2 << 0;
        QTest::newRow("group counts 65535 images") << patched(good, good.size() - 36, 0xFFFF, 2) << 2 << 1;
        QTest::newRow("no resources") << patched(good, 64 + 24 + 96 + 16, 0) << 0 << 0;
    }

    void damagedProgramFiles()
    {
        QFETCH(QByteArray, data);
        QTEST(peContents(data).first, "groups");
        QTEST(peContents(data).second, "images");
    }

    void themeDesktopAndTypeIcons()
    {
        const auto c = ThemeColours();
        const QRgb test = c["testicon"];
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

    // The name, type and icon shown for each kind of file.
    void fileDescriptions_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type"); // a MIME type, or the text itself
        QTest::addColumn<QString>("icon");
        const QByteArray entry = "[Desktop Entry]\n";
        QTest::newRow("folder") << m_env->path("My Folder") << "My Folder" << "inode/directory" << "folder";
        QTest::newRow("program") << file("tool", "#!/bin/sh\n", true) << "tool" << "Application" << "application-x-executable";
        // the execute bit alone does not make a program
        QTest::newRow("executable text") << file("b.final.txt", "x", true) << "b.final.txt" << "text/plain" << "text-plain";
        QTest::newRow("entry") << file("ed.desktop", entry + "Name=Editor\nIcon=/opt/app/app.png\n") << "Editor"
                               << "application/x-desktop" << "/opt/app/app.png";
        // an entry without a name or an icon: its file name and its type's icon
        QTest::newRow("bare entry") << file("bare.desktop", entry + "Exec=x\n") << "bare.desktop"
                                    << "application/x-desktop" << "application-x-desktop";
        // a missing file has none, and what was passed in is left alone
        QTest::newRow("missing") << m_env->path("missing.txt") << "unchanged" << "unchanged" << "unchanged";
    }

    void fileDescriptions()
    {
        QFETCH(QString, path);
        QFETCH(QString, type);
        const QMimeType mime = QMimeDatabase().mimeTypeForName(type);
        QString gotName = "unchanged", gotType = gotName, gotIcon = gotName;
        int index = 7;
        const bool exists = QFileInfo::exists(path);
        QVERIFY(shell::GetDisplayName(path, &gotName) == exists && shell::GetTypeName(path, &gotType) == exists
                && shell::GetIconLocation(path, &gotIcon, &index) == exists);
        QTEST(gotName, "name");
        QCOMPARE(gotType, mime.isValid() ? mime.comment() : type);
        QTEST(gotIcon, "icon");
        QCOMPARE(index, exists ? 0 : 7);
    }

    // The generated pictures the program loads by resource id.
    void splashIsAnEightBitPaletteBitmap()
    {
        CDib dib;
        QVERIFY(dib.LoadFromResource(217) && dib.m_nColors == 256u);
        QVERIFY(dib.m_nWidth >= 300 && dib.m_nWidth <= 500 && dib.m_nHeight >= 180 && dib.m_nHeight <= 320);
        QCOMPARE(qFromLittleEndian<quint32>(dib.m_hDIB.constData()), 40u); // the full header
        QCOMPARE(qFromLittleEndian<quint16>(dib.m_hDIB.constData() + 14), quint16(8));
    }

    // Every built-in icon and toolbar button at the size its name gives
    // ("-16", else 32 or 16), see-through with something drawn in the middle.
    void builtInIconsAndButtons()
    {
        for (const auto& [dir, side] : {std::pair{":/icons", 32}, std::pair{":/toolbar", 16}}) {
            const QFileInfoList files = QDir(dir).entryInfoList({"*.png"});
            QVERIFY(files.size() >= 8);
            for (const QFileInfo& f : files) {
                const QImage img(f.filePath());
                const int want = f.baseName().contains('-') ? f.baseName().section('-', -1).toInt() : side;
                QVERIFY2(img.size() == QSize(want, want) && img.hasAlphaChannel(), qPrintable(f.filePath()));
                QVERIFY2(qAlpha(img.pixel(0, 0)) == 0 && qAlpha(img.pixel(want / 2, want / 2)) > 0, qPrintable(f.filePath()));
            }
        }
    }
};

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"
