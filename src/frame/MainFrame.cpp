#include "MainFrame.h"

#include "DialFirst.h"
#include "dialup/RasApi.h"
#include "settings/Settings.h"
#include "framework/Document.h"
#include "framework/MessageBox.h"
#include "framework/WinApp.h"
#include "launcher/DialtopView.h"
#include "platform/registry/Registry.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "theme/DialtopDoc.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

namespace {

const QString kWinPos = QStringLiteral("WinPos");
const QString kBarState = QStringLiteral("BarState");
constexpr int kUseDefault = int(0x80000000);

} // namespace

CMainFrame::CMainFrame(CDialtopDoc* doc)
{
    setObjectName("mainframe");
    LoadSettings(); // no bar exists yet: only the preferences are read
    PreCreateWindow();
    m_bCreated = OnCreate();
    if (!m_bCreated)
        return;
    m_pView = new CDialtopView(this);
    m_pView->SetDocument(doc);
    doc->AddView(m_pView);
    setCentralWidget(m_pView);
    SetActiveView(m_pView);
    OnUpdateFrameTitle();
}

CMainFrame::~CMainFrame()
{
    m_favorites.SaveAndClear();
}

void CMainFrame::PreCreateWindow()
{
    fw::CWinApp* app = fw::AfxGetApp();
    const int cx = app ? app->GetProfileInt(kWinPos, "cx", kUseDefault) : kUseDefault;
    const int cy = app ? app->GetProfileInt(kWinPos, "cy", kUseDefault) : kUseDefault;
    const int x = app ? app->GetProfileInt(kWinPos, "x", kUseDefault) : kUseDefault;
    const int y = app ? app->GetProfileInt(kWinPos, "y", kUseDefault) : kUseDefault;
    QSize size(cx == kUseDefault ? 640 : cx, cy == kUseDefault ? 480 : cy);
    size = size.expandedTo(QSize(200, 150));
    resize(size);
    if (x != kUseDefault && y != kUseDefault) {
        // A place on a screen that is gone would leave the window unreachable.
        const QRect frame(QPoint(x, y), size);
        for (QScreen* screen : QGuiApplication::screens()) {
            if (screen->availableGeometry().intersects(frame)) {
                move(x, y);
                break;
            }
        }
    }
}

bool CMainFrame::OnCreate()
{
    setWindowIcon(QIcon(":/icons/128.png"));
    // The user's own themes folder holds the favourites.
    QString userThemes;
    GetUserThemesFolder(userThemes);
    CreateFolderPath(userThemes);
    // A missing file leaves the favourites empty; the path is kept for saving.
    LoadThemeFile(m_favorites, FavoritesFileName());

    // Without the remote access service there is no window; the user is
    // told why rather than seeing nothing.
    CRasApi& ras = CRasApi::Instance();
    if (!ras.Load()) {
        fw::MessageBox(res::FormatString(ids::IDS_CANNOT_START, {ras.m_strLoadProblem}),
                       fw::MB_OK | fw::MB_ICONEXCLAMATION);
        return false;
    }
    InstallDialFirstHooks(&ras);

    LoadAccelTable(ids::IDR_MAINFRAME);
    BuildMenuBar(ids::IDR_MAINFRAME);
    m_wndToolBar = BuildToolBar(ids::IDR_MAINFRAME, tr("Toolbar"), QString("toolbar_%1").arg(ids::AFX_IDW_TOOLBAR));
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    CreateFavoritesBar();

    QStatusBar* bar = BuildStatusBar();
    m_pConnectionPane = new QLabel(res::LoadString(ids::IDS_NOT_CONNECTED), bar);
    m_pConnectionPane->setObjectName("pane1");
    m_pConnectionPane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addWidget(m_pConnectionPane, 1);

    // Just above the status bar; whether it shows is kept with the bar state.
    m_wndTimerBar = new CTimerBar(this);
    addToolBar(Qt::BottomToolBarArea, m_wndTimerBar);
    LayoutTimerBar();
    ShowConnectTimes();

    AdoptConnection();
    fw::CWinApp* app = fw::AfxGetApp();
    QByteArray state;
    if (app && app->GetProfileBinary(QString(), kBarState, state))
        restoreState(state);
    StartTimer();
    return true;
}

