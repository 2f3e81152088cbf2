#include "launcher/ItemDialogs.h"

#include "launcher/ItemTargets.h"

#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "framework/UpDownCtrl.h"
#include "platform/shell/FileInfo.h"
#include "platform/shell/Icons.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int kIconCtl = 1065;
constexpr int kNameCtl = 1000;
constexpr int kTargetCtl = 1003;
constexpr int kFindCtl = 1004;

IconExtractor& iconExtractor()
{
    static IconExtractor e;
    return e;
}

unsigned Extract(const QString& file, int index, QIcon* large, QIcon* small)
{
    if (iconExtractor())
        return iconExtractor()(file, index, large, small);
    return shell::ExtractIconEx(file, index, large, small);
}

void ShowPreview(fw::CDialog* dlg, const QIcon& icon)
{
    if (auto* label = dlg->Item<QLabel>(kIconCtl))
        label->setPixmap(icon.pixmap(QSize(shell::kLargeIconSize, shell::kLargeIconSize), dlg->devicePixelRatioF()));
}

QString Text(fw::CDialog* dlg, int id)
{
    auto* edit = dlg->Item<QLineEdit>(id);
    return edit ? edit->text() : QString();
}

void SetText(fw::CDialog* dlg, int id, const QString& text)
{
    if (auto* edit = dlg->Item<QLineEdit>(id))
        edit->setText(text);
}

// The program's file dialog for a Browse or Find button.
bool BrowseFor(fw::CDialog* dlg, unsigned filter, const QString& initial, QString* path)
{
    fw::FileDialogRequest req;
    req.bOpen = true;
    req.filter = res::LoadString(filter);
    req.fileName = initial;
    req.flags = fw::OFN_HIDEREADONLY | fw::OFN_OVERWRITEPROMPT;
    req.parent = dlg;
    if (!fw::RunFileDialog(req))
        return false;
    *path = req.fileName;
    return true;
}

void Message(fw::CDialog* dlg, unsigned id)
{
    fw::MessageBox(res::LoadString(id), fw::MB_OK | fw::MB_ICONEXCLAMATION, dlg);
}

// Run choices in combo order, with the show command each stores.
constexpr int kShowCmds[] = {1, 3, 2};
const char* const kRunChoices[] = {"Normal", "Maximized", "Minimized"};

} // namespace

// ---- Add Item

CAddItemDlg::CAddItemDlg(QWidget* parent) : fw::CDialog(res::IDD_ADDITEM, parent) {}

bool CAddItemDlg::OnInitDialog()
{
    fw::CDialog::OnInitDialog();
    if (auto* b = Item<QPushButton>(kFindCtl))
        connect(b, &QPushButton::clicked, this, &CAddItemDlg::OnFindTarget);
    return true;
}

void CAddItemDlg::DoDataExchange(bool save)
{
    if (save) {
        m_strName = Text(this, kNameCtl);
        m_strTarget = Text(this, kTargetCtl);
    } else {
        SetText(this, kNameCtl, m_strName);
        SetText(this, kTargetCtl, m_strTarget);
    }
}

void CAddItemDlg::OnFindTarget()
{
    UpdateData(true);
    QString path;
    if (!BrowseFor(this, ids::IDS_TARGET_FILTER, QString(), &path))
        return;
    m_strTarget = path;
    QString name;
    if (shell::GetDisplayName(path, &name)) {
        if (m_strName.isEmpty())
            m_strName = name;
        m_hIcon = shell::AssociatedIcon(path);
        ShowPreview(this, m_hIcon);
    }
    UpdateData(false);
}

void CAddItemDlg::OnOK()
{
    UpdateData(true);
    if (!m_strName.isEmpty() && !m_strTarget.isEmpty()) {
        EndDialog(fw::IDOK);
        return;
    }
    Message(this, ids::IDS_NAME_TARGET_REQUIRED);
}

// ---- Properties

