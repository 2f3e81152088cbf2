// The launcher view over an opened theme: what the user sees after opening,
// dragging, editing, pasting and dropping, and what Save then writes.

#include "TestEnv.h"
#include "TestThemes.h"
#include "framework/CmdTarget.h"
#include "framework/Dialog.h"
#include "framework/FrameWnd.h"
#include "launcher/DialtopView.h"
#include "launcher/ItemListCtrl.h"
#include "launcher/LauncherClipboard.h"
#include "platform/shell/Execute.h"
#include "res/ResourceIds.h"
#include "theme/DialtopDoc.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTabBar>

#include <memory>

const QList<TabSpec> kThreeTabs{
    {"Internet", {{"Debian", {20, 20}}, {"Mail", {120, 20}, "mailto:"}, {"Wiki", {220, 140}}}},
    {"Programs", {{"Env", {40, 60}, "/usr/bin/env"}, {"Root", {140, 60}, "/"}}},
    {"Empty", {}},
};

using DialogAnswer = std::function<int(fw::CDialog*)>;

// Fills the dialog's edit fields and presses OK; IDCANCEL when it stays open.
DialogAnswer okWith(const QMap<int, QString>& fields)
{
    return [fields](fw::CDialog* d) {
        for (auto it = fields.begin(); it != fields.end(); ++it)
            d->Item<QLineEdit>(it.key())->setText(it.value());
        d->Item<QPushButton>(fw::IDOK)->click();
        return d->Result() == fw::IDOK ? fw::IDOK : fw::IDCANCEL;
    };
}

