#include "TestEnv.h"
#include "TestThemes.h"

namespace {

// Tabs and their items by name, e.g. "T0: T0.I0 T0.I1 | T1:", to see where changes land.
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
        QCOMPARE(outline(theme), QString("first: | T0: T0.I0 T0.I1 | middle: | T1: T1.I0 T1.I1 | appended:"));
        QVERIFY(theme.m_bModified);

        theme.m_bModified = false;
        theme.InsertItem(1, 2)->m_strName = "end";
        theme.InsertItem(1, 0)->m_strName = "start";
        QCOMPARE(outline(theme).section(" | ", 1, 1), QString("T0: start T0.I0 T0.I1 end"));
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
        QCOMPARE(outline(theme), QString("T0: T0.I0 T0.I1 | T1: T1.I0 T1.I1"));
    }

    void removals()
    {
        CThemeData theme;
        fill(theme, 3, 3);
        QVERIFY(theme.RemoveItem(1, 1));
        QVERIFY(theme.m_bModified);
        QCOMPARE(outline(theme), QString("T0: T0.I0 T0.I1 T0.I2 | T1: T1.I0 T1.I2 | T2: T2.I0 T2.I1 T2.I2"));
        theme.m_bModified = false;
        QVERIFY(theme.RemoveTab(1));
        QVERIFY(theme.m_bModified);
        QCOMPARE(outline(theme), QString("T0: T0.I0 T0.I1 T0.I2 | T2: T2.I0 T2.I1 T2.I2"));
        // Down to no tab at all.
        QVERIFY(theme.RemoveTab(0) && theme.RemoveTab(0));
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
            QString* text[] = {&item->m_strName, &item->m_strArguments, &item->m_strTarget,
                               &item->m_strStartIn, &item->m_strIconFile, &item->m_strDescription};
            for (int f = 0; f < 6; ++f)
                *text[f] = QString("field %1 of %2").arg(f).arg(i);
            item->m_nIconIndex = 4;
            item->m_nShowCmd = 3;
            item->m_nReserved1 = 11;
            item->m_ptPosition = QPoint(-5, 900 + i);
            item->m_nReserved2 = 22;
            item->m_bDialFirst = 1;
            source.m_items.push_back(std::move(item));
        }
        const QStringList before = describe(source);

        // Copy goes into a new, empty tab: items are appended after what is there.
        CThemeTab copy;
        copy.m_items.push_back(std::make_unique<CThemeItem>());
        copy.m_items.back()->m_strName = "already here";
        copy.Copy(source);
        QCOMPARE(copy.m_items.size(), size_t(4));
        QCOMPARE(copy.m_items[0]->m_strName, QString("already here"));
        copy.m_items.erase(copy.m_items.begin());
        QCOMPARE(describe(copy), before);

        copy.m_strName = "changed";
        copy.m_items[0]->m_strName = "changed";
        copy.m_items[0]->m_ptPosition = QPoint(1, 1);
        copy.m_items.pop_back();
        CThemeItem single;
        single.Copy(*source.m_items[1]);
        single.m_strTarget = "/bin/true";
        QCOMPARE(describe(source), before);
        QCOMPARE(single.m_nReserved2, 22);
    }
};

QTEST_GUILESS_MAIN(tst_ThemeModel)
#include "tst_thememodel.moc"
