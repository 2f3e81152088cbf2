// Theme files: the records byte by byte, round trips, damaged and hostile
// files, what lands on disk; the theme model's edits; and the command-line
// tool that builds and dumps theme files.

#include "TestEnv.h"
#include "TestThemes.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <sys/stat.h>

namespace {

constexpr int kTab = 532;
constexpr int kItem = 1336;

// A string field as raw bytes: the text, then zeros to the field's end.
QByteArray field(const QByteArray& text, int width) { return text + QByteArray(width - text.size(), '\0'); }

QByteArray tabRecord(const QByteArray& name, const QByteArray& background = {}, qint32 reserved = 0)
{
    QByteArray r;
    bytes::Put32(r, 1);
    r += field(name, 261) + field(background, 261) + QByteArray(2, '\0');
    return bytes::Put32(r, reserved), r;
}

// Name, arguments, target, start-in, icon file, description; then icon index,
// show state, reserved, x, y, reserved, dial first.
QByteArray itemRecord(const QByteArrayList& text, const QList<qint32>& ints = {0, 1, 0, 0, 0, 0, 0})
{
    QByteArray r;
    bytes::Put32(r, 1);
    const int widths[] = {129, 129, 261, 261, 261, 261};
    for (int i = 0; i < 6; ++i)
        r += field(text.value(i), widths[i]);
    r.append(2, '\0');
    for (qint32 v : ints) bytes::Put32(r, v);
    return r;
}

QByteArray header(qint32 tabs, quint32 version = 1)
{
    QByteArray b;
    return bytes::Put32(b, qint32(version)), bytes::Put32(b, tabs), b;
}

// Two tabs of two items each, written byte by byte.
QByteArray twoByTwo()
{
    QByteArray b = header(2);
    for (int t = 0; t < 2; ++t) {
        b += tabRecord("Tab " + QByteArray::number(t));
        bytes::Put32(b, 2);
        for (int i = 0; i < 2; ++i)
            b += itemRecord({"Item " + QByteArray::number(t) + QByteArray::number(i), {}, "/usr/bin/true"});
    }
    return b;
}

// One tab of two items: a new one, and one with every field set.
QByteArray allFields()
{
    QByteArray b = header(1) + tabRecord("Internet", "/usr/share/dialtop/sky.bmp", 0x01020304);
    bytes::Put32(b, 2);
    b += itemRecord({}); // a new item: version 1, show state 1, all else zero
    return b + itemRecord({"Browser", "--private", "/usr/bin/firefox", "/home/u", "/usr/share/icons/web.png", "Web — Δ"},
                          {7, 3, -2, -100, 0x12345678, 0x7fffffff, 1});
}

// Tabs and their items by name, e.g. "Tab 0: Item 00 Item 01 | Tab 1:", to see where changes land.
QString outline(const CThemeData& theme)
{
    QStringList tabs;
    for (int t = 0; t < theme.GetTabCount(); ++t) {
        QString s = theme.GetTab(t)->m_strName + ":";
        for (int i = 0; i < theme.GetItemCount(t); ++i)
            s += " " + theme.GetItem(t, i)->m_strName;
        tabs << s;
    }
    return tabs.join(" | ");
}

struct Run { int exitCode = -1; QByteArray out, err; };

Run run(const QStringList& args)
{
    QProcess p;
    p.start(qEnvironmentVariable("DIALTOP_BUILD_DIR") + "/bin/dialtop-theme", args);
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit
               ? Run{p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()} : Run{};
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
        theme.m_strPath = m_env->path("t.Theme"), theme.m_bModified = true;
        return theme.Save() ? TestEnv::readAll(theme.m_strPath) : "<save failed>";
    }

    // Writes bytes to a file of the test folder.
    QString file(const QByteArray& bytes, const QString& name = "old.Theme")
    {
        const QString path = m_env->path(name);
        return TestEnv::writeAll(path, bytes), path;
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>(), m_messages.clear();
        fw::SetMessageHandler([this](const fw::MessageRequest& r) { return m_messages << r, fw::IDOK; });
    }
    void cleanup() { fw::SetMessageHandler({}), m_env.reset(); }

