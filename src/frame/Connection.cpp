// The main window's side of a connection: the Connect, Hangup and provider
// commands, the one-second tick that counts on-line time, the progress texts
// of a call, dropped lines and the Customize sheet.

#include "MainFrame.h"

#include "DialFirst.h"
#include "FavoritesPage.h"
#include "dialup/CustomizePropertySheet.h"
#include "dialup/ProviderPropertySheet.h"
#include "dialup/RasApi.h"
#include "framework/MessageBox.h"
#include "framework/View.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QTimerEvent>

namespace {

constexpr int kTimerId = 1;

QAction* addCommand(fw::CFrameWnd* frame, QMenu* menu, const QString& text, unsigned id)
{
    QAction* a = menu->addAction(text);
    a->setData(id);
    a->setObjectName(QString("menu_%1").arg(id));
    QObject::connect(a, &QAction::triggered, frame, [frame, id] { frame->OnCommand(id); });
    return a;
}

} // namespace

void CMainFrame::StartTimer()
{
    if (!m_nTimer)
        m_nTimer = startTimer(1000);
}

void CMainFrame::timerEvent(QTimerEvent* e)
{
    if (m_nTimer && e->timerId() == m_nTimer)
        OnTimer(kTimerId);
    else
        fw::CFrameWnd::timerEvent(e);
}

void CMainFrame::OnTimer(int nIDEvent)
{
    CRasApi& ras = CRasApi::Instance();
    if (ras.IsConnected()) {
        // A call dialled past the frame (an item that dials first) has not
        // had its totals read: they are, once, as for a line taken over.
        if (const QString entry = ras.GetCurrentEntryName(); entry != m_strTimesEntry) {
            EndConnectionTimes();
            StartConnectionTimes(entry);
        }
        // Counters only: the file is written when the connection ends.
        m_connectTimes.CountSecond();
        ShowConnectTimes();
    } else {
        EndConnection();
        AdoptConnection();
    }
    if (fw::CView* view = GetActiveView())
        QCoreApplication::postEvent(view, new QTimerEvent(nIDEvent));
}

void CMainFrame::StartConnectionTimes(const QString& strName)
{
    m_strTimesEntry = strName;
    m_connectTimes.ReadConnectTimes(strName);
    m_wndTimerBar->SetPaneText(0, strName);
    ShowConnectTimes();
}

void CMainFrame::EndConnectionTimes()
{
    // The totals go to the entry they were read for.
    if (m_connectTimes.m_bTimesDirty) {
        m_connectTimes.m_bTimesDirty = false;
        m_connectTimes.WriteConnectTimes(m_strTimesEntry);
    }
}

void CMainFrame::StartConnection(const QString& strName)
{
    StartConnectionTimes(strName);
    CRasApi::Instance().Connect(strName, m_bShowDialing, this, false);
}

void CMainFrame::EndConnection()
{
    CRasApi& ras = CRasApi::Instance();
    EndConnectionTimes();
    if (ras.IsConnected()) {
        ras.HangUp();
        SetConnectionText(res::LoadString(ids::IDS_NOT_CONNECTED));
    }
}

bool CMainFrame::AdoptConnection()
{
    CRasApi& ras = CRasApi::Instance();
    if (ras.m_hRasConn)
        return false;
    std::unique_ptr<CRasConnList> conns = ras.EnumConnections();
    if (!conns || !conns->GetAt(0) || !ras.AttachConnection(conns->GetAt(0)->hrasconn))
        return false;
    StartConnectionTimes(ras.GetCurrentEntryName());
    return true;
}

void CMainFrame::OnConnect()
{
    const QString name = CRasApi::Instance().GetDefaultEntry();
    if (!name.isEmpty())
        StartConnection(name);
}

void CMainFrame::ConnectToEntry(int nIndex)
{
    QString name;
    // An index outside the phonebook names nothing to dial.
    if (nIndex >= 0 && CRasApi::Instance().GetEntryName(nIndex, name) && !name.isEmpty())
        StartConnection(name);
}

