#include "TestEnv.h"
#include "framework/MessageBox.h"
#include "theme/ThemeData.h"

#include <QDir>
#include <QFileInfo>
#include <QtEndian>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

namespace {

constexpr int kTab = 532;
constexpr int kItem = 1336;

qint32 le32(const QByteArray& b, int at)
{
    return qFromLittleEndian<qint32>(b.constData() + at);
}

void put32(QByteArray& b, qint32 v)
{
    char x[4];
    qToLittleEndian<qint32>(v, x);
    b.append(x, 4);
}

// A string field as raw bytes: the text, then zeros to the field's end.
QByteArray field(const QByteArray& text, int width)
{
    QByteArray f = text;
    f.append(QByteArray(width - text.size(), '\0'));
    return f;
}

QByteArray tabRecord(const QByteArray& name, const QByteArray& background = {}, qint32 reserved = 0)
{
    QByteArray r;
    put32(r, 1);
    r += field(name, 261) + field(background, 261);
    r.append(2, '\0');
    put32(r, reserved);
    return r;
}

QByteArray itemRecord(const QByteArray& name, const QByteArray& target = {})
{
    QByteArray r;
    put32(r, 1);
    r += field(name, 129) + field({}, 129) + field(target, 261) + field({}, 261 * 3);
    r.append(2, '\0');
    for (qint32 v : {0, 1, 0, 0, 0, 0, 0})
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
            b += itemRecord("Item " + QByteArray::number(t) + QByteArray::number(i), "/usr/bin/true");
    }
    return b;
}

QString repeat(const QString& unit, int n)
{
    return unit.repeated(n);
}

// Every field of a tab with its items, for comparing two themes.
QStringList describe(const CThemeData& theme)
{
    QStringList out;
    for (const auto& tab : theme.m_tabs) {
        out << QString("tab|%1|%2|%3").arg(tab->m_strName, tab->m_strBackground).arg(tab->m_nReserved);
        for (const auto& i : tab->m_items)
            out << QString("item|%1|%2|%3|%4|%5|%6|%7|%8|%9|%10|%11|%12|%13")
                       .arg(i->m_strName, i->m_strArguments, i->m_strTarget, i->m_strStartIn, i->m_strIconFile,
                            i->m_strDescription)
                       .arg(i->m_nIconIndex)
                       .arg(i->m_nShowCmd)
                       .arg(i->m_nReserved1)
                       .arg(i->m_ptPosition.x())
                       .arg(i->m_ptPosition.y())
                       .arg(i->m_nReserved2)
                       .arg(i->m_bDialFirst);
    }
    return out;
}

qint64 mtimeMs(const QString& path)
{
    return QFileInfo(path).fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch();
}

} // namespace

