#include "dialup/DialingDlg.h"

#include "dialup/RasApi.h"
#include "dialup/RasMessages.h"
#include "framework/MessageBox.h"
#include "platform/media/AnimateCtrl.h"
#include "platform/media/Sound.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimerEvent>

namespace {

int s_nTimerMs = 1000;

// Adds like a sorted list box: before the first text that sorts after it.
int AddSorted(QComboBox* combo, const QString& text)
{
    int i = 0;
    while (i < combo->count() && QString::compare(combo->itemText(i), text, Qt::CaseInsensitive) <= 0)
        ++i;
    combo->insertItem(i, text);
    return i;
}

bool IsRedialError(ras::DWORD dwError)
{
    return dwError == ras::ERROR_LINE_BUSY || dwError == ras::ERROR_NO_ANSWER || dwError == ras::ERROR_NO_CARRIER;
}

} // namespace

CDialingDlg::CDialingDlg(CRasApi* pRas, const ras::RasDialParams& params, QWidget* pParent)
    : fw::CDialog(res::IDD_DIALING, pParent), m_params(params), m_pRas(pRas)
{
}

CDialingDlg::~CDialingDlg()
{
    KillRedialTimer();
}

int CDialingDlg::SetTimerInterval(int ms)
{
    const int old = s_nTimerMs;
    s_nTimerMs = ms;
    return old;
}

void CDialingDlg::DoDataExchange(bool /*save*/)
{
    if (!m_pStatus) {
        m_pTriesLeft = Item<QLabel>(ids::IDC_DIAL_TRIES_LEFT);
        m_pNumbers = Item<QComboBox>(ids::IDC_DIAL_NUMBERS);
        m_pDialNow = Item<QPushButton>(ids::IDC_DIAL_NOW);
        m_pStatus = Item<QLabel>(ids::IDC_DIAL_STATUS);
    }
}

bool CDialingDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The template's place holder becomes the animation control.
    if (QWidget* holder = GetDlgItem(ids::IDC_DIAL_ANIMATION)) {
        m_pAnimate = new media::CAnimateCtrl(this);
        m_pAnimate->setGeometry(holder->geometry());
        delete holder;
        m_pAnimate->setObjectName(QStringLiteral("ctl_%1").arg(ids::IDC_DIAL_ANIMATION));
        m_pAnimate->Open(ids::IDR_AVI_DIALING);
    }
    connect(m_pDialNow, &QPushButton::clicked, this, &CDialingDlg::OnDialNow);
    // Only the user's choices count, not the selections made while dialling.
    connect(m_pNumbers, &QComboBox::activated, this, &CDialingDlg::OnSelChangeNumbers);
    SetWindowText(res::FormatString(ids::IDS_DIAL_CAPTION, {m_params.strEntryName}));

    // Redial settings always come from the stored list (zero when absent).
    m_numbers.Load(m_params.strEntryName);
    m_bChainDial = m_numbers.m_bChainDial;
    m_nDelay = m_numbers.m_nDelay;
    m_nTriesLeft = m_numbers.m_nTries;
    for (const QString& number : std::as_const(m_numbers.m_numbers))
        AddSorted(m_pNumbers, number);

    QString number = m_params.strPhoneNumber;
    if (number.isEmpty()) {
        ras::RasEntry entry;
        if (m_pRas->GetEntryProperties(m_params.strEntryName, &entry, nullptr))
            number = entry.strLocalPhoneNumber;
    }
    int index = m_pNumbers->findText(number, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0 && !number.isEmpty()) {
        m_pNumbers->insertItem(0, number);
        index = 0;
    }
    m_pNumbers->setCurrentIndex(index);
    m_nNextNumber = index + 1 < m_pNumbers->count() ? index + 1 : 0;
    ShowTriesLeft();

    // The first call uses the parameters as handed in, chain dialing or not.
    StartDial();
    return true;
}

bool CDialingDlg::event(QEvent* e)
{
    if (e->type() == RasDialEventType()) {
        if (auto* m = dynamic_cast<CRasMessageEvent*>(e))
            OnRasDialEvent(unsigned(m->wParam()), ras::DWORD(m->lParam()));
        return true;
    }
    return fw::CDialog::event(e);
}

void CDialingDlg::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == m_nTimerId)
        OnTimer();
    else
        fw::CDialog::timerEvent(e);
}

void CDialingDlg::StartDial()
{
    if (m_pRas->Dial(&m_params, CRasApi::kNotifyObject, this))
        return;
    // No call was started, so no progress will come: say why, or a hidden
    // dialog would wait for ever.
    ShowHardError(m_pRas->m_dwLastError);
}