void CMainFrame::OnConnectEntry(unsigned id)
{
    ConnectToEntry(int(id - ids::ID_CONNECT_FIRST));
}

void CMainFrame::OnUpdateConnect(fw::CCmdUI* pCmdUI)
{
    CRasApi& ras = CRasApi::Instance();
    if (ras.IsConnected()) {
        pCmdUI->Enable(false);
        return;
    }
    const int count = ras.EnumEntries();
    if (count < 2) {
        pCmdUI->Enable(count == 1);
        return;
    }
    // In a menu the item becomes a popup of the providers, for good; the
    // toolbar button keeps dialling the default one.
    if (pCmdUI->m_pMenu && pCmdUI->m_pAction && !pCmdUI->m_pAction->menu()) {
        QString text = pCmdUI->m_pAction->text().left(256);
        auto* popup = new QMenu(text, pCmdUI->m_pMenu);
        popup->setObjectName("connect_popup");
        connect(popup, &QMenu::aboutToShow, this, [this, popup] {
            RebuildConnectPopup(popup);
            UpdateMenu(popup);
        });
        pCmdUI->m_pAction->setMenu(popup);
        RebuildConnectPopup(popup);
    }
    pCmdUI->Enable(true);
}

void CMainFrame::RebuildConnectPopup(QMenu* popup)
{
    CRasApi& ras = CRasApi::Instance();
    // While connected the list stays as it is, its names disabled.
    if (ras.IsConnected())
        return;
    for (QAction* a : popup->actions()) {
        popup->removeAction(a);
        a->deleteLater();
    }
    const int count = ras.EnumEntries();
    for (int i = 0; i < count && ids::ID_CONNECT_FIRST + unsigned(i) <= ids::ID_CONNECT_LAST; ++i) {
        QString name;
        if (ras.GetEntryName(i, name))
            addCommand(this, popup, name, ids::ID_CONNECT_FIRST + unsigned(i));
    }
}

void CMainFrame::OnUpdateConnectEntry(fw::CCmdUI* pCmdUI)
{
    pCmdUI->Enable(!CRasApi::Instance().IsConnected());
}

void CMainFrame::OnHangup()
{
    EndConnection();
}

void CMainFrame::OnUpdateHangup(fw::CCmdUI* pCmdUI)
{
    pCmdUI->Enable(CRasApi::Instance().IsConnected());
}

void CMainFrame::OnAddProvider()
{
    CRasApi::Instance().CreateEntry(this);
}

void CMainFrame::OnUpdateAddProvider(fw::CCmdUI* pCmdUI)
{
    // Opening the Provider popup lists the phonebook after "Add New..." and
    // its separator.
    if (QMenu* menu = pCmdUI->m_pMenu) {
        const QList<QAction*> actions = menu->actions();
        for (int i = 2; i < actions.size(); ++i) {
            menu->removeAction(actions[i]);
            actions[i]->deleteLater();
        }
        CRasApi& ras = CRasApi::Instance();
        const int count = ras.EnumEntries();
        for (int i = 0; i < count && ids::ID_PROVIDER_FIRST + unsigned(i) <= ids::ID_PROVIDER_LAST; ++i) {
            QString name;
            if (ras.GetEntryName(i, name))
                addCommand(this, menu, name, ids::ID_PROVIDER_FIRST + unsigned(i));
        }
    }
    pCmdUI->Enable(true);
}

void CMainFrame::OnProvider(unsigned id)
{
    QString name;
    if (!CRasApi::Instance().GetEntryName(int(id - ids::ID_PROVIDER_FIRST), name))
        return;
    CProviderPropertySheet sheet(&CRasApi::Instance());
    sheet.m_strEntry = name;
    sheet.DoModal();
}

void CMainFrame::OnCustomize()
{
    CCustomizePropertyPage2 favorites;
    InitFavoritesPage(favorites);
    CCustomizePropertySheet sheet;
    sheet.InsertFavoritesPage(&favorites);
    if (sheet.DoModal() == fw::IDOK)
        LoadSettings();
}

