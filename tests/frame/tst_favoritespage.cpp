// The Favorites page of Customize: ordering, copying from the open theme,
// what applying writes, and the page alone on the sheet the bar's menu opens.

#include "TestEnv.h"
#include "TestThemes.h"
#include "app/DialtopApp.h"
#include "frame/FavoritesPage.h"
#include "frame/MainFrame.h"
#include "launcher/ItemDialogs.h"
#include "res/ResourceIds.h"
#include "theme/DialtopDoc.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolBar>

namespace {

const QString kTarget = QStringLiteral("https://example.org/");

QStringList names(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// The favorites file as applying writes it: the first tab anew, the others kept.
QByteArray favoritesBytes(const QStringList& first, const QStringList& second)
{
    CThemeData t;
    auto fill = [&t](int tab, const QStringList& items) {
        for (const QString& n : items) {
            CThemeItem* item = t.InsertItem(tab, t.GetItemCount(tab));
            item->m_strName = n;
            item->m_strTarget = kTarget;
        }
    };
    t.InsertTab(0);
    fill(0, first);
    if (!second.isEmpty())
        t.InsertTab(1)->m_strName = "Hidden";
    fill(1, second);
    QByteArray bytes;
    t.ToBytes(bytes);
    return bytes;
}

} // namespace

class tst_FavoritesPage : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    CThemeData m_theme;
    CThemeData m_favorites;
    std::unique_ptr<CCustomizeFavoritesSheet> m_sheet;
    bool m_bShown = false;

    CCustomizePropertyPage2& page() { return m_sheet->m_page2; }
    void click(int id) { page().Item<QPushButton>(id)->click(); }

    void open(const QStringList& favorites, const QStringList& hidden = {})
    {
        writeTheme(m_env->path("open.Theme"), {{"One", {{"a", {}, kTarget + "a"}, {"b", {}, "docs/b.txt"}}},
                                               {"Two", {{"c", {}, kTarget + "c"}, {"d", {}, kTarget + "d"}}}});
        QVERIFY(m_theme.Load(m_env->path("open.Theme")));
        m_favorites.m_strPath = m_env->path("Favorites.fav");
        QVERIFY(TestEnv::writeAll(m_favorites.m_strPath, favoritesBytes(favorites, hidden)));
        QVERIFY(m_favorites.Load(m_favorites.m_strPath));
        m_sheet = std::make_unique<CCustomizeFavoritesSheet>();
        page().m_pTheme = &m_theme;
        page().m_pFavorites = &m_favorites;
        page().m_pfnShowFavoritesBar = [this] { m_bShown = true; };
        m_sheet->Create();
    }

private slots:
    void init() { m_env = std::make_unique<TestEnv>(); m_bShown = false; }
    void cleanup()
    {
        m_sheet.reset();
        m_theme.DeleteAll();
        m_favorites.DeleteAll();
        fw::CDialog::SetModalHandler({});
        m_env.reset();
    }

