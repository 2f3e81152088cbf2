#pragma once
// Asks for a provider's user name and password when none is saved. The
// password typed here lives only in memory and, when "Save password" is
// checked, in the service's private credentials store.

#include "framework/Dialog.h"

class CPasswordDlg : public fw::CDialog
{
    Q_OBJECT
public:
    explicit CPasswordDlg(QWidget* pParent = nullptr);

    QString m_strUserName;
    QString m_strPassword;
    bool m_bSavePassword = false;

protected:
    void DoDataExchange(bool save) override;
};
