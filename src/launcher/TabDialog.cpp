#include "launcher/TabDialog.h"

#include "framework/FileDialog.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QLineEdit>
#include <QPushButton>

CAddTabDlg::CAddTabDlg(QWidget* parent) : fw::CDialog(res::IDD_ADDTAB, parent) {}

void CAddTabDlg::DoDataExchange(bool save)
{
    auto* name = Item<QLineEdit>(1000);
    auto* background = Item<QLineEdit>(1009);
    if (!name || !background)
        return;
    if (save) {
        m_strName = name->text();
        m_strBackground = background->text();
    } else {
        name->setText(m_strName);
        background->setText(m_strBackground);
    }
}

bool CAddTabDlg::OnInitDialog()
{
    fw::CDialog::OnInitDialog();
    if (!m_strCaption.isEmpty())
        SetWindowText(m_strCaption);
    if (auto* b = Item<QPushButton>(1004))
        connect(b, &QPushButton::clicked, this, &CAddTabDlg::OnBrowse);
    return true;
}

void CAddTabDlg::OnBrowse()
{
    UpdateData(true);
    fw::FileDialogRequest req;
    req.bOpen = true;
    req.filter = res::LoadString(ids::IDS_BITMAP_FILTER);
    req.fileName = QStringLiteral("*.bmp");
    req.flags = fw::OFN_HIDEREADONLY | fw::OFN_OVERWRITEPROMPT;
    req.parent = this;
    if (!fw::RunFileDialog(req))
        return;
    m_strBackground = req.fileName;
    UpdateData(false);
}
