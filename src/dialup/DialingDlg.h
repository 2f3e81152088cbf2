#pragma once
// The "Connecting..." dialog: carries one dial request from the first call to
// a connection or to giving up. It shows each progress state and forwards it
// to its owner, redials a busy, unanswered or carrier-less line after a
// countdown, and with chain dialing walks through the provider's numbers (in
// the combo box's sorted order). Modal it ends with IDOK when connected and
// IDCANCEL otherwise; modeless it deletes itself when it ends.

#include "dialup/PhoneNumberList.h"
#include "framework/Dialog.h"
#include "platform/ras/RasTypes.h"

class CRasApi;
class QComboBox;
class QLabel;
class QPushButton;

namespace media {
class CAnimateCtrl;
}

class CDialingDlg : public fw::CDialog
{
    Q_OBJECT
public:
    CDialingDlg(CRasApi* pRas, const ras::RasDialParams& params, QWidget* pParent = nullptr);
    ~CDialingDlg() override;

    // Handlers, public so the owner's code paths (and tests) can drive them
    // as the event loop would.
    void OnRasDialEvent(unsigned state, ras::DWORD dwError);
    void OnTimer();
    void OnDialNow();
    void OnSelChangeNumbers(int index);
    void OnCancel() override;

    // Cancelled, given up or connected: nothing more happens.
    bool IsEnded() const { return m_bEnded; }

    // Interval of timer 1; tests make it long and drive the ticks themselves.
    static int SetTimerInterval(int ms);

    ras::RasDialParams m_params;
    CRasApi* m_pRas = nullptr;
    CPhoneNumberList m_numbers;
    int m_nNextNumber = 0;
    int m_bChainDial = 0;
    int m_nDelay = 0;
    int m_nTriesLeft = 0;
    bool m_bPlaySound = true;
    bool m_bModal = false;
    int m_nCountdown = 0;

    media::CAnimateCtrl* m_pAnimate = nullptr;
    QLabel* m_pTriesLeft = nullptr;
    QComboBox* m_pNumbers = nullptr;
    QPushButton* m_pDialNow = nullptr;
    QLabel* m_pStatus = nullptr;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(bool save) override;
    bool event(QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    void OnConnected();
    void OnDialFailed(ras::DWORD dwEventError);
    void ShowHardError(ras::DWORD dwError);
    void GiveUp();
    void StartDial();
    void BringToTop();
    void PlayConnectSound();
    void SetStatus(const QString& text);
    void ShowTriesLeft();
    void KillRedialTimer();
    void End(int result);

    int m_nTimerId = 0;
    bool m_bEnded = false;
};
