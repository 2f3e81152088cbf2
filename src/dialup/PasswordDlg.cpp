#include "dialup/PasswordDlg.h"

#include "res/ResourceIds.h"

#include <QCheckBox>
#include <QLineEdit>

CPasswordDlg::CPasswordDlg(QWidget* pParent) : fw::CDialog(res::IDD_PASSWORD, pParent)
{
}

void CPasswordDlg::DoDataExchange(bool save)
{
    auto* user = Item<QLineEdit>(ids::IDC_PWD_USERNAME);
    auto* password = Item<QLineEdit>(ids::IDC_PWD_PASSWORD);
    auto* savePassword = Item<QCheckBox>(ids::IDC_PWD_SAVE);
    if (!user || !password || !savePassword)
        return;
    if (save) {
        m_strUserName = user->text();
        m_strPassword = password->text();
        m_bSavePassword = savePassword->isChecked();
    } else {
        user->setText(m_strUserName);
        password->setText(m_strPassword);
        savePassword->setChecked(m_bSavePassword);
    }
}