class tst_DialtopView : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<CDialtopDoc> m_doc;
    std::unique_ptr<fw::CFrameWnd> m_frame;
    CDialtopView* m_view = nullptr;
    std::unique_ptr<UiStubs> m_ui;
    QList<shell::ProcessRequest> m_started;
    QList<DialogAnswer> m_answers;

    void openTheme(const QString& path, const QList<TabSpec>& tabs = kThreeTabs)
    {
        writeTheme(path, tabs);
        QVERIFY(m_doc->OnOpenDocument(path));
        m_view->OnInitialUpdate();
    }

    // Drags entry `index` of the current list so its corner lands on `to`.
    void drag(int index, const QPoint& to)
    {
        QWidget* vp = list()->viewport();
        const QPoint from = entryPoint(index);
        QTest::mousePress(vp, Qt::LeftButton, {}, from);
        QTest::mouseMove(vp, from + QPoint(QApplication::startDragDistance() + 4, 0));
        QTest::mouseMove(vp, to);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, to);
    }

    QPoint entryPoint(int index) { return QPoint(list()->GetItemRect(index).center().x(), list()->GetItemRect(index).top() + 18); }

    CThemeData& theme() { return m_doc->m_theme; }
    CItemListCtrl* list() { return m_view->CurrentList(); }

    bool enabled(unsigned id)
    {
        fw::CCmdUI state(id);
        return state.DoUpdate(m_frame.get()), state.m_bEnabled;
    }

    bool run(unsigned id, const DialogAnswer& answer = {})
    {
        if (answer)
            m_answers << answer;
        return m_frame->OnCommand(id);
    }

    QStringList tabNames()
    {
        QStringList out;
        for (int i = 0; i < m_view->TabCtrl()->count(); ++i)
            out << m_view->TabCtrl()->tabText(i);
        return out;
    }

    // The current tab as the list shows it and as the theme holds it: the same.
    QStringList entries()
    {
        QStringList shown, held;
        for (int i = 0; i < list()->GetItemCount(); ++i)
            shown << list()->GetItemText(i);
        for (int i = 0; i < theme().GetItemCount(m_view->CurrentTab()); ++i)
            held << theme().GetItem(m_view->CurrentTab(), i)->m_strName;
        return shown == held ? shown : QStringList{"list and theme differ"};
    }

    // Saves the theme and reads the file back, as the next run would.
    std::unique_ptr<CThemeData> saved(QString path = {})
    {
        path = path.isEmpty() ? m_doc->GetPathName() : path;
        auto back = std::make_unique<CThemeData>();
        return m_doc->OnSaveDocument(path) && back->Load(path) ? std::move(back) : std::make_unique<CThemeData>();
    }

    void dropAt(const QStringList& urls, const QPoint& viewPos)
    {
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
        QMimeData data;
        data.setData("text/uri-list", urls.join("\r\n").toUtf8());
        // As a drag arrives: it enters, moves, then drops on the target found.
        QDragEnterEvent enter(viewPos, actions, &data, Qt::LeftButton, {});
        QApplication::sendEvent(m_view, &enter);
        QDragMoveEvent move(viewPos, actions, &data, Qt::LeftButton, {});
        QApplication::sendEvent(m_view, &move);
        QDropEvent drop(viewPos, actions, &data, Qt::LeftButton, {});
        QApplication::sendEvent(m_view, &drop);
        if (drop.isAccepted())
            QVERIFY(drop.dropAction() != Qt::MoveAction); // the file manager must not delete the file
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>(), m_ui = std::make_unique<UiStubs>();
        reg::ResetStore(), m_started.clear(), m_answers.clear(), ClearCopiedItems();
        shell::SetProcessStarter([this](const shell::ProcessRequest& r, QString*) { return m_started << r, true; });
        fw::CFrameWnd::SetPopupHandler([](QMenu*) { return 0u; });
        fw::CDialog::SetModalHandler([this](fw::CDialog* d) {
            return m_answers.isEmpty() ? int(fw::IDCANCEL) : m_answers.takeFirst()(d);
        });

        m_doc = std::make_unique<CDialtopDoc>();
        m_frame = std::make_unique<fw::CFrameWnd>();
        m_view = new CDialtopView(m_frame.get());
        m_view->SetDocument(m_doc.get()), m_doc->AddView(m_view);
        m_frame->setCentralWidget(m_view), m_frame->SetActiveView(m_view);
        m_frame->resize(640, 480), m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }

    void cleanup()
    {
        m_frame.reset(), m_view = nullptr;
        if (m_doc)
            m_doc->m_theme.m_bModified = false; // nothing to write on the way out
        m_doc.reset();
        shell::SetProcessStarter({}), fw::CFrameWnd::SetPopupHandler({}), fw::CDialog::SetModalHandler({});
        m_ui.reset(), ClearCopiedItems(), m_env.reset(), reg::ResetStore();
    }

    void openingSwitchingAndDraggingOnTabs()
    {
        openTheme(m_env->path("t/Three.Theme"));

        QTabBar* tabs = m_view->TabCtrl();
        QCOMPARE(m_view->ListCount(), 3);
        QCOMPARE(m_view->findChildren<CItemListCtrl*>().size(), 1); // other pages are made when first needed
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(tabs->tabText(i), kThreeTabs[i].name);
            CItemListCtrl* list = m_view->ListCtrl(i);
            QCOMPARE(list->GetItemCount(), int(kThreeTabs[i].items.size()));
            tabs->setCurrentIndex(i); // icons are looked up when a tab is first shown
            for (int j = 0; j < kThreeTabs[i].items.size(); ++j) {
                QCOMPARE(list->GetItemText(j), kThreeTabs[i].items[j].name);
                QCOMPARE(list->GetItemPosition(j), kThreeTabs[i].items[j].pos);
                QVERIFY(list->GetItemImage(j) >= 0);
            }
        }
        QVERIFY(!m_doc->IsModified());

        // A click and the arrow keys change the tab; its list fills the area under the tabs.
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
        tabs->setFocus();
        QTest::keyClick(tabs, Qt::Key_Right);
        QVERIFY(m_view->CurrentTab() == 1 && list() == m_view->ListCtrl(1));
        QVERIFY(list()->isVisible() && !m_view->ListCtrl(2)->isVisible());
        const QRect g = list()->geometry();
        QVERIFY(g.top() >= tabs->geometry().bottom() && g.bottom() == m_view->height() - 1);

        // Dragged places, on any tab, reach the theme and are what Save writes.
        drag(0, QPoint(250, 90));
        QTRY_COMPARE(theme().GetItem(1, 0)->m_ptPosition, QPoint(250, 90));
        QVERIFY(m_doc->IsModified());
        tabs->setCurrentIndex(0);
        drag(1, QPoint(300, 200));
        QTRY_COMPARE(theme().GetItem(0, 1)->m_ptPosition, QPoint(300, 200));
        const auto back = saved();
        QList<QPoint> places;
        for (int t = 0; t < back->GetTabCount() && t < 2; ++t)
            for (int i = 0; i < back->GetItemCount(t); ++i)
                places << back->GetItem(t, i)->m_ptPosition;
        QCOMPARE(places, (QList<QPoint>{{20, 20}, {300, 200}, {220, 140}, {250, 90}, {140, 60}}));

        // Another theme replaces every page; 500 pages at most, but the tab
        // not shown is still saved.
        QList<TabSpec> many;
        for (int i = 0; i < 501; ++i)
            many.append({QString("T%1").arg(i), i >= 499 ? QList<ItemSpec>{{"I", {5, 6}}} : QList<ItemSpec>{}});
        openTheme(m_env->path("t/Many.Theme"), many);
        QVERIFY(tabs->count() == 500 && m_view->findChildren<CItemListCtrl*>().size() == 1);
        QCOMPARE(m_view->ListCtrl(499)->GetItemPosition(0), QPoint(5, 6));
        m_doc->m_theme.m_bModified = true;
        const auto copy = saved(m_env->path("t/Copy.Theme"));
        QVERIFY(copy->GetTabCount() == 501 && copy->GetItemCount(500) == 1);
    }

    // Run, Enter, a double click and the Item menu's Open start the selected
    // item and change nothing in the theme; the other menus offer no Open.
    void runStartsTheSelectedItem()
    {
        openTheme(m_env->path("t/Run.Theme"), {{"Tools", {{"Other", {20, 20}, "/usr/bin/false"},
                                                          {"Env", {120, 20}, "/usr/bin/env", "-i"}}}});
        QVERIFY(!enabled(ids::ID_RUN_ITEM) && !run(ids::ID_RUN_ITEM));
        list()->SetSelected(1, true);
        QVERIFY(run(ids::ID_RUN_ITEM));
        QCOMPARE(QStringList(m_started.value(0).program) << m_started.value(0).arguments, (QStringList{"/usr/bin/env", "-i"}));
        const QPoint entry = entryPoint(1);
        list()->setFocus();
        QTest::keyClick(list(), Qt::Key_Return);
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, entry);
        QCOMPARE(m_started.size(), 3);

        QStringList shown;
        fw::CFrameWnd::SetPopupHandler([&](QMenu* menu) {
            shown << menu->title();
            for (QAction* a : menu->actions())
                if (a->data().toUInt() == ids::ID_RUN_ITEM && a->isEnabled())
                    return unsigned(ids::ID_RUN_ITEM);
            return 0u;
        });
        // On an entry, or Shift+F10: the Item menu, whose Open runs it; on the
        // background and the tabs, menus without Open.
        QTest::mouseClick(list()->viewport(), Qt::RightButton, {}, entry);
        QTest::keyClick(list(), Qt::Key_F10, Qt::ShiftModifier);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, QPoint(400, 300));
        QTest::mouseClick(list()->viewport(), Qt::RightButton, {}, QPoint(400, 300));
        emit m_view->TabCtrl()->customContextMenuRequested(m_view->TabCtrl()->tabRect(0).center());
        QCOMPARE(shown, (QStringList{"Item", "Item", "Desktop", "Tab"}));
        QCOMPARE(m_started.size(), 5);
        QVERIFY(m_started.last().program == "/usr/bin/env" && m_ui->messages.isEmpty() && !m_doc->IsModified());
    }

    void tabsAreAddedEditedAndDeleted()
    {
        openTheme(m_env->path("t/Work.Theme"), {});
        QVERIFY(!enabled(ids::ID_NEW_ITEM));
        run(ids::ID_NEW_TAB); // cancelled: nothing
        QVERIFY(run(ids::ID_NEW_TAB, okWith({{1000, "First"}})));
        QVERIFY(run(ids::ID_NEW_TAB, okWith({{1000, "Second"}})));
        m_view->TabCtrl()->setCurrentIndex(0);
        QVERIFY(run(ids::ID_NEW_TAB, okWith({{1000, "Between"}, {1009, "/no/such.bmp"}})));
        QCOMPARE(tabNames() << QString::number(m_view->CurrentTab()), (QStringList{"First", "Between", "Second", "1"}));
        QVERIFY(m_doc->IsModified() && enabled(ids::ID_NEW_ITEM));

        // Properties opens with the tab's fields: clearing the picture keeps the name.
        run(ids::ID_TAB_PROPERTIES, okWith({{1009, ""}}));
        QCOMPARE(theme().GetTab(1)->m_strName + "|" + theme().GetTab(1)->m_strBackground, QString("Between|"));

        // Deleting asks with the name; No keeps the tab.
        m_ui->answers = {fw::IDNO, fw::IDYES};
        run(ids::ID_DELETE_TAB);
        run(ids::ID_DELETE_TAB);
        QVERIFY(m_ui->texts().last().contains("Between"));
        QCOMPARE(tabNames(), (QStringList{"First", "Second"}));

        // After the first tab goes, the new first one is current and shown.
        m_ui->answers = {fw::IDYES};
        run(ids::ID_DELETE_TAB);
        QCOMPARE(m_view->CurrentTab(), 0);
        QVERIFY(list() && list()->isVisible());

        const auto back = saved();
        QVERIFY(back->GetTabCount() == 1 && back->GetTab(0)->m_strName == "Second");
    }

    void itemsAreAddedEditedAndDeleted()
    {
        openTheme(m_env->path("t/Work.Theme"), {{"Tools", {{"Keep", {300, 200}, "/usr/bin/env", "-i"}}}});
        // Both fields are required; the refused dialog adds nothing.
        QVERIFY(run(ids::ID_NEW_ITEM, okWith({{1000, "Only a name"}})));
        QVERIFY(m_ui->texts().size() == 1 && !m_doc->IsModified());
        QVERIFY(run(ids::ID_NEW_ITEM, okWith({{1000, "Shell"}, {1003, "/bin/sh"}})));
        QCOMPARE(entries(), (QStringList{"Keep", "Shell"}));
        QCOMPARE(theme().GetItem(0, 1)->m_ptPosition, list()->GetItemPosition(1));
        QVERIFY(m_doc->IsModified());

        // Aligning moves every entry; the new places are kept like a drag's.
        m_doc->SetModifiedFlag(false);
        run(ids::ID_ALIGN_LEFT);
        QVERIFY(m_doc->IsModified());
        QCOMPARE(list()->GetItemPosition(0).x(), list()->GetItemPosition(1).x());
        QVERIFY(theme().GetItem(0, 0)->m_ptPosition == list()->GetItemPosition(0)
                && theme().GetItem(0, 1)->m_ptPosition == list()->GetItemPosition(1));

        // Properties: the fields back, the arguments it does not show untouched.
        QVERIFY(!enabled(ids::ID_ITEM_PROPERTIES));
        list()->SetSelected(0, true);
        QVERIFY(run(ids::ID_ITEM_PROPERTIES, [](fw::CDialog* d) {
            d->Item<QCheckBox>(1091)->setChecked(true);
            return okWith({{1000, "Env"}, {1061, "/tmp"}})(d);
        }));
        const CThemeItem* item = theme().GetItem(0, 0);
        QCOMPARE(QStringList({item->m_strName, item->m_strStartIn, item->m_strArguments, QString::number(item->m_bDialFirst),
                              list()->GetItemText(0)}),
                 (QStringList{"Env", "/tmp", "-i", "1", "Env"}));

        // Delete (menu or key) asks with the item's name.
        m_ui->answers = {fw::IDNO, fw::IDYES};
        run(ids::ID_DELETE_ITEM);
        QCOMPARE(entries().size(), 2);
        list()->setFocus();
        QTest::keyClick(list(), Qt::Key_Delete);
        QVERIFY(m_ui->texts().last().contains("Env"));
        QCOMPARE(entries(), QStringList{"Shell"});

        const auto back = saved();
        QVERIFY(back->GetItemCount(0) == 1 && back->GetItem(0, 0)->m_strTarget == "/bin/sh");
    }

    void copyCutAndPaste()
    {
        openTheme(m_env->path("t/Work.Theme"), {{"A", {{"One", {20, 20}}, {"Two", {200, 150}}}}, {"B", {{"Three", {40, 40}}}}});
        QVERIFY(!enabled(ids::ID_EDIT_PASTE));
        list()->SetSelected(1, true);
        run(ids::ID_EDIT_COPY);
        QVERIFY(!m_doc->IsModified());
        run(ids::ID_EDIT_PASTE);
        run(ids::ID_EDIT_PASTE); // the clipboard keeps what it holds
        QCOMPARE(entries(), (QStringList{"One", "Two", "Two", "Two"}));
        QCOMPARE(theme().GetItem(0, 3)->m_ptPosition, list()->GetItemPosition(3));

        // Nothing selected: the whole tab, pasted in front of the current one.
        for (int i = 0; i < list()->GetItemCount(); ++i)
            list()->SetSelected(i, false);
        run(ids::ID_EDIT_COPY);
        m_view->TabCtrl()->setCurrentIndex(1);
        run(ids::ID_EDIT_PASTE);
        QCOMPARE(tabNames() << QString::number(m_view->CurrentTab()), (QStringList{"A", "A", "B", "1"}));
        QCOMPARE(list()->GetItemPosition(1), QPoint(200, 150));

        // Cut asks nothing, for an item or a tab.
        list()->SetSelected(0, true);
        run(ids::ID_EDIT_CUT);
        QCOMPARE(entries(), (QStringList{"Two", "Two", "Two"}));
        for (int i = 0; i < list()->GetItemCount(); ++i)
            list()->SetSelected(i, false);
        run(ids::ID_EDIT_CUT);
        QCOMPARE(tabNames(), (QStringList{"A", "B"}));
        QVERIFY(m_ui->messages.isEmpty() && m_doc->IsModified());
    }

    void dropsAndPastedShortcutsBecomeItems()
    {
        openTheme(m_env->path("t/Work.Theme"), {{"A", {{"One", {20, 20}}}}, {"B", {}}});
        QDir().mkpath(m_env->path("files"));
        const QString desktop = m_env->path("files/editor.desktop");
        QVERIFY(TestEnv::writeAll(desktop, "[Desktop Entry]\nType=Application\nName=My Editor\nExec=true\n"));
        QVERIFY(TestEnv::writeAll(m_env->path("files/notes.txt"), "x"));
        const QPoint listOrigin = list()->viewport()->mapTo(m_view, QPoint(0, 0));

        // Three at one point, in drop order, appended; an address as written.
        dropAt({QUrl::fromLocalFile(m_env->path("files/notes.txt")).toString(), QUrl::fromLocalFile(desktop).toString(),
                "https://example.org/page"},
               listOrigin + QPoint(150, 120));
        QCOMPARE(entries(), (QStringList{"One", "notes.txt", "My Editor", "example.org"}));
        for (int i = 1; i < 4; ++i)
            QCOMPARE(theme().GetItem(0, i)->m_ptPosition, QPoint(150, 120));
        QCOMPARE(theme().GetItem(0, 2)->m_strTarget + "|" + theme().GetItem(0, 3)->m_strTarget, desktop + "|https://example.org/page");
        QVERIFY(m_doc->IsModified());

        // Over the tabs, not the list: nothing.
        dropAt({QUrl::fromLocalFile(desktop).toString()}, m_view->TabCtrl()->geometry().center());
        QCOMPARE(entries().size(), 4);

        // Paste Shortcut: enabled by a file list on the clipboard (its formats
        // are the file list's test).
        m_view->TabCtrl()->setCurrentIndex(1);
        QGuiApplication::clipboard()->clear();
        QVERIFY(!enabled(ids::ID_PASTE_SHORTCUT));
        auto* copied = new QMimeData;
        copied->setData("x-special/gnome-copied-files", "copy\n" + QUrl::fromLocalFile(desktop).toEncoded());
        QGuiApplication::clipboard()->setMimeData(copied);
        QVERIFY(enabled(ids::ID_PASTE_SHORTCUT));
        run(ids::ID_PASTE_SHORTCUT), run(ids::ID_PASTE_SHORTCUT);
        QCOMPARE(entries(), (QStringList{"My Editor", "My Editor"}));
        // Pasted shortcuts take free places rather than piling up.
        QVERIFY(theme().GetItem(1, 0)->m_ptPosition != theme().GetItem(1, 1)->m_ptPosition);
        QGuiApplication::clipboard()->clear();
    }
};

QTEST_MAIN(tst_DialtopView)
#include "tst_dialtopview.moc"
