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
    // Inserts and removals land where asked and each marks the theme.
    void editsLandWhereAsked()
    {
        CThemeData theme;
        fill(theme, 2, 2);
        const auto marks = [&theme](bool done) {
            const bool marked = theme.m_bModified;
            theme.m_bModified = false;
            return done && marked;
        };
        QVERIFY(marks(theme.InsertTab(2) && theme.InsertTab(0)));
        theme.GetTab(0)->m_strName = "first";
        theme.GetTab(3)->m_strName = "appended";
        QVERIFY(marks(theme.InsertItem(1, 2) && theme.InsertItem(1, 0)));
        theme.GetItem(1, 0)->m_strName = "start";
        theme.GetItem(1, 3)->m_strName = "end";
        QCOMPARE(outline(theme), QString("first: | T0: start T0.I0 T0.I1 end | T1: T1.I0 T1.I1 | appended:"));
        QVERIFY(marks(theme.RemoveItem(1, 1)));
        QVERIFY(marks(theme.RemoveTab(2)));
        QCOMPARE(outline(theme), QString("first: | T0: start T0.I1 end | appended:"));
        QVERIFY(theme.RemoveTab(0) && theme.RemoveTab(0) && theme.RemoveTab(0));
        QCOMPARE(theme.GetTab(0), nullptr);
        QCOMPARE(theme.GetItem(0, 0), nullptr);
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
        copy.Copy(source);
        QCOMPARE(copy.m_items.size(), size_t(4));
        copy.m_items.erase(copy.m_items.begin()); // the item it held comes first
        QCOMPARE(describe(copy), before);
        copy.m_items[1]->m_strTarget = "changed";
        copy.m_items.pop_back();
        QCOMPARE(describe(source), before);
        CThemeItem single;
        single.Copy(full);
        QCOMPARE(single.m_nReserved2, 22);
    }
};

QTEST_GUILESS_MAIN(tst_ThemeModel)
#include "tst_thememodel.moc"