    // Both directions against records laid out by hand.
    void recordLayouts()
    {
        const QByteArray bytes = allFields();
        CThemeData theme;
        QVERIFY(theme.Load(file(bytes)));
        QCOMPARE(describe(theme),
                 (QStringList{"tab|Internet|/usr/share/dialtop/sky.bmp|16909060", "item|||||||0|1|0|0|0|0|0",
                              "item|Browser|--private|/usr/bin/firefox|/home/u|/usr/share/icons/web.png|Web — Δ|7|3|-2|"
                              "-100|305419896|2147483647|1"}));
        QCOMPARE(saved(theme), bytes);
    }

    void roundTripAtLongestLengthsAndInOrder()
    {
        CThemeData theme;
        CThemeTab* tab = theme.InsertTab(0);
        std::tie(tab->m_strName, tab->m_strBackground) = std::tuple(QString(259, 'N') + "z", "/" + QString(259, 'b'));
        CThemeItem* item = theme.InsertItem(0, 0);
        std::tie(item->m_strName, item->m_strArguments) = std::tuple(QString(127, 'n') + "!", QString(128, 'a'));
        int c = 'c';
        for (QString* f : {&item->m_strTarget, &item->m_strStartIn, &item->m_strIconFile, &item->m_strDescription})
            *f = QString(260, QChar(++c)); // a different letter each, so a swap shows
        // Multi-byte text that just fits: 64 two-byte and 86 three-byte characters.
        CThemeItem* wide = theme.InsertItem(0, 1); // dial first 5 is kept as stored
        std::tie(wide->m_strName, wide->m_strTarget, wide->m_bDialFirst) =
            std::tuple(QString("é").repeated(64), QString("€").repeated(86) + "xx", 5);
        theme.InsertTab(1)->m_strName = "Ünïcode tab ✓";
        for (int i = 0; i < 800; ++i) // over a megabyte, written and read back in order
            theme.InsertItem(1, i)->m_strName = QString::number(i);
        theme.InsertTab(2);

        const QByteArray b = saved(theme);
        QCOMPARE(b.size(), 8 + 3 * 536 + 802 * kItem);
        // The terminator takes the last byte of a full field.
        QCOMPARE(b.mid(8 + 4 + 259, 2) + b.mid(8 + 536 + 4 + 127, 2), QByteArray("z\0!\0", 4));

        CThemeData back;
        QVERIFY(back.Load(theme.m_strPath) && describe(back) == describe(theme));
    }

