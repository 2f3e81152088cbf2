#pragma once
// The dialogs that create and edit launcher items: Add Item (name and
// target), Properties (every field the user sees, with an icon preview and
// the target's type) and Change Icon (an icon file and the icon within it).
// They work on their own members; the caller copies them in and out.

#include "framework/Dialog.h"

#include <QIcon>

#include <functional>

class QLabel;

// Icon extraction as the Change Icon dialog uses it (index -1 counts the
// icons); replaceable so its stepping can be tried on any file.
using IconExtractor = std::function<unsigned(const QString& file, int index, QIcon* large, QIcon* small)>;

class CAddItemDlg : public fw::CDialog
{
    Q_OBJECT
public:
    explicit CAddItemDlg(QWidget* parent = nullptr);

    QString m_strName;
    QString m_strTarget;
    QIcon m_hIcon; // the preview's icon

    void OnFindTarget();

protected:
    bool OnInitDialog() override;
    void DoDataExchange(bool save) override;
    void OnOK() override;
};

class CItemPropertiesDlg : public fw::CDialog
{
    Q_OBJECT
public:
    explicit CItemPropertiesDlg(QWidget* parent = nullptr);

    QString m_strName;
    QString m_strStartIn;
    QString m_strTarget;
    QString m_strTargetType;
    QString m_strDescription;
    std::int32_t m_bDialFirst = 0; // kept as stored unless the box is changed
    QString m_strIconFile;
    int m_nIconIndex = 0;
    int m_nShowCmd = 1;
    QString m_strArguments;
    QIcon m_hIcon;

    void OnFindTarget();
    void OnChangeIcon();
    void OnSelChangeRun(int index);

protected:
    bool OnInitDialog() override;
    void DoDataExchange(bool save) override;
};

class CChangeIconDlg : public fw::CDialog
{
    Q_OBJECT
public:
    explicit CChangeIconDlg(QWidget* parent = nullptr);

    int m_nIconCount = 0;
    int m_nIconIndex = 0;
    QString m_strFileName;
    bool m_bNameEdited = false;
    QIcon m_hIcon;

    void ShowIcon();
    void OnBrowse();
    void OnDeltaPos(int pos, int delta);

    static IconExtractor SetIconExtractor(IconExtractor extractor);

protected:
    bool OnInitDialog() override;
    void DoDataExchange(bool save) override;
    void OnOK() override;
};
