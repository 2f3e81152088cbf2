#include "TestEnv.h"
#include "theme/ThemeData.h"

#include <QtTest>

namespace {

// Names of the tabs in order, to see where insertions land.
QStringList tabNames(const CThemeData& theme)
{
    QStringList out;
    for (int i = 0; i < theme.GetTabCount(); ++i)
        out << theme.GetTab(i)->m_strName;
    return out;
}

QStringList itemNames(const CThemeData& theme, int tab)
{
    QStringList out;
    for (int i = 0; i < theme.GetItemCount(tab); ++i)
        out << theme.GetItem(tab, i)->m_strName;
    return out;
}

// A theme with tabs "T0".."T<n-1>", each with items "T<t>.I<i>", unmodified.
void fill(CThemeData& theme, int tabs, int items)
{
    for (int t = 0; t < tabs; ++t) {
        CThemeTab* tab = theme.InsertTab(t);
        tab->m_strName = QString("T%1").arg(t);
        for (int i = 0; i < items; ++i)
            theme.InsertItem(t, i)->m_strName = QString("T%1.I%2").arg(t).arg(i);
    }
    theme.m_bModified = false;
}

} // namespace

class tst_ThemeModel : public QObject
{
    Q_OBJECT

    TestEnv m_env;

private slots:
    void insertPositions()
    {
        CThemeData theme;
        fill(theme, 2, 2);
        theme.InsertTab(2)->m_strName = "appended";
        theme.InsertTab(0)->m_strName = "first";
        theme.InsertTab(2)->m_strName = "middle";
        QCOMPARE(tabNames(theme), (QStringList{"first", "T0", "middle", "T1", "appended"}));
        QVERIFY(theme.m_bModified);

        theme.m_bModified = false;
        theme.InsertItem(1, 2)->m_strName = "end";
        theme.InsertItem(1, 0)->m_strName = "start";
        QCOMPARE(itemNames(theme, 1), (QStringList{"start", "T0.I0", "T0.I1", "end"}));
        QVERIFY(theme.m_bModified);
    }