    void upAndDown_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<int>("selectedAfter");
        QTest::newRow("up on the first") << ids::IDC_FAV_UP << 0 << QStringList{"A", "B", "C"} << 0;
        QTest::newRow("down on the last") << ids::IDC_FAV_DOWN << 2 << QStringList{"A", "B", "C"} << 2;
        QTest::newRow("up") << ids::IDC_FAV_UP << 2 << QStringList{"A", "C", "B"} << 1;
        QTest::newRow("down") << ids::IDC_FAV_DOWN << 0 << QStringList{"B", "A", "C"} << 1;
        QTest::newRow("nothing selected") << ids::IDC_FAV_DOWN << -1 << QStringList{"A", "B", "C"} << -1;
    }
    void upAndDown()
    {
        QFETCH(int, button);
        QFETCH(int, selected);
        open({"A", "B", "C"});
        if (selected >= 0)
            page().m_lstFavorites->item(selected)->setSelected(true);
        click(button);
        QTEST(names(page().m_lstFavorites), "order");
        QFETCH(int, selectedAfter);
        const auto sel = page().m_lstFavorites->selectedItems();
        QCOMPARE(sel.isEmpty() ? -1 : page().m_lstFavorites->row(sel[0]), selectedAfter);
    }

    void copyAppendsBottomUpWithFullPaths()
    {
        open({"A"});
        QCOMPARE(names(page().m_lstItems), (QStringList{"a", "b", "c", "d"}));
        for (int i : {0, 1, 2})
            page().m_lstItems->item(i)->setSelected(true);
        click(ids::IDC_FAV_COPY);
        QCOMPARE(names(page().m_lstFavorites), (QStringList{"A", "c", "b", "a"}));
        QCOMPARE(page().m_lstItems->selectedItems().size(), 3);
        QCOMPARE(page().Entry(page().m_lstFavorites, 2)->m_pItem->m_strTarget, QDir::current().absoluteFilePath("docs/b.txt"));
    }

    // OK writes the first tab anew and keeps the others, changed or not.
    void applyWritesTheFile_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("hidden");
        QTest::addColumn<int>("button");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("unchanged") << QStringList{"A", "B"} << QStringList{"X"} << 0 << QStringList{"A", "B"};
        QTest::newRow("all deleted") << QStringList{"A"} << QStringList{} << ids::IDC_FAV_DELETE << QStringList{};
        QTest::newRow("new") << QStringList{"A"} << QStringList{} << ids::IDC_FAV_NEW << QStringList{"A", "N"};
        QTest::newRow("edited") << QStringList{"A", "B"} << QStringList{"X"} << ids::IDC_FAV_PROPERTIES
                                << QStringList{"A", "B2"};
    }
    void applyWritesTheFile()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, hidden);
        QFETCH(int, button);
        open(before, hidden);
        fw::CDialog::SetModalHandler([](fw::CDialog* dlg) {
            dlg->Item<QLineEdit>(1000)->setText(qobject_cast<CAddItemDlg*>(dlg) ? "N" : "B2");
            dlg->Item<QLineEdit>(1003)->setText(kTarget);
            dlg->Item<QPushButton>(1)->click();
            return dlg->Result();
        });
        page().m_lstFavorites->item(before.size() - 1)->setSelected(true);
        if (button)
            click(button);
        m_sheet->PressButton(fw::CPropertySheet::PSBTN_OK);
        QTEST(names(page().m_lstFavorites), "after");
        QFETCH(QStringList, after);
        QCOMPARE(TestEnv::readAll(m_favorites.m_strPath), favoritesBytes(after, hidden));
        QVERIFY(m_bShown);
    }

    // From the bar's menu: the page alone; Cancel after editing an entry
    // leaves the favourites as they were, OK with none hides the bar.
    void sheetFromTheBarMenu_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("edited, then Cancel") << false;
        QTest::newRow("all deleted, then OK") << true;
    }
    void sheetFromTheBarMenu()
    {
        QFETCH(bool, ok);
        CDialtopApp app;
        app.SetRegistryKey("Corvane");
        app.AddDocTemplate(std::make_unique<fw::CDocTemplate>(
            ids::IDR_MAINFRAME, [] { return std::make_unique<CDialtopDoc>(); },
            [](fw::CDocument* d) -> fw::CFrameWnd* { return new CMainFrame(static_cast<CDialtopDoc*>(d)); }));
        writeTheme(m_env->path("open.Theme"), "One");
        const QString file = CMainFrame::FavoritesFileName();
        QDir().mkpath(QFileInfo(file).path());
        QVERIFY(TestEnv::writeAll(file, favoritesBytes({"A"}, {})));
        QVERIFY(app.OpenDocumentFile(m_env->path("open.Theme")));
        auto* frame = static_cast<CMainFrame*>(app.GetDocTemplate()->GetFrame());
        frame->show();

        QStringList pages;
        fw::CDialog::SetModalHandler([&](fw::CDialog* dlg) {
            if (!qobject_cast<fw::CPropertySheet*>(dlg)) {
                dlg->Item<QLineEdit>(1000)->setText("Changed");
                dlg->Item<QPushButton>(1)->click();
                return dlg->Result();
            }
            auto* sheet = static_cast<fw::CPropertySheet*>(dlg);
            for (int i = 0; i < sheet->GetPageCount(); ++i)
                pages << sheet->GetPage(i)->GetTitle();
            auto* p = static_cast<CCustomizePropertyPage2*>(sheet->GetPage(0));
            p->m_lstFavorites->item(0)->setSelected(true);
            p->Item<QPushButton>(ok ? ids::IDC_FAV_DELETE : ids::IDC_FAV_PROPERTIES)->click();
            if (!ok)
                [&] { QCOMPARE(names(p->m_lstFavorites), QStringList{"Changed"}); }();
            sheet->PressButton(ok ? fw::CPropertySheet::PSBTN_OK : fw::CPropertySheet::PSBTN_CANCEL);
            return sheet->Result();
        });
        fw::CFrameWnd::SetPopupHandler([](QMenu*) { return ids::ID_CUSTOMIZE_FAVORITES; });
        frame->OnFavoritesContextMenu(QPoint());
        fw::CFrameWnd::SetPopupHandler({});

        QCOMPARE(pages, QStringList{"Favorites"});
        QCOMPARE(TestEnv::readAll(file), favoritesBytes(ok ? QStringList{} : QStringList{"A"}, {}));
        QCOMPARE(frame->Favorites().GetItemCount(0), ok ? 0 : 1);
        QCOMPARE(frame->FavoritesBar()->isVisible(), !ok);
        QVERIFY(frame->close());
    }
};

QTEST_MAIN(tst_FavoritesPage)
#include "tst_favoritespage.moc"