void CDialingDlg::OnRasDialEvent(unsigned state, ras::DWORD dwError)
{
    // Whatever is still queued for a dialog that is ending is of no use.
    if (m_bEnded)
        return;
    QWidget* pOwner = parentWidget();
    auto forward = [&] {
        if (pOwner)
            QCoreApplication::postEvent(pOwner, new CRasMessageEvent(RasDialEventType(), state, LPARAM(dwError)));
    };
    forward();

    switch (state) {
    case ras::RASCS_OpenPort:
        if (m_pAnimate)
            m_pAnimate->Play(0, -1, -1);
        SetStatus(res::LoadString(ids::IDS_DIAL_INITIALIZING));
        break;
    case ras::RASCS_PortOpened:
        SetStatus(res::LoadString(ids::IDS_DIAL_PORT_OPENED));
        break;
    case ras::RASCS_ConnectDevice:
        SetStatus(res::FormatString(ids::IDS_DIAL_DIALING, {m_pRas->GetCurrentEntryName()}));
        break;
    case ras::RASCS_Authenticate:
        SetStatus(res::LoadString(ids::IDS_DIAL_AUTHENTICATE));
        break;
    case ras::RASCS_Authenticated:
        SetStatus(res::LoadString(ids::IDS_DIAL_AUTHENTICATED));
        break;
    case ras::RASCS_PasswordExpired:
        SetStatus(res::LoadString(ids::IDS_DIAL_PASSWORD_EXPIRED));
        break;
    case ras::RASCS_Connected:
        if (m_pAnimate)
            m_pAnimate->Stop();
        SetStatus(res::FormatString(ids::IDS_DIAL_CONNECTED, {m_pRas->GetCurrentEntryName()}));
        forward();
        OnConnected();
        break;
    case ras::RASCS_Disconnected:
        if (m_pAnimate)
            m_pAnimate->Stop();
        forward();
        OnDialFailed(dwError);
        break;
    default:
        break;
    }
}

void CDialingDlg::OnConnected()
{
    BringToTop();
    PlayConnectSound();
    End(fw::IDOK);
}

void CDialingDlg::OnDialFailed(ras::DWORD dwEventError)
{
    ras::RasConnStatus status;
    const ras::DWORD dwError = m_pRas->GetConnectStatus(&status) ? status.dwError : dwEventError;
    QPointer<CDialingDlg> self(this);
    m_pRas->HangUp();
    if (!self || m_bEnded)
        return;

    if (!IsRedialError(dwError)) {
        ShowHardError(dwError);
        return;
    }
    m_pDialNow->show();
    if (m_nDelay < 0) {
        GiveUp();
        return;
    }
    if (m_nTriesLeft-- == 0) {
        GiveUp();
        return;
    }
    if (m_nDelay == 0) {
        OnTimer();
        return;
    }
    m_nCountdown = m_nDelay;
    KillRedialTimer();
    m_nTimerId = startTimer(s_nTimerMs);
}

void CDialingDlg::ShowHardError(ras::DWORD dwError)
{
    // The error text arrives in a buffer of 255 characters.
    show();
    BringToTop();
    SetStatus(ras::GetErrorString(dwError).left(255));
    PlayConnectSound();
}

void CDialingDlg::GiveUp()
{
    show();
    BringToTop();
    PlayConnectSound();
    OnCancel();
}

void CDialingDlg::OnTimer()
{
    if (m_bEnded)
        return;
    if (m_nCountdown > 0) {
        --m_nCountdown;
        SetStatus(res::FormatString(m_bChainDial ? ids::IDS_DIAL_NEXT_NUMBER_IN : ids::IDS_DIAL_REDIAL_IN,
                                    {m_nCountdown}));
        return;
    }
    m_nCountdown = m_nDelay;
    if (m_bChainDial && m_pNumbers->count() > 0) {
        if (m_nNextNumber < 0 || m_nNextNumber >= m_pNumbers->count())
            m_nNextNumber = 0;
        m_pNumbers->setCurrentIndex(m_nNextNumber);
        m_params.strPhoneNumber = m_pNumbers->itemText(m_nNextNumber).left(ras::RAS_MaxPhoneNumber);
        m_nNextNumber = (m_nNextNumber + 1) % m_pNumbers->count();
    }
    ShowTriesLeft();
    KillRedialTimer();
    StartDial();
}

void CDialingDlg::OnDialNow()
{
    if (m_bEnded)
        return;
    KillRedialTimer();
    QPointer<CDialingDlg> self(this);
    m_pRas->HangUp();
    if (!self || m_bEnded)
        return;
    m_nCountdown = 0;
    OnTimer();
}

void CDialingDlg::OnSelChangeNumbers(int index)
{
    m_nNextNumber = index;
}

void CDialingDlg::OnCancel()
{
    if (m_bEnded)
        return;
    // Nothing may redial or report while the line is being hung up.
    m_bEnded = true;
    KillRedialTimer();
    QPointer<CDialingDlg> self(this);
    m_pRas->HangUp();
    if (self)
        End(fw::IDCANCEL);
}

void CDialingDlg::End(int result)
{
    m_bEnded = true;
    KillRedialTimer();
    if (m_pAnimate)
        m_pAnimate->Stop();
    if (m_bModal) {
        EndDialog(result);
    } else {
        hide();
        deleteLater();
    }
}

void CDialingDlg::BringToTop()
{
    if (isVisible()) {
        raise();
        activateWindow();
    }
}

void CDialingDlg::PlayConnectSound()
{
    if (m_bPlaySound)
        media::PlaySoundResource(ids::IDR_WAVE_CONNECTED);
}

void CDialingDlg::SetStatus(const QString& text)
{
    m_pStatus->setText(text);
}

void CDialingDlg::ShowTriesLeft()
{
    m_pTriesLeft->setText(QString::number(m_nTriesLeft));
}

void CDialingDlg::KillRedialTimer()
{
    if (m_nTimerId) {
        killTimer(m_nTimerId);
        m_nTimerId = 0;
    }
}
