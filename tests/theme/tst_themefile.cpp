#include "TestEnv.h"
#include "TestThemes.h"

#include <memory>
#include <sys/stat.h>

namespace {

constexpr int kTab = 532;
constexpr int kItem = 1336;

// A string field as raw bytes: the text, then zeros to the field's end.
QByteArray field(const QByteArray& text, int width)
{
    return text + QByteArray(width - text.size(), '\0');
}

QByteArray tabRecord(const QByteArray& name, const QByteArray& background = {}, qint32 reserved = 0)
{
    QByteArray r;
    put32(r, 1);
    r += field(name, 261) + field(background, 261) + QByteArray(2, '\0');
    put32(r, reserved);
    return r;
}

// Name, arguments, target, start-in, icon file, description; then icon index,
// show state, reserved, x, y, reserved, dial first.
QByteArray itemRecord(const QByteArrayList& text, const QList<qint32>& ints = {0, 1, 0, 0, 0, 0, 0})
{
    QByteArray r;
    put32(r, 1);
    const int widths[] = {129, 129, 261, 261, 261, 261};
    for (int i = 0; i < 6; ++i)
        r += field(text.value(i), widths[i]);
    r.append(2, '\0');
    for (qint32 v : ints)
        put32(r, v);
    return r;
}

QByteArray header(qint32 tabs, quint32 version = 1)
{
    QByteArray b;
    put32(b, qint32(version));
    put32(b, tabs);
    return b;
}

// Two tabs of two items each, written byte by byte.
QByteArray twoByTwo()
{
    QByteArray b = header(2);
    for (int t = 0; t < 2; ++t) {
        b += tabRecord("Tab " + QByteArray::number(t));
        put32(b, 2);
        for (int i = 0; i < 2; ++i)
            b += itemRecord({"Item " + QByteArray::number(t) + QByteArray::number(i), {}, "/usr/bin/true"});
    }
    return b;
}

} // namespace