void CMainFrame::SetConnectionText(const QString& text)
{
    m_pConnectionPane->setText(text);
}

void CMainFrame::LoadSettings()
{
    ReadTimerBarFlags(m_timerFlags);
    if (m_wndTimerBar) {
        LayoutTimerBar();
        ShowConnectTimes();
    }
    BuildFavoritesBar();

    // A missing value leaves the field as it was.
    unsigned char bytes[4];
    auto readFlag = [&bytes](const char* name, bool& flag) {
        if (ReadSettingValue(QStringLiteral("Connection"), QString::fromLatin1(name), bytes, sizeof bytes))
            flag = (bytes[0] | bytes[1] | bytes[2] | bytes[3]) != 0;
    };
    readFlag("PlaySound", CRasApi::Instance().m_bPlaySound);
    readFlag("RedialOnDrop", m_bRedialOnDrop);
}

void CMainFrame::LayoutTimerBar()
{
    m_wndTimerBar->LayoutTimerBar(m_timerFlags);
}

void CMainFrame::ShowConnectTimes()
{
    m_wndTimerBar->ShowConnectTimes(m_connectTimes.m_providerTimes);
}

void CMainFrame::OnViewTimerBar()
{
    ToggleBar(ids::IDW_TIMERBAR);
}

void CMainFrame::OnUpdateViewTimerBar(fw::CCmdUI* pCmdUI)
{
    pCmdUI->Enable(true);
    pCmdUI->SetCheck(m_wndTimerBar && !m_wndTimerBar->isHidden() ? 1 : 0);
}

void CMainFrame::OnDestroy()
{
    fw::CWinApp* app = fw::AfxGetApp();
    if (!app || isMinimized())
        return;
    // The place of the whole window and the size of its inside: what move()
    // and resize() take back at the next start, so the window never grows.
    const QPoint place = frameGeometry().topLeft();
    const QSize size = geometry().size();
    // All four in one write, so a crash or another process never sees a
    // place from one run and a size from another.
    reg::RegKey key;
    if (key.Create(reg::HKEY_CURRENT_USER, app->GetRegistryRoot() + "\\" + kWinPos) != reg::ERROR_SUCCESS)
        return;
    reg::RegValueChanges changes;
    changes.SetDword("cx", reg::DWORD(size.width()));
    changes.SetDword("cy", reg::DWORD(size.height()));
    changes.SetDword("x", reg::DWORD(place.x()));
    changes.SetDword("y", reg::DWORD(place.y()));
    key.SetValues(changes);
}

void CMainFrame::closeEvent(QCloseEvent* e)
{
    // The times are written and the line hung up before the theme is asked
    // about, so a refused save cannot leave a connection uncounted.
    if (m_nTimer) {
        killTimer(m_nTimer);
        m_nTimer = 0;
    }
    EndConnection();
    OnTimer(1);
    if (fw::CWinApp* app = fw::AfxGetApp())
        app->WriteProfileBinary(QString(), kBarState, saveState());
    fw::CDocTemplate* t = fw::AfxGetApp() ? fw::AfxGetApp()->GetDocTemplate() : nullptr;
    if (t && !t->CloseDocument()) {
        // The window stays: so does its accounting.
        StartTimer();
        e->ignore();
        return;
    }
    OnDestroy();
    e->accept();
}

QString CMainFrame::ManualPath()
{
    const QString beside = QCoreApplication::applicationDirPath() + "/../share/doc/dialtop/index.html";
    if (QFileInfo::exists(beside))
        return QFileInfo(beside).absoluteFilePath();
    return QStringLiteral(DIALTOP_DOCDIR "/index.html");
}

