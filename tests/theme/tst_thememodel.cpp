#include "TestEnv.h"
#include "TestThemes.h"

#include <tuple>

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

    // Out of range nothing is found, removed or inserted, and nothing is marked;
    // an index equal to the count inserts at the end.
    void invalidIndexesChangeNothing()
    {
        CThemeData theme;
        fill(theme, 2, 2);
        for (int bad : {-1, 2}) {
            QCOMPARE(theme.GetTab(bad), nullptr);
            QVERIFY(!theme.RemoveTab(bad));
            QCOMPARE(theme.GetItemCount(bad), 0);
            QCOMPARE(theme.GetItem(bad, 0), nullptr);
            QVERIFY(!theme.RemoveItem(bad, 0));
            QCOMPARE(theme.InsertItem(bad, 0), nullptr);
            QCOMPARE(theme.GetItem(0, bad), nullptr);
            QVERIFY(!theme.RemoveItem(0, bad));
        }
        QCOMPARE(theme.InsertTab(-1), nullptr);
        QCOMPARE(theme.InsertItem(0, -1), nullptr);
        QCOMPARE(theme.InsertItem(0, 3), nullptr);
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

    // Every field is copied, items are appended after what the copy held,
    // and nothing is shared with the source afterwards.
    void copiesAreDeep()
    {
        CThemeData theme;
        fill(theme, 1, 3);
        CThemeTab& source = *theme.m_tabs[0];
        source.m_strBackground = "/usr/share/backgrounds/sky.bmp";
        source.m_nReserved = 77;
        CThemeItem& full = *source.m_items[1];
        int n = 0;
        for (QString* f : {&full.m_strArguments, &full.m_strTarget, &full.m_strStartIn, &full.m_strIconFile,
                           &full.m_strDescription})
            *f = QString("field %1").arg(++n);
        std::tie(full.m_nIconIndex, full.m_nShowCmd, full.m_nReserved1, full.m_nReserved2, full.m_bDialFirst) =
            std::tuple(4, 3, 11, 22, 1);
        full.m_ptPosition = QPoint(-5, 901);
        const QStringList before = describe(source);

        CThemeTab copy;
        copy.m_items.push_back(std::make_unique<CThemeItem>());
        copy.m_items.back()->m_strName = "already here";
        copy.Copy(source);
        QCOMPARE(copy.m_items.size(), size_t(4));
        QCOMPARE(copy.m_items[0]->m_strName, QString("already here"));
        copy.m_items.erase(copy.m_items.begin());
        QCOMPARE(describe(copy), before);

        copy.m_items[1]->m_strTarget = "changed";
        copy.m_items[1]->m_ptPosition = QPoint(1, 1);
        copy.m_items.pop_back();
        CThemeItem single;
        single.Copy(full);
        QCOMPARE(describe(source), before);
        QCOMPARE(single.m_nReserved2, 22);
    }
};

QTEST_GUILESS_MAIN(tst_ThemeModel)
#include "tst_thememodel.moc"
