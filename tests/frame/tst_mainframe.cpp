// The main window: its menu, commands that stay off until something handles
// them, the toolbar and status bar, the recent themes in the File menu, and the window place and bar layout it keeps.

#include "TestEnv.h"
#include "TestThemes.h"
#include "app/DialtopApp.h"
#include "frame/MainFrame.h"
#include "framework/Dialog.h"
#include "launcher/DialtopView.h"
#include "launcher/ItemListCtrl.h"
#include "platform/shell/Execute.h"
#include "res/ResourceIds.h"
#include "settings/Settings.h"
#include "theme/DialtopDoc.h"

#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QToolBar>

#include <memory>

namespace {

QAction* menuAction(QWidget* frame, unsigned id)
{
    return frame->findChild<QAction*>(QString("menu_%1").arg(id));
}

// Opens the menu that holds a command as the user would: its update runs.
QMenu* openMenuOf(QWidget* frame, unsigned id)
{
    QAction* a = menuAction(frame, id);
    if (!a)
        return nullptr;
    auto* menu = qobject_cast<QMenu*>(a->parent());
    if (menu)
        emit menu->aboutToShow();
    // The recent entries it replaced go with the next event loop turn.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return menu;
}

} // namespace

class tst_MainFrame : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<CDialtopApp> m_app;
    std::unique_ptr<UiStubs> m_ui;
    QList<unsigned> m_dialogs;
    QList<shell::ProcessRequest> m_started;
    QString m_theme;

    CMainFrame* frame() const { return static_cast<CMainFrame*>(m_app->GetDocTemplate()->GetFrame()); }
    CDialtopDoc* doc() const { return static_cast<CDialtopDoc*>(m_app->GetDocTemplate()->GetDocument()); }

    // The application as start-up leaves it, with a theme open and the window shown.
    void start(const QString& theme)
    {
        m_app = std::make_unique<CDialtopApp>();
        m_app->SetRegistryKey("Corvane");
        m_app->LoadStdProfileSettings(4);
        m_app->AddDocTemplate(std::make_unique<fw::CDocTemplate>(
            ids::IDR_MAINFRAME, [] { return std::make_unique<CDialtopDoc>(); },
            [](fw::CDocument* d) -> fw::CFrameWnd* { return new CMainFrame(static_cast<CDialtopDoc*>(d)); }));
        QVERIFY(m_app->OpenDocumentFile(theme));
        frame()->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame()));
    }

    QList<int> winPos()
    {
        QList<int> out;
        for (const char* name : {"cx", "cy", "x", "y"})
            out << m_app->GetProfileInt("WinPos", name, -12345);
        return out;
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>(), m_ui = std::make_unique<UiStubs>();
        reg::ResetStore(), m_dialogs.clear(), m_started.clear();
        fw::CDialog::SetModalHandler([this](fw::CDialog* dlg) {
            m_dialogs << (dlg->isVisible() ? 1u : 0u); // never shown: no modal loop
            return fw::IDOK;
        });
        fw::CFrameWnd::SetPopupHandler([](QMenu*) { return 0u; });
        shell::SetProcessStarter([this](const shell::ProcessRequest& r, QString*) { return m_started << r, true; });
        m_theme = m_env->path("themes/Work.Theme");
        writeTheme(m_theme, "Work tab");
    }

    void cleanup()
    {
        m_app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_ui.reset(), fw::CDialog::SetModalHandler({}), fw::CFrameWnd::SetPopupHandler({}), shell::SetProcessStarter({});
        m_env.reset(), reg::ResetStore();
    }

    void menuCommands()
    {
        start(m_theme);
        // Opening a menu updates it: no provider to dial, nothing selected to run.
        QList<bool> enabled;
        for (unsigned id : {ids::ID_CONNECT, ids::ID_RUN_ITEM, ids::ID_CUSTOMIZE})
            enabled << (openMenuOf(frame(), id), menuAction(frame(), id)->isEnabled());
        QCOMPARE(enabled, (QList<bool>{false, false, true}));

        // The toolbar's buttons follow when the program is idle, that is when
        // an event loop is about to wait.
        QVERIFY(frame()->FindAction(ids::ID_CONNECT)->isEnabled());
        QEventLoop idle;
        QTimer::singleShot(400, &idle, &QEventLoop::quit);
        idle.exec();
        QVERIFY(!frame()->FindAction(ids::ID_CONNECT)->isEnabled() && frame()->FindAction(ids::ID_FILE_SAVE)->isEnabled());
        QVERIFY(!frame()->OnCommand(ids::ID_CONNECT) && m_ui->messages.isEmpty()); // whatever starts it
        QVERIFY(frame()->OnCommand(ids::ID_APP_ABOUT) && m_dialogs == QList<unsigned>{0u});
        frame()->View()->CurrentList()->SetSelected(0, true); // the menu reaches the view
        openMenuOf(frame(), ids::ID_RUN_ITEM);
        menuAction(frame(), ids::ID_RUN_ITEM)->trigger();
        QCOMPARE(m_started.size(), 1);
    }

    // Order and length of the list are the document's test; here, what the
    // menu shows and does.
    void recentThemesInTheFileMenu()
    {
        start(QString()); // none yet: a disabled placeholder
        openMenuOf(frame(), ids::ID_FILE_SAVE);
        QVERIFY(!menuAction(frame(), ids::ID_FILE_MRU_FIRST)->isEnabled());
        m_app.reset();
        QStringList paths;
        for (int i = 1; i <= 3; ++i) {
            paths << m_env->path(QString("themes/R%1.Theme").arg(i));
            writeTheme(paths.last(), QString("R%1").arg(i));
        }
        start(paths[0]);
        QVERIFY(m_app->OpenDocumentFile(paths[1]));
        QVERIFY(m_app->OpenDocumentFile(paths[2]));

        openMenuOf(frame(), ids::ID_FILE_SAVE);
        QAction* second = menuAction(frame(), ids::ID_FILE_MRU_FIRST + 1);
        QVERIFY(second && second->isEnabled());
        QVERIFY2(second->text().startsWith("&2 ") && second->text().contains("R2.Theme"), qPrintable(second->text()));
        QVERIFY(!menuAction(frame(), ids::ID_FILE_MRU_FIRST + 3));

        // Choosing one opens it.
        second->trigger();
        QCOMPARE(doc()->GetPathName(), paths[1]);

        // A recent theme that is gone: the message, and it leaves the list.
        QVERIFY(QFile::remove(paths[2]));
        openMenuOf(frame(), ids::ID_FILE_SAVE);
        menuAction(frame(), ids::ID_FILE_MRU_FIRST + 1)->trigger();
        QVERIFY(m_ui->texts().size() == 1 && !m_app->RecentFiles().contains(paths[2]));
    }

    // The place is written on close and taken by the next window; a cancelled
    // close or a minimised window writes nothing; a place off every screen is not taken.
    void windowPlace()
    {
        start(m_theme);
        doc()->m_theme.m_bModified = true;
        doc()->SetModifiedFlag(true);
        m_ui->answers << fw::IDCANCEL << fw::IDNO;
        QVERIFY(!frame()->close() && winPos().value(0) == -12345 && doc()->IsModified());
        frame()->resize(500, 360), frame()->move(30, 40);
        QCoreApplication::processEvents();
        const QRect r = frame()->frameGeometry();
        const QSize inside = frame()->geometry().size();
        QVERIFY(frame()->close());
        // The whole window's place and the size of its inside.
        QCOMPARE(winPos(), (QList<int>{inside.width(), inside.height(), r.left(), r.top()}));
        m_app.reset(), reg::ResetStore();
        start(m_theme);
        QCOMPARE(frame()->frameGeometry(), r);

        frame()->resize(300, 200), frame()->showMinimized();
        QVERIFY(frame()->isMinimized() && frame()->close());
        QCOMPARE(winPos(), (QList<int>{inside.width(), inside.height(), r.left(), r.top()}));

        QVERIFY(m_app->WriteProfileInt("WinPos", "x", 20000) && m_app->WriteProfileInt("WinPos", "y", 20000));
        m_app.reset();
        start(QString());
        bool onScreen = false;
        for (QScreen* screen : QGuiApplication::screens())
            onScreen |= screen->availableGeometry().intersects(frame()->frameGeometry());
        QVERIFY(onScreen);
    }

    // The bar toggles check their menu items, and the toolbar's state is
    // kept as a binary value from one run to the next.
    void barTogglesAndTheirStateAcrossRuns()
    {
        // The timer bar shows the totals Customize left chosen, again after it.
        const unsigned char off[4] = {}, on[4] = {1, 0, 0, 0};
        for (const char* name : {"Year", "Month", "Week"})
            WriteSettingValue("ConnectTimes", name, reg::REG_BINARY, off, 4);
        start(m_theme);
        QCOMPARE(frame()->TimerBar()->GetCount(), 5);
        WriteSettingValue("ConnectTimes", "Year", reg::REG_BINARY, on, 4);
        frame()->LoadSettings();
        QCOMPARE(frame()->TimerBar()->GetPaneText(2), QString("0000:00:00"));

        const auto checked = [this](unsigned id) {
            openMenuOf(frame(), id);
            return menuAction(frame(), id)->isChecked();
        };
        QVERIFY(frame()->ToolBar()->isVisible() && checked(ids::ID_VIEW_TOOLBAR));
        menuAction(frame(), ids::ID_VIEW_TOOLBAR)->trigger();
        QVERIFY(!frame()->ToolBar()->isVisible() && !checked(ids::ID_VIEW_TOOLBAR));
        QVERIFY(frame()->TimerBar()->isVisible() && checked(ids::ID_VIEW_TIMERBAR));
        QVERIFY(frame()->OnCommand(ids::ID_VIEW_TIMERBAR));
        QVERIFY(!frame()->TimerBar()->isVisible() && !checked(ids::ID_VIEW_TIMERBAR));
        QVERIFY(frame()->close());

        reg::ResetStore();
        reg::RegKey root;
        QCOMPARE(root.Open(reg::HKEY_CURRENT_USER, "Software\\Corvane\\Dialtop"), reg::ERROR_SUCCESS);
        QByteArray state;
        reg::DWORD type = 0;
        QVERIFY(root.ReadBinary("BarState", state, &type) && type == reg::REG_BINARY && !state.isEmpty());

        m_app.reset();
        start(m_theme);
        QVERIFY(!frame()->ToolBar()->isVisible() && !checked(ids::ID_VIEW_TOOLBAR) && !frame()->TimerBar()->isVisible());
        // Shown again, it stays shown the time after.
        QVERIFY(frame()->OnCommand(ids::ID_VIEW_TOOLBAR) && frame()->close());
        m_app.reset();
        start(m_theme);
        QVERIFY(frame()->ToolBar()->isVisible());
    }

    // The user's favourites file: at most 50 buttons (the rest stay in the
    // file), none gives a hidden bar; a button runs its item; tool tips; an
    // unchanged list is not written back.
    void favoritesBar_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("buttons");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("sixty") << 60 << 50;
    }

    void favoritesBar()
    {
        QFETCH(int, count);
        QFETCH(int, buttons);
        QList<ItemSpec> items;
        for (int i = 0; i < count; ++i)
            items << ItemSpec{QString("Fav %1").arg(i), {}, QString("https://example.org/%1").arg(i)};
        const QString file = CMainFrame::FavoritesFileName();
        writeTheme(file, {{"Favorites", items}, {"Hidden tab", {{"Other", {}}}}});
        const QByteArray before = TestEnv::readAll(file);
        start(m_theme);

        QToolBar* bar = frame()->FavoritesBar();
        if (count == 0) {
            QVERIFY(bar->actions().size() == 1 && !bar->isVisible() && !bar->actions()[0]->isEnabled());
            QCOMPARE(frame()->FavoriteTip(ids::ID_FAVORITE_FIRST), QString());
        } else {
            QVERIFY(bar->actions().size() == buttons && bar->isVisible());
            bar->actions().last()->trigger();
            QVERIFY(m_started.size() == 1 && m_started[0].arguments == QStringList(QString("https://example.org/%1").arg(buttons - 1)));
            QCOMPARE(frame()->FavoriteTip(ids::ID_FAVORITE_FIRST + unsigned(buttons) - 1),
                     QString("Fav %1").arg(buttons - 1));
            frame()->Favorites().GetItem(0, 0)->m_strDescription = QString(100, 'd');
            QCOMPARE(frame()->FavoriteTip(ids::ID_FAVORITE_FIRST), QString(79, 'd'));
        }
        QVERIFY(frame()->close());
        m_app.reset();
        QCOMPARE(TestEnv::readAll(file), before);
    }
};

QTEST_MAIN(tst_MainFrame)
#include "tst_mainframe.moc"