void CMainFrame::OnHelpFinder()
{
    const QString manual = ManualPath();
    if (!QFileInfo::exists(manual) || !QDesktopServices::openUrl(QUrl::fromLocalFile(manual)))
        fw::MessageBox(tr("The user manual could not be opened: %1").arg(manual), fw::MB_OK | fw::MB_ICONEXCLAMATION);
}

void CMainFrame::OnUpdateHelp(fw::CCmdUI* pCmdUI)
{
    pCmdUI->Enable(true);
}

bool CMainFrame::OnOwnCmdMsg(unsigned id, fw::CCmdUI* pUpdate, bool probe)
{
    static const std::vector<fw::CmdEntry<CMainFrame>> map = {
        fw::OnCommand<CMainFrame>(ids::ID_HELP_FINDER, &CMainFrame::OnHelpFinder),
        fw::OnCommand<CMainFrame>(ids::ID_DEFAULT_HELP, &CMainFrame::OnHelpFinder),
        fw::OnCommand<CMainFrame>(ids::ID_HELP, &CMainFrame::OnHelpFinder),
        fw::OnCommand<CMainFrame>(ids::ID_CONTEXT_HELP, &CMainFrame::OnHelpFinder),
        fw::OnCommand<CMainFrame>(ids::ID_VIEW_FAVORITES, &CMainFrame::OnViewFavorites),
        fw::OnUpdate<CMainFrame>(ids::ID_VIEW_FAVORITES, &CMainFrame::OnUpdateViewFavorites),
        fw::OnCommandRange<CMainFrame>(ids::ID_FAVORITE_FIRST, ids::ID_FAVORITE_LAST, &CMainFrame::OnFavorite),
        fw::OnUpdateRange<CMainFrame>(ids::ID_FAVORITE_FIRST, ids::ID_FAVORITE_LAST, &CMainFrame::OnUpdateFavorite),
        fw::OnCommand<CMainFrame>(ids::ID_CUSTOMIZE_FAVORITES, &CMainFrame::OnCustomizeFavorites),
        fw::OnCommand<CMainFrame>(ids::ID_VIEW_TIMERBAR, &CMainFrame::OnViewTimerBar),
        fw::OnUpdate<CMainFrame>(ids::ID_VIEW_TIMERBAR, &CMainFrame::OnUpdateViewTimerBar),
        fw::OnCommand<CMainFrame>(ids::ID_ADD_PROVIDER, &CMainFrame::OnAddProvider),
        fw::OnUpdate<CMainFrame>(ids::ID_ADD_PROVIDER, &CMainFrame::OnUpdateAddProvider),
        fw::OnCommand<CMainFrame>(ids::ID_CUSTOMIZE, &CMainFrame::OnCustomize),
        fw::OnUpdate<CMainFrame>(ids::ID_CUSTOMIZE, &CMainFrame::OnUpdateAlwaysEnabled),
        fw::OnCommand<CMainFrame>(ids::ID_HANGUP, &CMainFrame::OnHangup),
        fw::OnUpdate<CMainFrame>(ids::ID_HANGUP, &CMainFrame::OnUpdateHangup),
        fw::OnCommand<CMainFrame>(ids::ID_CONNECT, &CMainFrame::OnConnect),
        fw::OnUpdate<CMainFrame>(ids::ID_CONNECT, &CMainFrame::OnUpdateConnect),
        fw::OnCommandRange<CMainFrame>(ids::ID_CONNECT_FIRST, ids::ID_CONNECT_LAST, &CMainFrame::OnConnectEntry),
        fw::OnUpdateRange<CMainFrame>(ids::ID_CONNECT_FIRST, ids::ID_CONNECT_LAST, &CMainFrame::OnUpdateConnectEntry),
        fw::OnCommandRange<CMainFrame>(ids::ID_PROVIDER_FIRST, ids::ID_PROVIDER_LAST, &CMainFrame::OnProvider),
        fw::OnUpdateRange<CMainFrame>(ids::ID_PROVIDER_FIRST, ids::ID_PROVIDER_LAST, &CMainFrame::OnUpdateAlwaysEnabled),
    };
    return fw::DispatchCmdMsg(this, map, id, pUpdate, probe);
}