    void invalidIndexesChangeNothing_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<int>("item");
        QTest::newRow("tab -1") << -1 << 0;
        QTest::newRow("tab past end") << 2 << 0;
        QTest::newRow("tab far past end") << 1000 << 0;
        QTest::newRow("item -1") << 0 << -1;
        QTest::newRow("item past end") << 0 << 3;
    }

    void invalidIndexesChangeNothing()
    {
        QFETCH(int, tab);
        QFETCH(int, item);
        CThemeData theme;
        fill(theme, 2, 2);
        const QStringList tabsBefore = tabNames(theme);

        const bool badTab = tab < 0 || tab >= 2;
        if (badTab) {
            QCOMPARE(theme.GetTab(tab), nullptr);
            QVERIFY(!theme.RemoveTab(tab));
            QCOMPARE(theme.GetItemCount(tab), 0);
            if (tab != 2) // 2 is the count: an append
                QCOMPARE(theme.InsertTab(tab), nullptr);
        }
        QCOMPARE(theme.GetItem(tab, item), nullptr);
        QVERIFY(!theme.RemoveItem(tab, item));
        if (badTab || item < 0 || item > 2)
            QCOMPARE(theme.InsertItem(tab, item), nullptr);

        QVERIFY(!theme.m_bModified);
        QCOMPARE(tabNames(theme), tabsBefore);
        QCOMPARE(itemNames(theme, 0), (QStringList{"T0.I0", "T0.I1"}));
        QCOMPARE(itemNames(theme, 1), (QStringList{"T1.I0", "T1.I1"}));
    }

    void removals()
    {
        CThemeData theme;
        fill(theme, 3, 3);
        QVERIFY(theme.RemoveItem(1, 1));
        QVERIFY(theme.m_bModified);
        QCOMPARE(itemNames(theme, 1), (QStringList{"T1.I0", "T1.I2"}));
        theme.m_bModified = false;
        QVERIFY(theme.RemoveTab(1));
        QVERIFY(theme.m_bModified);
        QCOMPARE(tabNames(theme), (QStringList{"T0", "T2"}));
        QCOMPARE(itemNames(theme, 1), (QStringList{"T2.I0", "T2.I1", "T2.I2"}));
    }

    void removingOnlyTabLeavesEmptyTheme()
    {
        CThemeData theme;
        fill(theme, 1, 2);
        QVERIFY(theme.RemoveTab(0));
        QCOMPARE(theme.GetTabCount(), 0);
        QVERIFY(theme.m_bModified);
        QCOMPARE(theme.GetTab(0), nullptr);
        QCOMPARE(theme.GetItem(0, 0), nullptr);
    }

    void deleteAllKeepsModifiedSoSaveWritesEmptyTheme()
    {
        CThemeData theme;
        fill(theme, 2, 2);
        theme.m_bModified = true;
        theme.DeleteAll();
        QCOMPARE(theme.GetTabCount(), 0);
        QVERIFY(theme.m_bModified);
        theme.m_strPath = m_env.path("cleared.Theme");
        QVERIFY(theme.Save());
        QCOMPARE(TestEnv::readAll(theme.m_strPath), QByteArray("\x01\0\0\0\0\0\0\0", 8));
        QVERIFY(!theme.m_bModified);

        CThemeData unmodified;
        fill(unmodified, 1, 1);
        unmodified.DeleteAll();
        QVERIFY(!unmodified.m_bModified);
    }

    void copiesAreDeep()
    {
        CThemeTab source;
        source.m_strName = "Internet";
        source.m_strBackground = "/usr/share/backgrounds/sky.bmp";
        source.m_nReserved = 77;
        for (int i = 0; i < 3; ++i) {
            auto item = std::make_unique<CThemeItem>();
            item->m_strName = QString("item %1").arg(i);
            item->m_strArguments = "--new-window";
            item->m_strTarget = "https://example.org/";
            item->m_strStartIn = "/tmp";
            item->m_strIconFile = "web-browser";
            item->m_strDescription = "Opens the browser";
            item->m_nIconIndex = 4;
            item->m_nShowCmd = 3;
            item->m_nReserved1 = 11;
            item->m_ptPosition = QPoint(-5, 900);
            item->m_nReserved2 = 22;
            item->m_bDialFirst = 1;
            source.m_items.push_back(std::move(item));
        }

        CThemeTab copy;
        copy.Copy(source);
        QCOMPARE(copy.m_strName, source.m_strName);
        QCOMPARE(copy.m_strBackground, source.m_strBackground);
        QCOMPARE(copy.m_nReserved, 77);
        QCOMPARE(copy.m_items.size(), source.m_items.size());
        for (size_t i = 0; i < copy.m_items.size(); ++i) {
            const CThemeItem& a = *source.m_items[i];
            const CThemeItem& b = *copy.m_items[i];
            QVERIFY(&a != &b);
            QCOMPARE(b.m_strName, a.m_strName);
            QCOMPARE(b.m_strArguments, a.m_strArguments);
            QCOMPARE(b.m_strTarget, a.m_strTarget);
            QCOMPARE(b.m_strStartIn, a.m_strStartIn);
            QCOMPARE(b.m_strIconFile, a.m_strIconFile);
            QCOMPARE(b.m_strDescription, a.m_strDescription);
            QCOMPARE(b.m_nIconIndex, a.m_nIconIndex);
            QCOMPARE(b.m_nShowCmd, a.m_nShowCmd);
            QCOMPARE(b.m_nReserved1, a.m_nReserved1);
            QCOMPARE(b.m_ptPosition, a.m_ptPosition);
            QCOMPARE(b.m_nReserved2, a.m_nReserved2);
            QCOMPARE(b.m_bDialFirst, a.m_bDialFirst);
        }

        copy.m_strName = "changed";
        copy.m_items[0]->m_strName = "changed";
        copy.m_items[0]->m_ptPosition = QPoint(1, 1);
        copy.m_items.pop_back();
        QCOMPARE(source.m_strName, QString("Internet"));
        QCOMPARE(source.m_items.size(), size_t(3));
        QCOMPARE(source.m_items[0]->m_strName, QString("item 0"));
        QCOMPARE(source.m_items[0]->m_ptPosition, QPoint(-5, 900));

        CThemeItem single;
        single.Copy(*source.m_items[1]);
        single.m_strTarget = "/bin/true";
        QCOMPARE(source.m_items[1]->m_strTarget, QString("https://example.org/"));
        QCOMPARE(single.m_nReserved2, 22);
    }

    // Copy goes into a new, empty tab: items are appended after what is there.
    void tabCopyAppendsItems()
    {
        CThemeTab source;
        source.m_items.push_back(std::make_unique<CThemeItem>());
        source.m_items.back()->m_strName = "from source";
        CThemeTab dest;
        dest.m_items.push_back(std::make_unique<CThemeItem>());
        dest.m_items.back()->m_strName = "already here";
        dest.Copy(source);
        QCOMPARE(dest.m_items.size(), size_t(2));
        QCOMPARE(dest.m_items[0]->m_strName, QString("already here"));
        QCOMPARE(dest.m_items[1]->m_strName, QString("from source"));
    }
};

QTEST_GUILESS_MAIN(tst_ThemeModel)
#include "tst_thememodel.moc"
