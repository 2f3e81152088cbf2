// The Favorites page of Customize, opened from the favorites bar's menu: what
// each button does to the list, and what OK and Cancel leave in the file.

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

QStringList names(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// A favorites file as OK writes it: the first tab anew, a second one kept.
QByteArray favoritesBytes(const TestEnv& env, const QStringList& first, const QStringList& second)
{
    QList<TabSpec> tabs{{"", {}}, {"Hidden", {}}};
    for (int t : {0, 1})
        for (const QString& name : t ? second : first)
            tabs[t].items << ItemSpec{name};
    writeTheme(env.path("expected.Theme"), second.isEmpty() ? tabs.mid(0, 1) : tabs);
    return TestEnv::readAll(env.path("expected.Theme"));
}

QStringList L(const char* names) { return QString(names).split(' ', Qt::SkipEmptyParts); }

} // namespace

class tst_FavoritesPage : public QObject
{
    Q_OBJECT

private slots:
    // The last favourite and the first three items of the open theme (over
    // two tabs) are selected, one button is pressed, then OK or Cancel.
    void buttons_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("hidden");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("selected");
        QTest::newRow("up") << L("A B C") << L("") << ids::IDC_FAV_UP << true << L("A C B") << 1;
        QTest::newRow("up on the first") << L("A") << L("") << ids::IDC_FAV_UP << true << L("A") << 0;
        QTest::newRow("down on the last") << L("A B") << L("") << ids::IDC_FAV_DOWN << true << L("A B") << 1;
        QTest::newRow("copy") << L("A") << L("") << ids::IDC_FAV_COPY << true << L("A c b a") << 0;
        QTest::newRow("all deleted") << L("A") << L("") << ids::IDC_FAV_DELETE << true << L("") << -1;
        QTest::newRow("new") << L("A") << L("") << ids::IDC_FAV_NEW << true << L("A N") << 0;
        QTest::newRow("edited") << L("A B") << L("X") << ids::IDC_FAV_PROPERTIES << true << L("A B2") << 1;
        QTest::newRow("edited, cancelled") << L("A B") << L("X") << ids::IDC_FAV_PROPERTIES << false << L("A B2") << 1;
    }
    void buttons()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, hidden);
        QFETCH(int, button);
        QFETCH(bool, ok);
        QFETCH(QStringList, after);
        TestEnv env;
        UiStubs ui; // no message box may wait for an answer
        CDialtopApp app;
        app.SetRegistryKey("Corvane");
        app.AddDocTemplate(std::make_unique<fw::CDocTemplate>(
            ids::IDR_MAINFRAME, [] { return std::make_unique<CDialtopDoc>(); },
            [](fw::CDocument* d) -> fw::CFrameWnd* { return new CMainFrame(static_cast<CDialtopDoc*>(d)); }));
        writeTheme(env.path("open.Theme"), {{"One", {{"a"}, {"b"}}}, {"Two", {{"c"}, {"d"}}}});
        const QString file = CMainFrame::FavoritesFileName();
        QVERIFY(QDir().mkpath(QFileInfo(file).path()) && TestEnv::writeAll(file, favoritesBytes(env, before, hidden)));
        QVERIFY(app.OpenDocumentFile(env.path("open.Theme")));
        auto* frame = static_cast<CMainFrame*>(app.GetDocTemplate()->GetFrame());
        frame->show();

        QStringList pages, shown;
        int selected = -2;
        fw::CDialog::SetModalHandler([&](fw::CDialog* dlg) {
            auto* sheet = qobject_cast<fw::CPropertySheet*>(dlg);
            if (!sheet) { // Add Item or Properties
                dlg->Item<QLineEdit>(1000)->setText(qobject_cast<CAddItemDlg*>(dlg) ? "N" : "B2");
                dlg->Item<QLineEdit>(1003)->setText(ItemSpec().target);
                dlg->Item<QPushButton>(1)->click();
                return dlg->Result();
            }
            for (int i = 0; i < sheet->GetPageCount(); ++i)
                pages << sheet->GetPage(i)->GetTitle();
            auto* p = static_cast<CCustomizePropertyPage2*>(sheet->GetPage(0));
            p->m_lstFavorites->item(before.size() - 1)->setSelected(true);
            for (int i : {0, 1, 2})
                p->m_lstItems->item(i)->setSelected(true);
            p->Item<QPushButton>(button)->click();
            shown = names(p->m_lstFavorites);
            const auto sel = p->m_lstFavorites->selectedItems();
            selected = sel.isEmpty() ? -1 : p->m_lstFavorites->row(sel[0]);
            sheet->PressButton(ok ? fw::CPropertySheet::PSBTN_OK : fw::CPropertySheet::PSBTN_CANCEL);
            return sheet->Result();
        });
        fw::CFrameWnd::SetPopupHandler([](QMenu*) { return ids::ID_CUSTOMIZE_FAVORITES; });
        frame->OnFavoritesContextMenu(QPoint());
        fw::CFrameWnd::SetPopupHandler({}), fw::CDialog::SetModalHandler({});
        QVERIFY(pages == QStringList{"Favorites"} && shown == after);
        QTEST(selected, "selected");
        const QStringList kept = ok ? after : before;
        QCOMPARE(TestEnv::readAll(file), favoritesBytes(env, kept, hidden));
        QVERIFY(frame->Favorites().GetItemCount(0) == int(kept.size()) && frame->FavoritesBar()->isVisible() == !kept.isEmpty());
        QVERIFY(ui.messages.isEmpty() && frame->close());
    }
};

QTEST_MAIN(tst_FavoritesPage)
#include "tst_favoritespage.moc"