class tst_ThemeFile : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    QStringList m_messages;

    void recordMessages()
    {
        fw::SetMessageHandler([this](const fw::MessageRequest& r) {
            m_messages << r.text;
            return fw::IDOK;
        });
    }

    // Saves theme to a fresh file in the test folder and returns its bytes.
    QByteArray saved(CThemeData& theme, const QString& name = "t.Theme")
    {
        theme.m_strPath = m_env->path(name);
        theme.m_bModified = true;
        if (!theme.Save())
            return "<save failed>";
        return TestEnv::readAll(theme.m_strPath);
    }

    // A file and a theme whose path names it, unmodified.
    QString existing(const QByteArray& bytes, const QString& name = "old.Theme")
    {
        const QString path = m_env->path(name);
        TestEnv::writeAll(path, bytes);
        QFile f(path);
        f.open(QIODevice::ReadWrite);
        f.setFileTime(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)), QFileDevice::FileModificationTime);
        return path;
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        m_messages.clear();
        recordMessages();
    }
    void cleanup()
    {
        fw::SetMessageHandler({});
        m_env.reset();
    }

    void sizes_data()
    {
        QTest::addColumn<QList<int>>("items"); // item count of each tab
        QTest::addColumn<int>("size");
        QTest::newRow("empty theme") << QList<int>{} << 8;
        QTest::newRow("one empty tab") << QList<int>{0} << 544;
        QTest::newRow("one tab, one item") << QList<int>{1} << 1880;
        QTest::newRow("three tabs") << QList<int>{0, 3, 1} << 8 + 3 * 536 + 4 * 1336;
    }

    void sizes()
    {
        QFETCH(QList<int>, items);
        QFETCH(int, size);
        CThemeData theme;
        for (int t = 0; t < items.size(); ++t) {
            theme.InsertTab(t);
            for (int i = 0; i < items[t]; ++i)
                theme.InsertItem(t, i);
        }
        const QByteArray bytes = saved(theme);
        QCOMPARE(bytes.size(), size);
        QCOMPARE(le32(bytes, 0), 1);
        QCOMPARE(le32(bytes, 4), int(items.size()));
        QVERIFY(!theme.m_bModified);
    }

    void tabRecordLayout()
    {
        CThemeData theme;
        CThemeTab* tab = theme.InsertTab(0);
        tab->m_strName = "Internet";
        tab->m_strBackground = "/usr/share/dialtop/sky.bmp";
        tab->m_nReserved = 0x01020304;
        const QByteArray b = saved(theme);
        QCOMPARE(b.size(), 544);
        const int r = 8;
        QCOMPARE(b.mid(r, 4), QByteArray("\x01\0\0\0", 4));
        QCOMPARE(b.mid(r + 4, 261), field("Internet", 261));
        QCOMPARE(b.mid(r + 265, 261), field("/usr/share/dialtop/sky.bmp", 261));
        QCOMPARE(b.mid(r + 526, 2), QByteArray(2, '\0'));
        QCOMPARE(b.mid(r + 528, 4), QByteArray("\x04\x03\x02\x01"));
        QCOMPARE(le32(b, r + kTab), 0); // item count
    }

    void itemRecordLayout()
    {
        CThemeData theme;
        theme.InsertTab(0);
        theme.InsertItem(0, 0); // defaults
        CThemeItem* item = theme.InsertItem(0, 1);
        item->m_strName = "Browser";
        item->m_strArguments = "--private";
        item->m_strTarget = "/usr/bin/firefox";
        item->m_strStartIn = "/home/u";
        item->m_strIconFile = "/usr/share/icons/web.png";
        item->m_strDescription = "The web";
        item->m_nIconIndex = 7;
        item->m_nShowCmd = 3;
        item->m_nReserved1 = -2;
        item->m_ptPosition = QPoint(-100, 0x12345678);
        item->m_nReserved2 = 0x7fffffff;
        item->m_bDialFirst = 1;
        const QByteArray b = saved(theme);
        QCOMPARE(b.size(), 8 + 536 + 2 * kItem);
        QCOMPARE(le32(b, 8 + kTab), 2);

        // The default item: version 1, show state 1, everything else zero.
        const int d = 8 + 536;
        QByteArray expectDefault(kItem, '\0');
        expectDefault[0] = 1;
        expectDefault[1312] = 1;
        QCOMPARE(b.mid(d, kItem), expectDefault);

        const int r = d + kItem;
        QCOMPARE(b.mid(r, 4), QByteArray("\x01\0\0\0", 4));
        QCOMPARE(b.mid(r + 4, 129), field("Browser", 129));
        QCOMPARE(b.mid(r + 133, 129), field("--private", 129));
        QCOMPARE(b.mid(r + 262, 261), field("/usr/bin/firefox", 261));
        QCOMPARE(b.mid(r + 523, 261), field("/home/u", 261));
        QCOMPARE(b.mid(r + 784, 261), field("/usr/share/icons/web.png", 261));
        QCOMPARE(b.mid(r + 1045, 261), field("The web", 261));
        QCOMPARE(b.mid(r + 1306, 2), QByteArray(2, '\0'));
        QCOMPARE(b.mid(r + 1308, 4), QByteArray("\x07\0\0\0", 4));
        QCOMPARE(b.mid(r + 1312, 4), QByteArray("\x03\0\0\0", 4));
        QCOMPARE(b.mid(r + 1316, 4), QByteArray("\xfe\xff\xff\xff"));
        QCOMPARE(le32(b, r + 1320), -100);
        QCOMPARE(b.mid(r + 1324, 4), QByteArray("\x78\x56\x34\x12"));
        QCOMPARE(b.mid(r + 1328, 4), QByteArray("\xff\xff\xff\x7f"));
        QCOMPARE(b.mid(r + 1332, 4), QByteArray("\x01\0\0\0", 4));
    }

    void roundTripAtLongestLengths()
    {
        CThemeData theme;
        CThemeTab* tab = theme.InsertTab(0);
        tab->m_strName = repeat("N", 259) + "z";
        tab->m_strBackground = "/" + repeat("b", 259);
        tab->m_nReserved = -123456;
        CThemeItem* item = theme.InsertItem(0, 0);
        item->m_strName = repeat("n", 127) + "!";
        item->m_strArguments = repeat("a", 128);
        item->m_strTarget = repeat("t", 260);
        item->m_strStartIn = repeat("s", 260);
        item->m_strIconFile = repeat("i", 260);
        item->m_strDescription = repeat("d", 260);
        item->m_nIconIndex = -1;
        item->m_nShowCmd = 2;
        item->m_nReserved1 = INT_MIN;
        item->m_ptPosition = QPoint(-32768, -1);
        item->m_nReserved2 = INT_MAX;
        item->m_bDialFirst = 1;
        // Multi-byte text that just fits: 64 two-byte and 86 three-byte characters.
        CThemeItem* wide = theme.InsertItem(0, 1);
        wide->m_strName = repeat("é", 64);
        wide->m_strTarget = repeat("€", 86) + "xx";
        wide->m_bDialFirst = 5; // kept as stored
        CThemeTab* second = theme.InsertTab(1);
        second->m_strName = "Ünïcode tab ✓";

        const QByteArray b = saved(theme);
        // The terminator takes the last byte of a full field.
        QCOMPARE(b.at(8 + 4 + 259), 'z');
        QCOMPARE(b.at(8 + 4 + 260), '\0');
        QCOMPARE(b.at(8 + 536 + 4 + 127), '!');
        QCOMPARE(b.at(8 + 536 + 4 + 128), '\0');

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
        QTest::newRow("ASCII") << QByteArray("Games") << "Games";
        QTest::newRow("UTF-8") << QByteArray("Caf\xc3\xa9 \xe2\x82\xac") << "Café €";
        QTest::newRow("Windows-1252 e acute") << QByteArray("Caf\xe9") << "Café";
        QTest::newRow("Windows-1252 euro") << QByteArray("\x80 5") << "€ 5";
        QTest::newRow("Windows-1252 quotes") << QByteArray("\x93hi\x94 \x85") << "“hi” …";
        QTest::newRow("broken UTF-8") << QByteArray("\xc3\x28") << "Ã(";
        QTest::newRow("overlong UTF-8") << QByteArray("\xc0\xaf") << "À¯";
        QTest::newRow("UTF-8 cut at the end") << QByteArray("ab\xe2\x82") << "abâ‚";
    }

    void legacyTextDecodes()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QString, text);
        QByteArray b = header(1) + tabRecord(raw, raw);
        put32(b, 1);
        b += itemRecord(raw, raw);
        const QString path = m_env->path("legacy.Theme");
        QVERIFY(TestEnv::writeAll(path, b));
        CThemeData theme;
        QVERIFY(theme.Load(path));
        QCOMPARE(theme.GetTab(0)->m_strName, text);
        QCOMPARE(theme.GetTab(0)->m_strBackground, text);
        QCOMPARE(theme.GetItem(0, 0)->m_strName, text);
        QCOMPARE(theme.GetItem(0, 0)->m_strTarget, text);
    }

    // A field filled to its last byte without a terminator is read to the field's end.
    void unterminatedFieldStopsAtItsEnd()
    {
        QByteArray rec = tabRecord({}, "bg");
        rec.replace(4, 261, QByteArray(261, 'x'));
        QByteArray b = header(1) + rec;
        put32(b, 0);
        const QString path = m_env->path("full.Theme");
        QVERIFY(TestEnv::writeAll(path, b));
        CThemeData theme;
        QVERIFY(theme.Load(path));
        QCOMPARE(theme.GetTab(0)->m_strName, QString(261, 'x'));
        QCOMPARE(theme.GetTab(0)->m_strBackground, QString("bg"));
    }

    void tooLongIsRefused_data()
    {
        QTest::addColumn<QString>("fieldName");
        QTest::addColumn<QString>("text");
        const QString t261 = repeat("x", 261), t129 = repeat("x", 129);
        QTest::newRow("tab name") << "tab.name" << t261;
        QTest::newRow("background") << "tab.background" << t261;
        QTest::newRow("item name") << "name" << t129;
        QTest::newRow("arguments") << "arguments" << t129;
        QTest::newRow("target") << "target" << t261;
        QTest::newRow("start in") << "startIn" << t261;
        QTest::newRow("icon file") << "iconFile" << t261;
        QTest::newRow("description") << "description" << t261;
        QTest::newRow("multi-byte name") << "name" << repeat("é", 65);
        QTest::newRow("multi-byte target") << "target" << repeat("€", 87);
        QTest::newRow("emoji tab name") << "tab.name" << repeat("😀", 66);
    }

    void tooLongIsRefused()
    {
        QFETCH(QString, fieldName);
        QFETCH(QString, text);
        const QByteArray before = twoByTwo();
        const QString path = existing(before);
        const qint64 time = mtimeMs(path);

        CThemeData theme;
        QVERIFY(theme.Load(path));
        CThemeTab* tab = theme.GetTab(1);
        CThemeItem* item = theme.GetItem(1, 1);
        QString* target = fieldName == "tab.name"         ? &tab->m_strName
                          : fieldName == "tab.background" ? &tab->m_strBackground
                          : fieldName == "name"           ? &item->m_strName
                          : fieldName == "arguments"      ? &item->m_strArguments
                          : fieldName == "target"         ? &item->m_strTarget
                          : fieldName == "startIn"        ? &item->m_strStartIn
                          : fieldName == "iconFile"       ? &item->m_strIconFile
                                                          : &item->m_strDescription;
        *target = text;
        theme.m_bModified = true;
        QVERIFY(!theme.Save());
        QVERIFY(theme.m_bModified);
        QCOMPARE(TestEnv::readAll(path), before);
        QCOMPARE(mtimeMs(path), time);
        QCOMPARE(QDir(m_env->root()).entryList(QDir::Files), QStringList{"old.Theme"});

        // Nor is a new file started.
        theme.m_strPath = m_env->path("new/new.Theme");
        QVERIFY(!theme.Save());
        QVERIFY(!QFileInfo::exists(theme.m_strPath));
    }

    void recordConversionNeverWritesPastAField()
    {
        CThemeItem item;
        item.m_strName = repeat("é", 100);
        item.m_strDescription = repeat("d", 300);
        QByteArray buf(kItem + 32, '\x5a');
        QVERIFY(!item.ToRecord(buf.data() + 16));
        QCOMPARE(buf.left(16), QByteArray(16, '\x5a'));
        QCOMPARE(buf.right(16), QByteArray(16, '\x5a'));
        QCOMPARE(buf.at(16 + 4 + 128), '\0');
        QCOMPARE(buf.at(16 + 1045 + 260), '\0');

        CThemeTab tab;
        tab.m_strName = repeat("n", 400);
        QByteArray tbuf(kTab + 32, '\x5a');
        QVERIFY(!tab.ToRecord(tbuf.data() + 16));
        QCOMPARE(tbuf.left(16), QByteArray(16, '\x5a'));
        QCOMPARE(tbuf.right(16), QByteArray(16, '\x5a'));
        QCOMPARE(tbuf.at(16 + 264), '\0');
    }

    void fitToField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("expectedChars");
        QTest::newRow("short") << "abc" << 129 << 3;
        QTest::newRow("exact") << repeat("a", 128) << 129 << 128;
        QTest::newRow("one over") << repeat("a", 129) << 129 << 128;
        QTest::newRow("two-byte even") << repeat("é", 100) << 129 << 64;
        QTest::newRow("two-byte odd") << "a" + repeat("é", 100) << 129 << 64;
        QTest::newRow("three-byte") << repeat("€", 100) << 129 << 42;
        QTest::newRow("three-byte shifted") << "ab" + repeat("€", 100) << 129 << 44;
        QTest::newRow("four-byte") << repeat("😀", 100) << 261 << 2 * 65; // UTF-16 units
        QTest::newRow("four-byte shifted") << "abc" + repeat("😀", 100) << 261 << 3 + 2 * 64;
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
        const QString path = m_env->path("future.Theme");
        QVERIFY(TestEnv::writeAll(path, b));
        CThemeData theme;
        QVERIFY(!theme.Load(path));
        QCOMPARE(m_messages, QStringList{"Invalid File Version Error:  " + path});
        QCOMPARE(theme.GetTabCount(), 0);
        QCOMPARE(theme.m_strPath, path);
    }

    void versionMessageStyle()
    {
        QList<fw::MessageRequest> seen;
        fw::SetMessageHandler([&](const fw::MessageRequest& r) {
            seen << r;
            return fw::IDOK;
        });
        const QString path = m_env->path("v2.Theme");
        QVERIFY(TestEnv::writeAll(path, header(0, 2)));
        CThemeData theme;
        QVERIFY(!theme.Load(path));
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].style & fw::MB_ICONMASK, fw::MB_ICONEXCLAMATION);
        QCOMPARE(seen[0].style & fw::MB_TYPEMASK, fw::MB_OK);
    }

    void emptyCounts_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("count 0") << header(0);
        QTest::newRow("count -1") << header(-1);
        QTest::newRow("count INT_MIN") << header(INT_MIN);
        QTest::newRow("count 0, trailing bytes") << header(0) + tabRecord("ignored");
    }

    void emptyCounts()
    {
        QFETCH(QByteArray, bytes);
        const QString path = m_env->path("empty.Theme");
        QVERIFY(TestEnv::writeAll(path, bytes));
        CThemeData theme;
        theme.m_bModified = true;
        QVERIFY(theme.Load(path));
        QCOMPARE(theme.GetTabCount(), 0);
        QVERIFY(!theme.m_bModified);
        QVERIFY(m_messages.isEmpty());
    }

    void negativeItemCountIsNoItems()
    {
        QByteArray b = header(2) + tabRecord("A");
        put32(b, -3);
        b += tabRecord("B");
        put32(b, 1);
        b += itemRecord("only");
        const QString path = m_env->path("neg.Theme");
        QVERIFY(TestEnv::writeAll(path, b));
        CThemeData theme;
        QVERIFY(theme.Load(path));
        QCOMPARE(theme.GetTabCount(), 2);
        QCOMPARE(theme.GetItemCount(0), 0);
        QCOMPARE(theme.GetItem(1, 0)->m_strName, QString("only"));
    }

    void damagedFilesFail_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray full = twoByTwo();
        const int secondTab = 8 + 536 + 2 * kItem;
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("version only, cut") << full.left(3);
        QTest::newRow("count cut") << full.left(6);
        QTest::newRow("inside first tab record") << full.left(8 + 100);
        QTest::newRow("inside first item count") << full.left(8 + kTab + 2);
        QTest::newRow("inside first item record") << full.left(8 + 536 + 700);
        QTest::newRow("inside second tab record") << full.left(secondTab + 300);
        QTest::newRow("inside last item record") << full.left(full.size() - 500);
        QTest::newRow("one byte short") << full.left(full.size() - 1);
        QTest::newRow("tab count one too many") << header(3) + full.mid(8);
        QTest::newRow("tab count 0x7fffffff") << header(0x7fffffff);
        QByteArray hugeItems = header(1) + tabRecord("T");
        put32(hugeItems, 0x7fffffff);
        QTest::newRow("item count 0x7fffffff") << hugeItems;
        QByteArray manyItems = header(1) + tabRecord("T");
        put32(manyItems, 1000);
        manyItems += itemRecord("one") + itemRecord("two");
        QTest::newRow("item count 1000, two records") << manyItems;
    }

    void damagedFilesFail()
    {
        QFETCH(QByteArray, bytes);
        const QString path = m_env->path("damaged.Theme");
        QVERIFY(TestEnv::writeAll(path, bytes));
        CThemeData theme;
        theme.InsertTab(0)->m_strName = "held";
        QVERIFY(!theme.Load(path));
        QCOMPARE(theme.GetTabCount(), 1);
        QCOMPARE(theme.GetTab(0)->m_strName, QString("held"));
        QCOMPARE(theme.GetItemCount(0), 0);
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(TestEnv::readAll(path), bytes);
    }

    void missingOrUnopenableFails()
    {
        CThemeData theme;
        QVERIFY(!theme.Load(m_env->path("none.Theme")));
        QCOMPARE(theme.m_strPath, m_env->path("none.Theme"));
        QVERIFY(!theme.Load(m_env->root()));
        QCOMPARE(theme.GetTabCount(), 0);
        QVERIFY(m_messages.isEmpty());
    }

    void unmodifiedSaveTouchesNothing()
    {
        const QByteArray before = twoByTwo();
        const QString path = existing(before);
        const qint64 time = mtimeMs(path);
        CThemeData theme;
        QVERIFY(theme.Load(path));
        theme.GetTab(0)->m_strName = "edited, but not marked"; // callers mark their own edits
        QVERIFY(theme.Save());
        QCOMPARE(TestEnv::readAll(path), before);
        QCOMPARE(mtimeMs(path), time);

        CThemeData fresh;
        fresh.InsertTab(0);
        fresh.m_bModified = false;
        fresh.m_strPath = m_env->path("sub/never.Theme");
        QVERIFY(fresh.Save());
        QVERIFY(!QFileInfo::exists(m_env->path("sub")));
    }

    void saveCreatesFolders()
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
    }

    void saveFailsWhenFolderCannotBeMade()
    {
        QVERIFY(TestEnv::writeAll(m_env->path("blocker"), "x"));
        CThemeData theme;
        theme.InsertTab(0);
        theme.m_strPath = m_env->path("blocker/sub/x.Theme");
        QVERIFY(!theme.Save());
        QVERIFY(theme.m_bModified);
        QCOMPARE(TestEnv::readAll(m_env->path("blocker")), QByteArray("x"));
    }

    void loadMakesFileFolderCurrent()
    {
        QVERIFY(QDir().mkpath(m_env->path("Themes/sub")));
        const QString path = m_env->path("Themes/sub/x.Theme");
        QVERIFY(TestEnv::writeAll(path, header(0)));
        QVERIFY(QDir::setCurrent(m_env->root()));
        CThemeData theme;
        QVERIFY(theme.Load(path));
        QCOMPARE(QDir::currentPath(), QFileInfo(m_env->path("Themes/sub")).canonicalFilePath());
        // A relative path then names files beside the theme.
        QVERIFY(TestEnv::writeAll("beside.Theme", header(0)));
        QVERIFY(QFileInfo::exists(m_env->path("Themes/sub/beside.Theme")));
    }

    void loadAppends()
    {
        const QString path = m_env->path("two.Theme");
        QVERIFY(TestEnv::writeAll(path, twoByTwo()));
        CThemeData theme;
        theme.InsertTab(0)->m_strName = "held";
        QVERIFY(theme.Load(path));
        QCOMPARE(theme.GetTabCount(), 3);
        QCOMPARE(theme.GetTab(0)->m_strName, QString("held"));
        QCOMPARE(theme.GetTab(1)->m_strName, QString("Tab 0"));
        QCOMPARE(theme.GetItem(2, 1)->m_strName, QString("Item 11"));
        QCOMPARE(theme.GetItem(2, 1)->m_strTarget, QString("/usr/bin/true"));
        QVERIFY(!theme.m_bModified);
    }

    void saveKeepsLinkAndMode_data()
    {
        QTest::addColumn<int>("links"); // links between the theme's path and the file
        QTest::addColumn<int>("mode");
        QTest::newRow("plain file 0600") << 0 << 0600;
        QTest::newRow("plain file 0644") << 0 << 0644;
        QTest::newRow("through a link, 0640") << 1 << 0640;
        QTest::newRow("through two links, 0604") << 2 << 0604;
    }

    void saveKeepsLinkAndMode()
    {
        QFETCH(int, links);
        QFETCH(int, mode);
        QVERIFY(QDir().mkpath(m_env->path("real")));
        const QString real = m_env->path("real/Shared.Theme");
        QVERIFY(TestEnv::writeAll(real, twoByTwo()));
        QVERIFY(::chmod(QFile::encodeName(real).constData(), mode_t(mode)) == 0);
        QString path = real;
        if (links >= 1) {
            path = m_env->path("My.Theme");
            QVERIFY(QFile::link("real/Shared.Theme", path)); // relative link
        }
        if (links >= 2) {
            QVERIFY(QFile::link(path, m_env->path("Outer.Theme")));
            path = m_env->path("Outer.Theme");
        }

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