void CMainFrame::OnUpdateAlwaysEnabled(fw::CCmdUI* pCmdUI)
{
    pCmdUI->Enable(true);
}

long CMainFrame::OnRasDialEvent(WPARAM wParam, LPARAM /*lParam*/)
{
    const unsigned state = unsigned(wParam);
    const QString entry = CRasApi::Instance().GetCurrentEntryName();
    unsigned text = 0;
    if (state == ras::RASCS_OpenPort)
        text = ids::IDS_DIAL_INITIALIZING;
    else if (state == ras::RASCS_PortOpened)
        text = ids::IDS_DIAL_PORT_OPENED;
    else if (state >= 2 && state <= 4)
        text = ids::IDS_DIAL_DIALING;
    else if (state == 13 || state == 14)
        text = ids::IDS_DIAL_AUTHENTICATED;
    else if (state == 20)
        return 1; // callback complete: the pane keeps its text
    else if ((state >= 5 && state <= 23) || (state >= ras::RASCS_Interactive && state <= ras::RASCS_CallbackSetByCaller))
        text = ids::IDS_DIAL_AUTHENTICATE;
    else if (state == ras::RASCS_PasswordExpired)
        text = ids::IDS_DIAL_PASSWORD_EXPIRED;
    else if (state == ras::RASCS_Connected)
        text = ids::IDS_DIAL_CONNECTED;
    else if (state == ras::RASCS_Disconnected) {
        EndConnection();
        text = ids::IDS_NOT_CONNECTED;
    }
    SetConnectionText(text ? res::FormatString(text, {entry}) : QString());
    return 1;
}

long CMainFrame::OnRasDropLine(WPARAM wParam, LPARAM /*lParam*/)
{
    const int index = int(qintptr(wParam));
    QString name;
    // An entry that has left the phonebook cannot be dialled again: its
    // times are written and the line is let go, without a question.
    if (index < 0 || !CRasApi::Instance().GetEntryName(index, name)) {
        EndConnection();
        return 0;
    }
    // The dropped session's times are stored before a new one starts from
    // the stored totals, whether the redial is automatic or the user's.
    if (m_bRedialOnDrop) {
        EndConnection();
        ConnectToEntry(index);
    } else if (fw::MessageBox(res::FormatString(ids::IDS_CONNECTION_DROPPED, {name}), fw::MB_YESNO | fw::MB_ICONQUESTION,
                              this)
               == fw::IDYES) {
        EndConnection();
        ConnectToEntry(index);
    }
    return 0;
}

long CMainFrame::OnRasConnectionSpeed(WPARAM /*wParam*/, LPARAM lParam)
{
    ras::RasPppIp info;
    if (CRasApi::Instance().GetProjectionInfo(ras::RASP_PppIp, &info))
        SetConnectionText(res::FormatString(ids::IDS_CONNECTION_SPEED, {info.strIpAddress, uint(lParam)}));
    return 0;
}

long CMainFrame::OnRasConnectionTime(WPARAM /*wParam*/, LPARAM lParam)
{
    m_connectTimes.OnRasConnectionTime(lParam);
    return 0;
}

bool CMainFrame::event(QEvent* e)
{
    const int type = int(e->type());
    if (type == RasDialEventType() || type == RasDropLineEventType() || type == RasConnectionSpeedEventType()
        || type == RasConnectionTimeEventType()) {
        auto* m = static_cast<CRasMessageEvent*>(e);
        if (type == RasDialEventType())
            OnRasDialEvent(m->wParam(), m->lParam());
        else if (type == RasDropLineEventType())
            OnRasDropLine(m->wParam(), m->lParam());
        else if (type == RasConnectionSpeedEventType())
            OnRasConnectionSpeed(m->wParam(), m->lParam());
        else
            OnRasConnectionTime(m->wParam(), m->lParam());
        return true;
    }
    return fw::CFrameWnd::event(e);
}