CItemPropertiesDlg::CItemPropertiesDlg(QWidget* parent) : fw::CDialog(res::IDD_ITEMPROPERTIES, parent) {}

void CItemPropertiesDlg::DoDataExchange(bool save)
{
    auto* type = Item<QLabel>(1066);
    auto* dial = Item<QCheckBox>(1091);
    if (save) {
        m_strName = Text(this, kNameCtl);
        m_strDescription = Text(this, 1090);
        m_strTarget = Text(this, kTargetCtl);
        m_strStartIn = Text(this, 1061);
        // A stored true other than 1 stays as it was while the box stays on.
        if (dial && dial->isChecked() != (m_bDialFirst != 0))
            m_bDialFirst = dial->isChecked() ? 1 : 0;
    } else {
        SetText(this, kNameCtl, m_strName);
        SetText(this, 1090, m_strDescription);
        SetText(this, kTargetCtl, m_strTarget);
        SetText(this, 1061, m_strStartIn);
        if (type)
            type->setText(m_strTargetType);
        if (dial)
            dial->setChecked(m_bDialFirst != 0);
    }
}

bool CItemPropertiesDlg::OnInitDialog()
{
    if (auto* combo = Item<QComboBox>(1059))
        for (const char* choice : kRunChoices)
            combo->addItem(QString::fromLatin1(choice));
    fw::CDialog::OnInitDialog();

    QIcon icon;
    if (m_strIconFile.isEmpty()) {
        if (!GetUrlIcon(m_strTarget, &icon, nullptr))
            icon = shell::AssociatedIcon(m_strTarget.left(259));
    } else {
        icon = shell::ExtractIcon(m_strIconFile, m_nIconIndex);
    }
    if (!icon.isNull()) {
        m_hIcon = icon;
        ShowPreview(this, m_hIcon);
    }

    const QString type = GetTargetTypeName(m_strTarget);
    if (!type.isEmpty()) {
        m_strTargetType = type;
        if (auto* label = Item<QLabel>(1066))
            label->setText(m_strTargetType);
    }

    if (auto* combo = Item<QComboBox>(1059)) {
        int selection = -1;
        for (int i = 0; i < 3; ++i)
            if (kShowCmds[i] == m_nShowCmd)
                selection = i;
        combo->setCurrentIndex(selection);
        connect(combo, &QComboBox::activated, this, &CItemPropertiesDlg::OnSelChangeRun);
    }
    if (auto* b = Item<QPushButton>(kFindCtl))
        connect(b, &QPushButton::clicked, this, &CItemPropertiesDlg::OnFindTarget);
    if (auto* b = Item<QPushButton>(1067))
        connect(b, &QPushButton::clicked, this, &CItemPropertiesDlg::OnChangeIcon);
    return true;
}

void CItemPropertiesDlg::OnSelChangeRun(int index)
{
    if (index >= 0 && index < 3)
        m_nShowCmd = kShowCmds[index];
}

void CItemPropertiesDlg::OnFindTarget()
{
    UpdateData(true);
    QString path;
    if (!BrowseFor(this, ids::IDS_TARGET_FILTER, QString(), &path))
        return;
    m_strTarget = path;
    QString name;
    if (shell::GetDisplayName(path, &name) && m_strName.isEmpty())
        m_strName = name;
    QString iconFile;
    int index = 0;
    if (shell::GetIconLocation(path, &iconFile, &index)) {
        m_strIconFile = iconFile;
        m_strTargetType = GetTargetTypeName(path);
        m_nIconIndex = 0;
        QIcon icon = shell::ExtractIcon(iconFile, 0);
        if (icon.isNull())
            icon = shell::AssociatedIcon(path);
        m_hIcon = icon;
        ShowPreview(this, m_hIcon);
    }
    UpdateData(false);
}

