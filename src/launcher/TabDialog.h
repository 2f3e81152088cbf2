#pragma once
// The dialog that names a tab and chooses its background picture, for a new
// tab and for a tab's properties (with a caption of its own).

#include "framework/Dialog.h"

class CAddTabDlg : public fw::CDialog
{
    Q_OBJECT
public:
    explicit CAddTabDlg(QWidget* parent = nullptr);

    QString m_strName;
    QString m_strBackground;
    QString m_strCaption; // empty keeps the template's

    void OnBrowse();

protected:
    bool OnInitDialog() override;
    void DoDataExchange(bool save) override;
};