    void legacyTextDecodes_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTF-8") << QByteArray("Caf\xc3\xa9 \xe2\x82\xac") << "Café €";
        QTest::newRow("Windows-1252 e acute") << QByteArray("Caf\xe9") << "Café";
        QTest::newRow("UTF-8 cut at the end") << QByteArray("ab\xe2\x82") << "abâ‚";
        // A field filled to its last byte ends where its terminator belongs.
        QTest::newRow("unterminated") << QByteArray(261, 'x') << QString(260, 'x');
    }

    void legacyTextDecodes()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QString, text);
        QByteArray b = header(1) + tabRecord(raw, raw);
        bytes::Put32(b, 1);
        b += itemRecord({raw.left(129), {}, raw});
        CThemeData theme;
        QVERIFY(theme.Load(file(b)));
        QCOMPARE(QStringList({theme.GetTab(0)->m_strName, theme.GetItem(0, 0)->m_strName, theme.GetItem(0, 0)->m_strTarget}),
                 QStringList({text, text.left(128), text}));
        QVERIFY(saved(theme) != "<save failed>"); // what was read can be written
    }

    // Fields from the first platform, full to the last byte in Windows-1252,
    // save again byte for byte although their UTF-8 form is twice as long;
    // an edit that fits UTF-8 is written as UTF-8.
    void legacyFullFieldsSaveUnchanged()
    {
        const QByteArray name = QByteArray(128, '\xe9'), path = QByteArray(259, '\x80') + "x";
        QByteArray b = header(1) + tabRecord(path, path);
        bytes::Put32(b, 1);
        b += itemRecord({name, name, path, path, path, path});
        CThemeData theme;
        QVERIFY(theme.Load(file(b)) && theme.GetItem(0, 0)->m_strName == QString(128, QChar(0xE9)));
        QCOMPARE(saved(theme), b);
        theme.GetItem(0, 0)->m_strName = "Café";
        QCOMPARE(saved(theme).mid(8 + 536 + 4, 6), QByteArray("Caf\xc3\xa9", 6));
    }

    void tooLongIsRefused_data()
    {
        QTest::addColumn<int>("field"); // tab name, background, then the item's text fields in order
        QTest::addColumn<QString>("text");
        QTest::newRow("tab name") << 0 << QString(261, 'x');
        QTest::newRow("description") << 7 << QString(261, 'x');
        QTest::newRow("multi-byte name") << 2 << QString("✓").repeated(43);
        // 128 bytes in Windows-1252, but they would read back as 64 "é"
        QTest::newRow("legacy bytes that read as UTF-8") << 2 << QString("Ã©").repeated(64);
    }

    void tooLongIsRefused()
    {
        const QByteArray before = twoByTwo();
        const QString path = file(before);
        CThemeData theme;
        QVERIFY(theme.Load(path));
        CThemeTab* tab = theme.GetTab(1);
        CThemeItem* item = theme.GetItem(1, 1);
        QString* fields[] = {&tab->m_strName, &tab->m_strBackground, &item->m_strName, &item->m_strArguments,
                             &item->m_strTarget, &item->m_strStartIn, &item->m_strIconFile, &item->m_strDescription};
        *fields[Fetch<int>("field")] = Fetch<QString>("text");
        theme.m_bModified = true;
        QVERIFY(!theme.Save() && theme.m_bModified && TestEnv::readAll(path) == before);
        QCOMPARE(QDir(m_env->root()).entryList(QDir::Files), QStringList{"old.Theme"});

        // Nor is a new file started.
        theme.m_strPath = m_env->path("new/new.Theme");
        QVERIFY(!theme.Save() && !QFileInfo::exists(theme.m_strPath));
    }

    void recordConversionNeverWritesPastAField()
    {
        CThemeItem item;
        item.m_strName = QString("é").repeated(100);
        item.m_strDescription = QString(300, 'd');
        QByteArray buf(kItem + 32, '\x5a');
        QVERIFY(!item.ToRecord(buf.data() + 16));
        QCOMPARE(buf.left(16) + buf.right(16), QByteArray(32, '\x5a'));
        QVERIFY(buf.at(16 + 4 + 128) == '\0' && buf.at(16 + 1045 + 260) == '\0');

        CThemeTab tab;
        tab.m_strName = QString(400, 'n');
        QByteArray tbuf(kTab + 32, '\x5a');
        QVERIFY(!tab.ToRecord(tbuf.data() + 16));
        QVERIFY(tbuf.left(16) + tbuf.right(16) == QByteArray(32, '\x5a') && tbuf.at(16 + 264) == '\0');
    }

    void fitToField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("expectedChars");
        QTest::newRow("one over") << QString(129, 'a') << 129 << 128;
        QTest::newRow("fits as Windows-1252") << QString("€").repeated(128) << 129 << 128;
        QTest::newRow("four-byte shifted") << "abc" + QString("😀").repeated(100) << 261 << 3 + 2 * 64; // UTF-16 units
        QTest::newRow("width 1") << "abc" << 1 << 0;
    }

    void fitToField()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        const QString fitted = ThemeRecord::FitToField(text, width);
        QTEST(int(fitted.size()), "expectedChars");
        QVERIFY(text.startsWith(fitted) && ThemeRecord::FitsField(fitted, width));
        QCOMPARE(ThemeRecord::FitsField(text, width), fitted == text);
    }

    // Counts of zero or less read as nothing and what follows is ignored. A
    // file shorter than its counts is refused whole, before anything is kept
    // and without a word; only another version is reported.
    void loadOrRefuse_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // null: no file at all
        QTest::addColumn<QString>("shape");    // the outline after the tab held before; null: refused
        QTest::addColumn<bool>("reported");
        const QByteArray full = twoByTwo();
        QTest::newRow("count INT_MIN, trailing bytes") << header(INT_MIN) + tabRecord("ignored") << "" << false;
        QByteArray b = header(2) + tabRecord("A");
        bytes::Put32(b, -3);
        b += tabRecord("B");
        bytes::Put32(b, 1);
        QTest::newRow("item count -3") << b + itemRecord({"only"}) << " | A: | B: only" << false;
        QTest::newRow("missing file") << QByteArray() << QString() << false;
        QTest::newRow("inside the header") << full.left(6) << QString() << false;
        QTest::newRow("inside the second tab record") << full.left(8 + 536 + 2 * kItem + 100) << QString() << false;
        QTest::newRow("one byte short") << full.left(full.size() - 1) << QString() << false;
        QTest::newRow("tab count 0x7fffffff") << header(0x7fffffff) << QString() << false;
        QByteArray hugeItems = header(1) + tabRecord("T");
        bytes::Put32(hugeItems, 0x7fffffff);
        QTest::newRow("item count 0x7fffffff") << hugeItems << QString() << false;
        QTest::newRow("version 2") << header(2, 2) + full.mid(8) << QString() << true;
    }

    void loadOrRefuse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shape);
        const QString path = bytes.isNull() ? m_env->path("none.Theme") : file(bytes);
        CThemeData theme;
        theme.InsertTab(0)->m_strName = "held";
        CThemeData::LoadError why = CThemeData::LoadError::None;
        QCOMPARE(theme.Load(path, &why), !shape.isNull());
        QTEST(why == CThemeData::LoadError::WrongVersion, "reported");
        QCOMPARE(outline(theme), "held:" + shape);
        QVERIFY(shape.isNull() ? bytes.isNull() || TestEnv::readAll(path) == bytes : !theme.m_bModified);
        QVERIFY(m_messages.isEmpty()); // telling the user is the caller's
    }

    // An unmarked theme is not written, nor are its folders made; a marked
    // one makes them and is as readable as any other new file of the user's.
    void saveWritesOnlyWhatIsMarked()
    {
        const QByteArray before = twoByTwo();
        const QString path = file(before);
        CThemeData theme;
        QVERIFY(theme.Load(path));
        theme.GetTab(0)->m_strName = "edited, but not marked"; // callers mark their own edits
        QVERIFY(theme.Save() && TestEnv::readAll(path) == before);
        theme.m_strPath = m_env->path("Home/Themes/alice/My.Theme");
        QVERIFY(theme.Save() && !QFileInfo::exists(m_env->path("Home")));
        theme.m_bModified = true;
        QVERIFY(theme.Save() && !theme.m_bModified && TestEnv::readAll(theme.m_strPath).size() == before.size());
        const mode_t mask = ::umask(0);
        struct stat st;
        ::umask(mask);
        QVERIFY(::stat(QFile::encodeName(theme.m_strPath).constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 0777), int(0666 & ~mask));
    }

    // Relative names in the theme then mean files beside it.
    void loadMakesTheFileFolderCurrent()
    {
        QVERIFY(QDir().mkpath(m_env->path("Themes/sub")));
        const QString path = file(twoByTwo(), "Themes/sub/two.Theme");
        QVERIFY(QDir::setCurrent(m_env->root()));
        CThemeData theme;
        QVERIFY(!theme.Load(m_env->root()) && theme.Load(path)); // a folder, then the file
        QCOMPARE(QDir::currentPath(), QFileInfo(m_env->path("Themes/sub")).canonicalFilePath());
    }

    // Saved through two links, then by its own name: the links stay links, the
    // file keeps its mode, and no temporary file is left beside it.
    void saveKeepsLinkAndMode()
    {
        QVERIFY(QDir().mkpath(m_env->path("real")));
        const QString real = file(twoByTwo(), "real/Shared.Theme");
        QVERIFY(::chmod(QFile::encodeName(real).constData(), 0604) == 0);
        QVERIFY(QFile::link("real/Shared.Theme", m_env->path("My.Theme"))); // relative link
        QVERIFY(QFile::link(m_env->path("My.Theme"), m_env->path("Outer.Theme")));
        for (const QString& path : {m_env->path("Outer.Theme"), real}) {
            CThemeData theme;
            QVERIFY(theme.Load(path) && theme.RemoveTab(0) && theme.Save());
        }
        QCOMPARE(TestEnv::readAll(real), header(0)); // both saves reached it
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(real).constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 07777), 0604);
        QVERIFY(QFileInfo(m_env->path("Outer.Theme")).isSymLink() && QFileInfo(m_env->path("My.Theme")).isSymLink());
        QCOMPARE(QDir(m_env->path("real")).entryList(QDir::Files | QDir::Hidden), QStringList{"Shared.Theme"});
    }

    // Inserts and removals land where asked and each marks the theme. Out of
    // range nothing is found, removed or inserted, and nothing is marked; an
    // index equal to the count inserts at the end.
    void edits()
    {
        CThemeData theme;
        QVERIFY(theme.Load(file(twoByTwo())));
        for (int bad : {-1, 2}) {
            QVERIFY(!theme.GetTab(bad) && !theme.RemoveTab(bad) && theme.GetItemCount(bad) == 0);
            QVERIFY(!theme.GetItem(bad, 0) && !theme.RemoveItem(bad, 0) && !theme.InsertItem(bad, 0));
            QVERIFY(!theme.GetItem(0, bad) && !theme.RemoveItem(0, bad));
        }
        QVERIFY(!theme.InsertTab(-1) && !theme.InsertItem(0, -1) && !theme.InsertItem(0, 3) && !theme.m_bModified);
        const auto marks = [&theme](bool done) { return std::exchange(theme.m_bModified, false) && done; };
        QVERIFY(marks(theme.InsertTab(2) && theme.InsertTab(0)));
        theme.GetTab(0)->m_strName = "first", theme.GetTab(3)->m_strName = "appended";
        QVERIFY(marks(theme.InsertItem(1, 2) && theme.InsertItem(1, 0)));
        theme.GetItem(1, 0)->m_strName = "start", theme.GetItem(1, 3)->m_strName = "end";
        QCOMPARE(outline(theme), QString("first: | Tab 0: start Item 00 Item 01 end | Tab 1: Item 10 Item 11 | appended:"));
        QVERIFY(marks(theme.RemoveItem(1, 1)) && marks(theme.RemoveTab(2)));
        QCOMPARE(outline(theme), QString("first: | Tab 0: start Item 01 end | appended:"));
        // Emptying keeps the mark, so Save writes the empty theme.
        theme.m_bModified = true;
        theme.DeleteAll();
        QVERIFY(theme.GetTabCount() == 0 && theme.m_bModified && theme.Save());
        QCOMPARE(TestEnv::readAll(theme.m_strPath), header(0));
    }

    // Every field is copied, items are appended after what the copy held,
    // and nothing is shared with the source afterwards.
    void copiesAreDeep()
    {
        CThemeData theme;
        QVERIFY(theme.Load(file(allFields())));
        const CThemeTab& source = *theme.m_tabs[0];
        const QStringList before = describe(source);
        CThemeTab copy;
        copy.m_items.push_back(std::make_unique<CThemeItem>());
        copy.Copy(source);
        QCOMPARE(copy.m_items.size(), size_t(3));
        copy.m_items.erase(copy.m_items.begin()); // the item it held comes first
        QCOMPARE(describe(copy), before);
        copy.m_items[1]->m_strTarget = "changed", copy.m_items.pop_back();
        QCOMPARE(describe(source), before);
    }

    // The tool's dump names every field and builds back into the same bytes;
    // members left out take a new item's defaults, text its longest length.
    void buildThenDumpKeepsEveryField()
    {
        const Run d = run({"dump", file(allFields())});
        QVERIFY2(d.exitCode == 0 && d.err.isEmpty(), d.err.constData());
        // Readable as it stands; the build below shows nothing is lost.
        const QJsonObject item = QJsonDocument::fromJson(d.out)["tabs"][0]["items"][1].toObject();
        QVERIFY(item["description"] == "Web — Δ" && item["y"] == 0x12345678 && item["dialFirst"] == true);
        const QString json = m_env->path("in.json"), out = m_env->path("made/Full.Theme");
        QVERIFY(TestEnv::writeAll(json, d.out));
        const Run b = run({"build", json, out});
        QVERIFY2(b.exitCode == 0 && b.err.isEmpty(), b.err.constData());
        QCOMPARE(TestEnv::readAll(out), allFields());

        QVERIFY(TestEnv::writeAll(json, "{\"tabs\":[{\"items\":[{\"target\":\"" + QByteArray(260, 't') + "\"}]}]}"));
        QByteArray fresh = header(1) + tabRecord({});
        bytes::Put32(fresh, 1);
        QVERIFY(run({"build", json, out}).exitCode == 0);
        QCOMPARE(TestEnv::readAll(out), fresh + itemRecord({{}, {}, QByteArray(260, 't')}));
    }

    // Each fails with a one-line message naming the cause, prints no theme and
    // writes nothing: neither a new file nor over an old one.
    void badRunsFail_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input"); // written to the second argument first; empty: none
        QTest::addColumn<QString>("mentions");
        const QStringList dump{"dump", "bad.Theme"}, build{"build", "bad.json", "out/fresh.Theme"};
        const QByteArray cutItem = header(1) + tabRecord("") + header(1).left(4) + QByteArray(1000, '\0');
        QTest::newRow("missing file") << dump << QByteArray() << "bad.Theme: no such file";
        QTest::newRow("version 2") << dump << header(0, 2) << "bad.Theme: file version";
        QTest::newRow("cut inside item record") << dump << cutItem << "bad.Theme: damaged";
        QTest::newRow("unknown command") << QStringList{"frobnicate", "x"} << QByteArray() << "";
        QTest::newRow("build from a missing file") << build << QByteArray() << "bad.json";
        QTest::newRow("malformed") << build << QByteArray("{\"tabs\":[{\"name\":\"x\",}]}") << "malformed";
        QTest::newRow("not an object") << build << QByteArray("[1,2]") << "object";
        QTest::newRow("json version 2") << build << QByteArray("{\"version\":2,\"tabs\":[]}") << "version";
        QTest::newRow("index a string") << build << QByteArray("{\"tabs\":[{},{\"items\":[{},{\"iconIndex\":\"7\"}]}]}")
                                        << "tabs[1].items[1].iconIndex";
        QTest::newRow("target too long in a later tab")
            << build << QByteArray("{\"tabs\":[{\"name\":\"ok\"},{\"items\":[{\"target\":\"") + QByteArray(261, 't') + "\"}]}]}"
            << "tabs[1].items[0].target";
    }

    void badRunsFail()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QVERIFY(QDir::setCurrent(m_env->root()));
        QVERIFY(input.isEmpty() || TestEnv::writeAll(args[1], input));
        Run r = run(args);
        QVERIFY(r.exitCode > 0 && r.out.isEmpty());
        QVERIFY2(!r.err.isEmpty() && r.err.contains(Fetch<QString>("mentions").toUtf8()), r.err.constData());
        if (args.size() == 3 || args[0] == "dump")
            QVERIFY(r.exitCode == 1 && r.err.count('\n') == 1 && r.err.endsWith('\n'));
        QCOMPARE(QDir().entryList(QDir::Files), input.isEmpty() ? QStringList() : QStringList{args[1]});
        QVERIFY(!QFileInfo::exists("out"));
        if (args.size() == 3) {
            const QByteArray before = header(1) + QByteArray(kTab, 'k') + header(0).right(4);
            QVERIFY(TestEnv::writeAll("old.Theme", before));
            QVERIFY(run({"build", args[1], "old.Theme"}).exitCode == 1 && TestEnv::readAll("old.Theme") == before);
        }
    }
};

QTEST_GUILESS_MAIN(tst_ThemeFile)
#include "tst_themefile.moc"
