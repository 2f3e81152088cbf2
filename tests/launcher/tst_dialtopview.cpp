// The launcher view over an opened theme: tabs and entries built from the
// file, dragging entries into the theme, following the tab selection, the
// page limit, running the selected item, and the tab backgrounds.

#include "TestEnv.h"
#include "TestThemes.h"
#include "framework/CmdTarget.h"
#include "framework/FrameWnd.h"
#include "launcher/DialtopView.h"
#include "launcher/ItemListCtrl.h"
#include "platform/shell/Execute.h"
#include "res/ResourceIds.h"
#include "theme/DialtopDoc.h"

#include <QApplication>
#include <QMenu>
#include <QTabBar>

#include <memory>

namespace {

const QList<TabSpec> kThreeTabs{
    {"Internet", {{"Debian", {20, 20}}, {"Mail", {120, 20}, "mailto:"}, {"Wiki", {220, 140}}}},
    {"Programs", {{"Env", {40, 60}, "/usr/bin/env"}, {"Root", {140, 60}, "/"}}},
    {"Empty", {}},
};

} // namespace

class tst_DialtopView : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<CDialtopDoc> m_doc;
    std::unique_ptr<fw::CFrameWnd> m_frame;
    CDialtopView* m_view = nullptr;
    std::unique_ptr<UiStubs> m_ui;
    QList<shell::ProcessRequest> m_started;

    void openTheme(const QString& path, const QList<TabSpec>& tabs = kThreeTabs)
    {
        writeTheme(path, tabs);
        QVERIFY(m_doc->OnOpenDocument(path));
        m_view->OnInitialUpdate();
    }

    // Drags entry `index` of the current list so its corner lands on `to`.
    void drag(int index, const QPoint& to)
    {
        CItemListCtrl* list = m_view->CurrentList();
        QWidget* vp = list->viewport();
        const QRect r = list->GetItemRect(index);
        const QPoint from(r.center().x(), r.top() + 18);
        QTest::mousePress(vp, Qt::LeftButton, {}, from);
        QTest::mouseMove(vp, from + QPoint(QApplication::startDragDistance() + 4, 0));
        QVERIFY(list->IsDragging());
        QTest::mouseMove(vp, to);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, to);
    }

    bool runEnabled()
    {
        fw::CCmdUI state(ids::ID_RUN_ITEM);
        state.DoUpdate(m_frame.get());
        return state.m_bEnabled;
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        reg::ResetStore();
        m_started.clear();
        shell::SetProcessStarter([this](const shell::ProcessRequest& r, QString*) {
            m_started << r;
            return true;
        });
        m_ui = std::make_unique<UiStubs>();
        fw::CFrameWnd::SetPopupHandler([](QMenu*) { return 0u; });

        m_doc = std::make_unique<CDialtopDoc>();
        m_frame = std::make_unique<fw::CFrameWnd>();
        m_view = new CDialtopView(m_frame.get());
        m_view->SetDocument(m_doc.get());
        m_doc->AddView(m_view);
        m_frame->setCentralWidget(m_view);
        m_frame->SetActiveView(m_view);
        m_frame->resize(640, 480);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }

    void cleanup()
    {
        m_frame.reset();
        m_view = nullptr;
        if (m_doc)
            m_doc->m_theme.m_bModified = false; // nothing to write on the way out
        m_doc.reset();
        shell::SetProcessStarter({});
        m_ui.reset();
        fw::CFrameWnd::SetPopupHandler({});
        m_env.reset();
        reg::ResetStore();
    }

    void openingBuildsTabsAndEntriesAtTheirPositions()
    {
        openTheme(m_env->path("t/Three.Theme"));

        QTabBar* tabs = m_view->TabCtrl();
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(m_view->ListCount(), 3);
        const QList<TabSpec>& spec = kThreeTabs;
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(tabs->tabText(i), spec[i].name);
            CItemListCtrl* list = m_view->ListCtrl(i);
            QCOMPARE(list->objectName(), QString("list_%1").arg(500 + i));
            QCOMPARE(list->GetItemCount(), int(spec[i].items.size()));
            tabs->setCurrentIndex(i); // icons are looked up when a tab is first shown
            for (int j = 0; j < spec[i].items.size(); ++j) {
                QCOMPARE(list->GetItemText(j), spec[i].items[j].name);
                QCOMPARE(list->GetItemPosition(j), spec[i].items[j].pos);
                QVERIFY(list->GetItemImage(j) >= 0); // every entry shows an icon
            }
        }
        tabs->setCurrentIndex(0);
        QCOMPARE(m_view->CurrentList(), m_view->ListCtrl(0));
        QVERIFY(m_view->ListCtrl(0)->isVisible() && !m_view->ListCtrl(1)->isVisible());
        QVERIFY(!m_doc->IsModified());

        // Another theme replaces every page.
        openTheme(m_env->path("t/One.Theme"), {{"Only", {{"X", {5, 6}}}}});
        QCOMPARE(tabs->count(), 1);
        QCOMPARE(m_view->ListCtrl(0)->GetItemPosition(0), QPoint(5, 6));
        QCOMPARE(m_view->findChildren<CItemListCtrl*>().size(), 1);
    }

    // Dragged places, on any tab, reach the theme and are what Save writes.
    void dragsStoreThePositionInTheTheme()
    {
        const QString path = m_env->path("t/Three.Theme");
        openTheme(path);
        drag(1, QPoint(300, 200));
        QTRY_COMPARE(m_doc->m_theme.GetItem(0, 1)->m_ptPosition, QPoint(300, 200));
        QVERIFY(m_doc->IsModified());
        m_view->TabCtrl()->setCurrentIndex(1);
        drag(0, QPoint(250, 90));
        QTRY_COMPARE(m_doc->m_theme.GetItem(1, 0)->m_ptPosition, QPoint(250, 90));

        QVERIFY(m_doc->OnSaveDocument(path));
        CThemeData back;
        QVERIFY(back.Load(path));
        QList<QPoint> places;
        for (int t = 0; t < 2; ++t)
            for (int i = 0; i < back.GetItemCount(t); ++i)
                places << back.GetItem(t, i)->m_ptPosition;
        QCOMPARE(places, (QList<QPoint>{{20, 20}, {300, 200}, {220, 140}, {250, 90}, {140, 60}}));
    }

    void keyboardAndClicksChangeTheCurrentTab()
    {
        openTheme(m_env->path("t/Three.Theme"));
        QTabBar* tabs = m_view->TabCtrl();

        tabs->setFocus();
        QTest::keyClick(tabs, Qt::Key_Right);
        QCOMPARE(m_view->CurrentTab(), 1);
        QCOMPARE(m_view->CurrentList(), m_view->ListCtrl(1));
        QVERIFY(m_view->ListCtrl(1)->isVisible() && !m_view->ListCtrl(0)->isVisible());

        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
        QCOMPARE(m_view->CurrentTab(), 2);
        QVERIFY(m_view->ListCtrl(2)->isVisible() && !m_view->ListCtrl(1)->isVisible());

        QTest::keyClick(tabs, Qt::Key_Left);
        QCOMPARE(m_view->CurrentTab(), 1);

        // The shown list fills the area under the tabs.
        const QRect g = m_view->CurrentList()->geometry();
        QVERIFY(g.top() >= tabs->geometry().bottom());
        QCOMPARE(g.bottom(), m_view->height() - 1);
    }

    void fiveHundredPagesAtMost()
    {
        QList<TabSpec> tabs;
        for (int i = 0; i < 501; ++i)
            tabs.append({QString("T%1").arg(i), i == 499 || i == 500 ? QList<ItemSpec>{{"I", {8, 8}}} : QList<ItemSpec>{}});
        openTheme(m_env->path("t/Many.Theme"), tabs);

        QCOMPARE(m_view->TabCtrl()->count(), 500);
        QCOMPARE(m_view->ListCtrl(499)->objectName(), QString("list_999"));
        QCOMPARE(m_view->ListCtrl(499)->GetItemCount(), 1);

        // The theme keeps its last tab when saved.
        m_doc->m_theme.m_bModified = true;
        const QString copy = m_env->path("t/Copy.Theme");
        QVERIFY(m_doc->OnSaveDocument(copy));
        CThemeData back;
        QVERIFY(back.Load(copy));
        QCOMPARE(back.GetTabCount(), 501);
        QCOMPARE(back.GetItemCount(500), 1);
    }

    void runStartsTheSelectedItem()
    {
        const QString program = m_env->path("bin/tool");
        QDir().mkpath(m_env->path("bin"));
        QVERIFY(TestEnv::writeAll(program, "#!/bin/sh\nexit 0\n"));
        QVERIFY(QFile::setPermissions(program, QFile::permissions(program) | QFileDevice::ExeOwner));
        const QString work = m_env->path("work");
        QDir().mkpath(work);

        openTheme(m_env->path("t/Run.Theme"), {{"Tools",
                           {{"Other", {20, 20}, "/usr/bin/env"},
                            {"Tool", {120, 20}, program, "--flag \"two words\"", work},
                            {"Third", {220, 20}, "/usr/bin/env"}}}});

        QVERIFY(!runEnabled());
        QVERIFY(!m_frame->OnCommand(ids::ID_RUN_ITEM));
        QVERIFY(m_started.isEmpty());

        m_view->CurrentList()->SetSelected(1, true);
        QVERIFY(runEnabled());
        QVERIFY(m_frame->OnCommand(ids::ID_RUN_ITEM));
        QCOMPARE(m_started.size(), 1);
        QCOMPARE(m_started[0].kind, shell::ProcessRequest::Program);
        QCOMPARE(m_started[0].program, program);
        QCOMPARE(m_started[0].arguments, (QStringList{"--flag", "two words"}));
        QCOMPARE(m_started[0].workingDirectory, work);
        QVERIFY(m_ui->messages.isEmpty());
        // Running changes nothing in the theme.
        QVERIFY(!m_doc->IsModified());
    }

    void enterDoubleClickAndContextMenusRun()
    {
        openTheme(m_env->path("t/Run.Theme"), {{"Tools", {{"Env", {20, 20}, "/usr/bin/env", "-i"}}}});
        CItemListCtrl* list = m_view->CurrentList();
        const QRect r = list->GetItemRect(0);
        const QPoint entry(r.center().x(), r.top() + 18);
        list->SetSelected(0, true);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(m_started.size(), 1);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, entry);
        QCOMPARE(m_started.size(), 2);

        QStringList shown;
        fw::CFrameWnd::SetPopupHandler([&](QMenu* menu) {
            shown << menu->title();
            for (QAction* a : menu->actions())
                if (a->data().toUInt() == ids::ID_RUN_ITEM && a->isEnabled())
                    return unsigned(ids::ID_RUN_ITEM);
            return 0u;
        });
        // On an entry, or from the keyboard: the Item menu, whose Open runs it.
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, entry);
        QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
        QCOMPARE(m_started.size(), 4);
        // On the empty background the Desktop menu, on the tabs the Tab menu.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(400, 300));
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, QPoint(400, 300));
        emit m_view->TabCtrl()->customContextMenuRequested(m_view->TabCtrl()->tabRect(0).center());
        QCOMPARE(shown, (QStringList{"Item", "Item", "Desktop", "Tab"}));
        QCOMPARE(m_started.size(), 4);
    }

    // Each tab's list gets that tab's picture; the picture itself is the list's test.
    void tabBackgroundsReachTheirLists()
    {
        const QString bmp = m_env->path("bg.bmp");
        QVERIFY(TestEnv::writeAll(bmp, bmp8(1, 1, {qRgb(255, 0, 0)}, [](int, int) { return 0; })));
        openTheme(m_env->path("t/Bg.Theme"), {{"Picture", {}, bmp}, {"Plain", {}}});
        QVERIFY(!m_view->ListCtrl(0)->Background().IsEmpty());
        QVERIFY(m_view->ListCtrl(1)->Background().IsEmpty());
    }
};

QTEST_MAIN(tst_DialtopView)
#include "tst_dialtopview.moc"
