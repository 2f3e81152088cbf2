#pragma once
// The main window: menus, the main toolbar, the status bar with its message
// and connection panes, the launcher view, and the saved window place and bar
// layout.

#include "framework/FrameWnd.h"
#include "TimeTotals.h"
#include "TimerBar.h"
#include "dialup/RasMessages.h"
#include "theme/ThemeData.h"

class CCustomizePropertyPage2;
class CDialtopDoc;
class CDialtopView;
class QLabel;
class QMenu;
class QToolBar;

class CMainFrame : public fw::CFrameWnd
{
    Q_OBJECT
public:
    explicit CMainFrame(CDialtopDoc* doc);
    ~CMainFrame() override;

    CDialtopView* View() const { return m_pView; }
    QToolBar* ToolBar() const { return m_wndToolBar; }
    QLabel* ConnectionPane() const { return m_pConnectionPane; }

    // Status pane 1: the connection's state.
    void SetConnectionText(const QString& text);

    // False when the window could not be made (the remote access service
    // cannot be used); the document template then gets no frame.
    bool IsCreated() const { return m_bCreated; }

    // The connection as the user sees it: the one-second tick counts it, or
    // ends it and takes over one that another program made.
    void OnTimer(int nIDEvent);
    void StartConnection(const QString& strName);
    void EndConnection();
    bool AdoptConnection();
    void OnConnect();
    void ConnectToEntry(int nIndex);
    bool m_bShowDialing = true;
    bool m_bRedialOnDrop = true;
    int m_nTimer = 0;

    // The registered messages of the dial-up subsystem.
    long OnRasDialEvent(WPARAM wParam, LPARAM lParam);
    long OnRasDropLine(WPARAM wParam, LPARAM lParam);
    long OnRasConnectionSpeed(WPARAM wParam, LPARAM lParam);
    long OnRasConnectionTime(WPARAM wParam, LPARAM lParam);

    // The manual's first page.
    static QString ManualPath();

    void OnHelpFinder();
    void OnUpdateHelp(fw::CCmdUI* pCmdUI);

    // The favorites bar: one button per item of the favourites' first tab.
    static constexpr int kMaxFavorites = 50;
    CThemeData& Favorites() { return m_favorites; }
    QToolBar* FavoritesBar() const { return m_wndFavoritesBar; }
    static QString FavoritesFileName();
    void BuildFavoritesBar();
    void OnFavorite(unsigned id);
    void OnUpdateFavorite(fw::CCmdUI* pCmdUI);
    // The tool tip of a favourite's button: its description, else its name,
    // at most 79 characters; empty for a button without an item.
    QString FavoriteTip(unsigned id) const;
    void OnFavoritesContextMenu(const QPoint& globalPos);
    // Hands the Favorites page of Customize the open theme, the favourites
    // and the way to show the bar.
    void InitFavoritesPage(CCustomizePropertyPage2& page);
    // Customize with the Favorites page alone; the bar is rebuilt on OK.
    void OnCustomizeFavorites();

    // Shows a hidden bar and hides a shown one; false for an unknown id.
    bool ToggleBar(unsigned nID);
    QWidget* GetControlBar(unsigned nID) const override;
    void OnViewFavorites();
    void OnUpdateViewFavorites(fw::CCmdUI* pCmdUI);

    CTimerBar* TimerBar() const { return m_wndTimerBar; }
    CConnectTimes& ConnectTimes() { return m_connectTimes; }

    // The preferences Customize stores; the bars follow them when they exist.
    void LoadSettings();
    void LayoutTimerBar();
    void ShowConnectTimes();
    void OnViewTimerBar();
    void OnUpdateViewTimerBar(fw::CCmdUI* pCmdUI);

protected:
    void PreCreateWindow();
    bool OnCreate();
    void OnDestroy();
    bool OnOwnCmdMsg(unsigned id, fw::CCmdUI* pUpdate, bool probe) override;
    void closeEvent(QCloseEvent* e) override;
    bool event(QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void StartTimer();

    // The totals of the entry being counted: read at a start, written at an end.
    void StartConnectionTimes(const QString& strName);
    void EndConnectionTimes();
    QString m_strTimesEntry;

    void OnUpdateConnect(fw::CCmdUI* pCmdUI);
    void OnConnectEntry(unsigned id);
    void OnUpdateConnectEntry(fw::CCmdUI* pCmdUI);
    void RebuildConnectPopup(QMenu* popup);
    void OnHangup();
    void OnUpdateHangup(fw::CCmdUI* pCmdUI);
    void OnAddProvider();
    void OnUpdateAddProvider(fw::CCmdUI* pCmdUI);
    void OnProvider(unsigned id);
    void OnCustomize();
    void OnUpdateAlwaysEnabled(fw::CCmdUI* pCmdUI);

    // Where the dial-up subsystem plugs in: the connection commands, the timer
    // bar and the favorites bar belong to it and are added by it.

    void CreateFavoritesBar();

    bool m_bCreated = false;
    CThemeData m_favorites;
    CDialtopView* m_pView = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    QToolBar* m_wndFavoritesBar = nullptr;
    QLabel* m_pConnectionPane = nullptr;

    // On-line time: the provider's and the user's totals, which of them the
    // timer bar shows, and the bar.
    CConnectTimes m_connectTimes;
    TimerBarFlags m_timerFlags;
    CTimerBar* m_wndTimerBar = nullptr;
};