void CItemPropertiesDlg::OnChangeIcon()
{
    // A program holds its own icons; this stays even when the dialog is cancelled.
    if (m_strIconFile.isEmpty() && QFileInfo(m_strTarget).suffix().compare(u"exe", Qt::CaseInsensitive) == 0)
        m_strIconFile = m_strTarget;
    CChangeIconDlg dlg(this);
    dlg.m_strFileName = m_strIconFile;
    dlg.m_nIconIndex = m_nIconIndex;
    if (dlg.DoModal() != fw::IDOK)
        return;
    m_strIconFile = dlg.m_strFileName;
    m_nIconIndex = dlg.m_nIconIndex;
    QIcon icon;
    if (Extract(m_strIconFile, m_nIconIndex, &icon, nullptr) && !icon.isNull()) {
        m_hIcon = icon;
        ShowPreview(this, m_hIcon);
    }
}

// ---- Change Icon

CChangeIconDlg::CChangeIconDlg(QWidget* parent) : fw::CDialog(res::IDD_CHANGEICON, parent) {}

IconExtractor CChangeIconDlg::SetIconExtractor(IconExtractor extractor)
{
    IconExtractor old = std::move(iconExtractor());
    iconExtractor() = std::move(extractor);
    return old;
}

void CChangeIconDlg::DoDataExchange(bool save)
{
    if (save)
        m_strFileName = Text(this, 1068);
    else
        SetText(this, 1068, m_strFileName);
}

bool CChangeIconDlg::OnInitDialog()
{
    fw::CDialog::OnInitDialog();
    // Only what the user types counts as a new name; the dialog's own
    // updates of the field do not ask for a second OK.
    if (auto* edit = Item<QLineEdit>(1068))
        connect(edit, &QLineEdit::textEdited, this, [this] { m_bNameEdited = true; });
    if (auto* b = Item<QPushButton>(kFindCtl))
        connect(b, &QPushButton::clicked, this, &CChangeIconDlg::OnBrowse);
    if (auto* spin = Item<fw::CUpDownCtrl>(1049))
        connect(spin, &fw::CUpDownCtrl::deltaPos, this, &CChangeIconDlg::OnDeltaPos);
    ShowIcon();
    return true;
}

void CChangeIconDlg::ShowIcon()
{
    if (m_strFileName.isEmpty())
        return;
    QIcon icon;
    if (!Extract(m_strFileName, m_nIconIndex, &icon, nullptr) || icon.isNull()) {
        Message(this, ids::IDS_NO_ICON);
        return;
    }
    m_hIcon = icon;
    ShowPreview(this, m_hIcon);
    // A file that showed this icon holds at least this many.
    m_nIconCount = std::max(int(Extract(m_strFileName, -1, nullptr, nullptr)), m_nIconIndex + 1);
    if (auto* spin = Item<fw::CUpDownCtrl>(1049)) {
        spin->SetRange(0, m_nIconCount - 1);
        spin->SetPos(m_nIconIndex);
    }
}

void CChangeIconDlg::OnBrowse()
{
    QString path;
    if (!BrowseFor(this, ids::IDS_ICON_FILTER, QString(), &path))
        return;
    m_strFileName = path;
    m_nIconIndex = 0;
    ShowIcon();
    UpdateData(false);
}

void CChangeIconDlg::OnDeltaPos(int pos, int delta)
{
    const int n = pos + delta;
    if (n < 0 || n >= m_nIconCount)
        return;
    m_nIconIndex = n;
    QIcon icon;
    if (Extract(m_strFileName, n, &icon, nullptr) && !icon.isNull()) {
        m_hIcon = icon;
        ShowPreview(this, m_hIcon);
    }
}

void CChangeIconDlg::OnOK()
{
    UpdateData(true);
    if (m_bNameEdited) {
        m_bNameEdited = false;
        ShowIcon();
        return;
    }
    if (!m_strFileName.isEmpty()) {
        EndDialog(fw::IDOK);
        return;
    }
    Message(this, ids::IDS_FILE_NAME_REQUIRED);
}