class tst_ThemeFile : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    QList<fw::MessageRequest> m_messages;

    // Saves theme to a fresh file in the test folder and returns its bytes.
    QByteArray saved(CThemeData& theme)
    {
        theme.m_strPath = m_env->path("t.Theme");
        theme.m_bModified = true;
        return theme.Save() ? TestEnv::readAll(theme.m_strPath) : "<save failed>";
    }

    // Writes bytes to a file of the test folder, dated in the past.
    QString file(const QByteArray& bytes, const QString& name = "old.Theme")
    {
        const QString path = m_env->path(name);
        TestEnv::writeAll(path, bytes);
        age(path);
        return path;
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        m_messages.clear();
        fw::SetMessageHandler([this](const fw::MessageRequest& r) {
            m_messages << r;
            return fw::IDOK;
        });
    }
    void cleanup()
    {
        fw::SetMessageHandler({});
        m_env.reset();
    }

    // Both directions against records laid out by hand.
    void recordLayouts()
    {
        QByteArray bytes = header(1) + tabRecord("Internet", "/usr/share/dialtop/sky.bmp", 0x01020304);
        put32(bytes, 2);
        bytes += itemRecord({}); // a new item: version 1, show state 1, all else zero
        bytes += itemRecord({"Browser", "--private", "/usr/bin/firefox", "/home/u", "/usr/share/icons/web.png", "Web"},
                            {7, 3, -2, -100, 0x12345678, 0x7fffffff, 1});
        QCOMPARE(bytes.size(), 8 + kTab + 4 + 2 * kItem);
        CThemeData theme;
        QVERIFY(theme.Load(file(bytes)));
        QCOMPARE(describe(theme),
                 (QStringList{"tab|Internet|/usr/share/dialtop/sky.bmp|16909060", "item|||||||0|1|0|0|0|0|0",
                              "item|Browser|--private|/usr/bin/firefox|/home/u|/usr/share/icons/web.png|Web|7|3|-2|"
                              "-100|305419896|2147483647|1"}));
        QCOMPARE(saved(theme), bytes);
        CThemeData made;
        made.InsertTab(0);
        made.InsertItem(0, 0);
        QCOMPARE(saved(made).mid(8 + 536, kItem), itemRecord({}));
    }

    void roundTripAtLongestLengths()
    {
        CThemeData theme;
        CThemeTab* tab = theme.InsertTab(0);
        tab->m_strName = QString("N").repeated(259) + "z";
        tab->m_strBackground = "/" + QString("b").repeated(259);
        tab->m_nReserved = -123456;
        CThemeItem* item = theme.InsertItem(0, 0);
        item->m_strName = QString("n").repeated(127) + "!";
        item->m_strArguments = QString(128, 'a');
        item->m_strTarget = QString(260, 't');
        item->m_strStartIn = QString(260, 's');
        item->m_strIconFile = QString(260, 'i');
        item->m_strDescription = QString(260, 'd');
        item->m_nIconIndex = -1;
        item->m_nShowCmd = 2;
        item->m_nReserved1 = INT_MIN;
        item->m_ptPosition = QPoint(-32768, -1);
        item->m_nReserved2 = INT_MAX;
        item->m_bDialFirst = 1;
        // Multi-byte text that just fits: 64 two-byte and 86 three-byte characters.
        CThemeItem* wide = theme.InsertItem(0, 1);
        wide->m_strName = QString("é").repeated(64);
        wide->m_strTarget = QString("€").repeated(86) + "xx";
        wide->m_bDialFirst = 5; // kept as stored
        theme.InsertTab(1)->m_strName = "Ünïcode tab ✓";

        const QByteArray b = saved(theme);
        QCOMPARE(b.size(), 8 + 2 * 536 + 2 * kItem);
        QCOMPARE(b.left(8), header(2));
        // The terminator takes the last byte of a full field.
        QCOMPARE(b.mid(8 + 4 + 259, 2), QByteArray("z\0", 2));
        QCOMPARE(b.mid(8 + 536 + 4 + 127, 2), QByteArray("!\0", 2));

        CThemeData back;
        back.m_bModified = true;
        QVERIFY(back.Load(theme.m_strPath));
        QVERIFY(!back.m_bModified);
        QCOMPARE(back.m_strPath, theme.m_strPath);
        QCOMPARE(describe(back), describe(theme));
    }

    void legacyTextDecodes_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTF-8") << QByteArray("Caf\xc3\xa9 \xe2\x82\xac") << "Café €";
        QTest::newRow("Windows-1252 e acute") << QByteArray("Caf\xe9") << "Café";
        QTest::newRow("Windows-1252 euro") << QByteArray("\x80 5") << "€ 5";
        QTest::newRow("Windows-1252 quotes") << QByteArray("\x93hi\x94 \x85") << "“hi” …";
        QTest::newRow("broken UTF-8") << QByteArray("\xc3\x28") << "Ã(";
        QTest::newRow("overlong UTF-8") << QByteArray("\xc0\xaf") << "À¯";
        QTest::newRow("UTF-8 cut at the end") << QByteArray("ab\xe2\x82") << "abâ‚";
        // A field filled to its last byte without a terminator ends with the field.
        QTest::newRow("unterminated") << QByteArray(261, 'x') << QString(261, 'x');
    }

    void legacyTextDecodes()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QString, text);
        QByteArray b = header(1) + tabRecord(raw, raw);
        put32(b, 1);
        b += itemRecord({raw.left(129), {}, raw});
        CThemeData theme;
        QVERIFY(theme.Load(file(b)));
        QCOMPARE(theme.GetTab(0)->m_strName, text);
        QCOMPARE(theme.GetTab(0)->m_strBackground, text);
        QCOMPARE(theme.GetItem(0, 0)->m_strName, text.left(129));
        QCOMPARE(theme.GetItem(0, 0)->m_strTarget, text);
    }

    void tooLongIsRefused_data()
    {
        QTest::addColumn<int>("field"); // tab name, background, then the item's text fields in order
        QTest::addColumn<QString>("text");
        const QString t261(261, 'x'), t129(129, 'x');
        QTest::newRow("tab name") << 0 << t261;
        QTest::newRow("background") << 1 << t261;
        QTest::newRow("item name") << 2 << t129;
        QTest::newRow("arguments") << 3 << t129;
        QTest::newRow("target") << 4 << t261;
        QTest::newRow("start in") << 5 << t261;
        QTest::newRow("icon file") << 6 << t261;
        QTest::newRow("description") << 7 << t261;
        QTest::newRow("multi-byte name") << 2 << QString("é").repeated(65);
        QTest::newRow("multi-byte target") << 4 << QString("€").repeated(87);
        QTest::newRow("emoji tab name") << 0 << QString("😀").repeated(66);
    }

    void tooLongIsRefused()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        const QByteArray before = twoByTwo();
        const QString path = file(before);
        const QDateTime time = mtime(path);

        CThemeData theme;
        QVERIFY(theme.Load(path));
        CThemeTab* tab = theme.GetTab(1);
        CThemeItem* item = theme.GetItem(1, 1);
        QString* fields[] = {&tab->m_strName, &tab->m_strBackground, &item->m_strName, &item->m_strArguments,
                             &item->m_strTarget, &item->m_strStartIn, &item->m_strIconFile, &item->m_strDescription};
        *fields[field] = text;
        theme.m_bModified = true;
        QVERIFY(!theme.Save());
        QVERIFY(theme.m_bModified);
        QCOMPARE(TestEnv::readAll(path), before);
        QCOMPARE(mtime(path), time);
        QCOMPARE(QDir(m_env->root()).entryList(QDir::Files), QStringList{"old.Theme"});

        // Nor is a new file started.
        theme.m_strPath = m_env->path("new/new.Theme");
        QVERIFY(!theme.Save());
        QVERIFY(!QFileInfo::exists(theme.m_strPath));
    }

    void recordConversionNeverWritesPastAField()
    {
        CThemeItem item;
        item.m_strName = QString("é").repeated(100);
        item.m_strDescription = QString(300, 'd');
        QByteArray buf(kItem + 32, '\x5a');
        QVERIFY(!item.ToRecord(buf.data() + 16));
        QCOMPARE(buf.left(16) + buf.right(16), QByteArray(32, '\x5a'));
        QCOMPARE(buf.at(16 + 4 + 128), '\0');
        QCOMPARE(buf.at(16 + 1045 + 260), '\0');

        CThemeTab tab;
        tab.m_strName = QString(400, 'n');
        QByteArray tbuf(kTab + 32, '\x5a');
        QVERIFY(!tab.ToRecord(tbuf.data() + 16));
        QCOMPARE(tbuf.left(16) + tbuf.right(16), QByteArray(32, '\x5a'));
        QCOMPARE(tbuf.at(16 + 264), '\0');
    }

    void fitToField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("expectedChars");
        QTest::newRow("exact") << QString(128, 'a') << 129 << 128;
        QTest::newRow("one over") << QString(129, 'a') << 129 << 128;
        QTest::newRow("two-byte even") << QString("é").repeated(100) << 129 << 64;
        QTest::newRow("two-byte odd") << "a" + QString("é").repeated(100) << 129 << 64;
        QTest::newRow("three-byte") << QString("€").repeated(100) << 129 << 42;
        QTest::newRow("three-byte shifted") << "ab" + QString("€").repeated(100) << 129 << 44;
        QTest::newRow("four-byte") << QString("😀").repeated(100) << 261 << 2 * 65; // UTF-16 units
        QTest::newRow("four-byte shifted") << "abc" + QString("😀").repeated(100) << 261 << 3 + 2 * 64;
        QTest::newRow("width 1") << "abc" << 1 << 0;
    }

    void fitToField()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(int, expectedChars);
        const QString fitted = ThemeRecord::FitToField(text, width);
        QCOMPARE(fitted.size(), expectedChars);
        QVERIFY(text.startsWith(fitted));
        QVERIFY(fitted.toUtf8().size() <= width - 1);
        QCOMPARE(QString::fromUtf8(fitted.toUtf8()), fitted); // no half character
        QVERIFY(ThemeRecord::FitsField(fitted, width));
        QCOMPARE(ThemeRecord::FitsField(text, width), fitted == text);
    }

    void wrongVersion_data()
    {
        QTest::addColumn<quint32>("version");
        QTest::newRow("2") << 2u;
        QTest::newRow("0") << 0u;
        QTest::newRow("big-endian 1") << 0x01000000u;
        QTest::newRow("all ones") << 0xffffffffu;
    }

    void wrongVersion()
    {
        QFETCH(quint32, version);
        QByteArray b = header(1, version) + tabRecord("T");
        put32(b, 0);
        const QString path = file(b);
        CThemeData theme;
        QVERIFY(!theme.Load(path));
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages[0].text, "Invalid File Version Error:  " + path);
        QCOMPARE(m_messages[0].style & fw::MB_ICONMASK, fw::MB_ICONEXCLAMATION);
        QCOMPARE(m_messages[0].style & fw::MB_TYPEMASK, fw::MB_OK);
        QCOMPARE(theme.GetTabCount(), 0);
        QCOMPARE(theme.m_strPath, path);
    }

    // Counts of zero or less read as nothing, and what follows is ignored.
    void emptyCounts_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shape"); // tab:items ...
        QTest::newRow("count 0") << header(0) << "";
        QTest::newRow("count -1") << header(-1) << "";
        QTest::newRow("count INT_MIN") << header(INT_MIN) << "";
        QTest::newRow("count 0, trailing bytes") << header(0) + tabRecord("ignored") << "";
        QByteArray b = header(2) + tabRecord("A");
        put32(b, -3);
        b += tabRecord("B");
        put32(b, 1);
        QTest::newRow("item count -3") << b + itemRecord({"only"}) << "A:0 B:1";
    }

    void emptyCounts()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shape);
        CThemeData theme;
        theme.m_bModified = true;
        QVERIFY(theme.Load(file(bytes)));
        QStringList tabs;
        for (int t = 0; t < theme.GetTabCount(); ++t)
            tabs << theme.GetTab(t)->m_strName + ":" + QString::number(theme.GetItemCount(t));
        QCOMPARE(tabs.join(' '), shape);
        QVERIFY(!theme.m_bModified);
        QVERIFY(m_messages.isEmpty());
    }

    void damagedFilesFail_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // null: no file at all
        const QByteArray full = twoByTwo();
        QTest::newRow("missing file") << QByteArray();
        QTest::newRow("empty file") << QByteArray("");
        QTest::newRow("version only, cut") << full.left(3);
        QTest::newRow("count cut") << full.left(6);
        QTest::newRow("inside first tab record") << full.left(8 + 100);
        QTest::newRow("inside first item count") << full.left(8 + kTab + 2);
        QTest::newRow("inside first item record") << full.left(8 + 536 + 700);
        QTest::newRow("inside second tab record") << full.left(8 + 536 + 2 * kItem + 300);
        QTest::newRow("one byte short") << full.left(full.size() - 1);
        QTest::newRow("tab count one too many") << header(3) + full.mid(8);
        QTest::newRow("tab count 0x7fffffff") << header(0x7fffffff);
        QByteArray hugeItems = header(1) + tabRecord("T");
        put32(hugeItems, 0x7fffffff);
        QTest::newRow("item count 0x7fffffff") << hugeItems;
        QByteArray manyItems = header(1) + tabRecord("T");
        put32(manyItems, 1000);
        QTest::newRow("item count 1000, two records") << manyItems + itemRecord({"one"}) + itemRecord({"two"});
    }

    void damagedFilesFail()
    {
        QFETCH(QByteArray, bytes);
        const QString path = bytes.isNull() ? m_env->path("none.Theme") : file(bytes);
        CThemeData theme;
        theme.InsertTab(0)->m_strName = "held";
        QVERIFY(!theme.Load(path));
        QVERIFY(!theme.Load(m_env->root())); // a folder
        QCOMPARE(describe(theme), QStringList{"tab|held||0"});
        QVERIFY(m_messages.isEmpty());
        if (!bytes.isNull())
            QCOMPARE(TestEnv::readAll(path), bytes);
    }

    void unmodifiedSaveTouchesNothing()
    {
        const QByteArray before = twoByTwo();
        const QString path = file(before);
        const QDateTime time = mtime(path);
        CThemeData theme;
        QVERIFY(theme.Load(path));
        theme.GetTab(0)->m_strName = "edited, but not marked"; // callers mark their own edits
        QVERIFY(theme.Save());
        QCOMPARE(TestEnv::readAll(path), before);
        QCOMPARE(mtime(path), time);

        CThemeData fresh;
        fresh.InsertTab(0);
        fresh.m_bModified = false;
        fresh.m_strPath = m_env->path("sub/never.Theme");
        QVERIFY(fresh.Save());
        QVERIFY(!QFileInfo::exists(m_env->path("sub")));
    }

    void saveMakesFolders()
    {
        CThemeData theme;
        theme.InsertTab(0)->m_strName = "x";
        theme.m_strPath = m_env->path("Home/Themes/alice/deep/My.Theme");
        QVERIFY(theme.Save());
        QCOMPARE(TestEnv::readAll(theme.m_strPath).size(), 544);
        QVERIFY(!theme.m_bModified);
        // A new theme is as readable as any other new file of the user's.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(theme.m_strPath).constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 0777), int(0666 & ~mask));

        // A file where a folder should be: the save fails and stays pending.
        file("x", "blocker");
        theme.m_bModified = true;
        theme.m_strPath = m_env->path("blocker/sub/x.Theme");
        QVERIFY(!theme.Save());
        QVERIFY(theme.m_bModified);
        QCOMPARE(TestEnv::readAll(m_env->path("blocker")), QByteArray("x"));
    }

    void loadAppendsAndMakesFileFolderCurrent()
    {
        QVERIFY(QDir().mkpath(m_env->path("Themes/sub")));
        const QString path = file(twoByTwo(), "Themes/sub/two.Theme");
        QVERIFY(QDir::setCurrent(m_env->root()));
        CThemeData theme;
        theme.InsertTab(0)->m_strName = "held";
        QVERIFY(theme.Load(path));
        QCOMPARE(theme.GetTabCount(), 3);
        QCOMPARE(theme.GetTab(0)->m_strName, QString("held"));
        QCOMPARE(theme.GetTab(1)->m_strName, QString("Tab 0"));
        QCOMPARE(theme.GetItem(2, 1)->m_strName, QString("Item 11"));
        QCOMPARE(theme.GetItem(2, 1)->m_strTarget, QString("/usr/bin/true"));
        QVERIFY(!theme.m_bModified);

        QCOMPARE(QDir::currentPath(), QFileInfo(m_env->path("Themes/sub")).canonicalFilePath());
        // A relative path then names files beside the theme.
        QVERIFY(TestEnv::writeAll("beside.Theme", header(0)));
        QVERIFY(QFileInfo::exists(m_env->path("Themes/sub/beside.Theme")));
    }

    void saveKeepsLinkAndMode_data()
    {
        QTest::addColumn<int>("links"); // links between the theme's path and the file
        QTest::addColumn<int>("mode");
        QTest::newRow("plain file 0600") << 0 << 0600;
        QTest::newRow("through a link, 0640") << 1 << 0640;
        QTest::newRow("through two links, 0604") << 2 << 0604;
    }

    void saveKeepsLinkAndMode()
    {
        QFETCH(int, links);
        QFETCH(int, mode);
        QVERIFY(QDir().mkpath(m_env->path("real")));
        const QString real = file(twoByTwo(), "real/Shared.Theme");
        QVERIFY(::chmod(QFile::encodeName(real).constData(), mode_t(mode)) == 0);
        QString path = real;
        if (links >= 1)
            QVERIFY(QFile::link("real/Shared.Theme", m_env->path("My.Theme"))); // relative link
        if (links >= 2)
            QVERIFY(QFile::link(m_env->path("My.Theme"), m_env->path("Outer.Theme")));
        if (links > 0)
            path = m_env->path(links == 1 ? "My.Theme" : "Outer.Theme");

        CThemeData theme;
        QVERIFY(theme.Load(path));
        QVERIFY(theme.RemoveTab(0));
        QVERIFY(theme.Save());

        QCOMPARE(TestEnv::readAll(real).size(), 8 + 536 + 2 * kItem);
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(real).constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 07777), mode);
        if (links > 0) {
            QVERIFY(QFileInfo(path).isSymLink());
            QVERIFY(QFileInfo(m_env->path("My.Theme")).isSymLink());
            QCOMPARE(QFileInfo(path).canonicalFilePath(), QFileInfo(real).canonicalFilePath());
        }
        QCOMPARE(QDir(m_env->path("real")).entryList(QDir::Files | QDir::Hidden), QStringList{"Shared.Theme"});
    }
};

QTEST_GUILESS_MAIN(tst_ThemeFile)
#include "tst_themefile.moc"
