#include "dialup/ProviderPropertySheet.h"

#include "dialup/RasApi.h"
#include "framework/MessageBox.h"
#include "platform/ras/LoginScript.h"
#include "platform/ras/Phonebook.h"
#include "platform/ras/ServiceSettings.h"
#include "platform/shell/Execute.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>

namespace {

constexpr int kSpinMax = 32767;

// The spin button moves its buddy's number; typing in the buddy moves the spin.
void LinkSpin(QSpinBox* spin, QLineEdit* buddy)
{
    if (!spin || !buddy)
        return;
    spin->setRange(0, kSpinMax);
    spin->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    QObject::connect(spin, &QSpinBox::valueChanged, buddy, [buddy](int v) {
        if (buddy->text().trimmed().toInt() != v)
            buddy->setText(QString::number(v));
    });
    QObject::connect(buddy, &QLineEdit::textChanged, spin, [spin](const QString& text) {
        bool ok = false;
        const int v = text.trimmed().toInt(&ok);
        if (ok) {
            const QSignalBlocker block(spin);
            spin->setValue(qBound(0, v, kSpinMax));
        }
    });
}

// Reads an integer field as dialog data exchange does: a text that is not a
// number is refused with a message and the field gets the focus.
bool ReadInt(QLineEdit* edit, int& out, QWidget* owner)
{
    bool ok = false;
    const int v = edit->text().trimmed().toInt(&ok);
    if (!ok) {
        fw::MessageBox(res::LoadString(ids::AFX_IDP_PARSE_INT), fw::MB_OK | fw::MB_ICONEXCLAMATION, owner);
        edit->setFocus();
        edit->selectAll();
        return false;
    }
    out = v;
    return true;
}

} // namespace

// --- Provider -----------------------------------------------------------------

CProviderPropertyPage1::CProviderPropertyPage1() : fw::CPropertyPage(res::IDD_PROVIDER_PAGE1)
{
}

CProviderPropertySheet* CProviderPropertyPage1::Sheet() const
{
    return static_cast<CProviderPropertySheet*>(GetSheet());
}

void CProviderPropertyPage1::DoDataExchange(bool save)
{
    auto* name = Item<QLineEdit>(ids::IDC_PROV_NAME);
    auto* user = Item<QLineEdit>(ids::IDC_PROV_USERNAME);
    auto* password = Item<QLineEdit>(ids::IDC_PROV_PASSWORD);
    auto* savePassword = Item<QCheckBox>(ids::IDC_PROV_SAVE_PASSWORD);
    if (!name || !user || !password || !savePassword)
        return;
    if (save) {
        m_strName = name->text();
        m_strUserName = user->text();
        m_strPassword = password->text();
        m_bSavePassword = savePassword->isChecked();
    } else {
        name->setText(m_strName);
        user->setText(m_strUserName);
        password->setText(m_strPassword);
        savePassword->setChecked(m_bSavePassword);
    }
}

bool CProviderPropertyPage1::OnInitDialog()
{
    CRasApi* ras = Sheet()->m_pRas;
    m_strName = Sheet()->m_strEntry;
    const QString strDefault = ras->GetDefaultEntry();
    Item<QCheckBox>(ids::IDC_PROV_DEFAULT)
        ->setChecked(!strDefault.isEmpty() && strDefault.compare(m_strName, Qt::CaseInsensitive) == 0);
    if (ras::EntryHasLoginScript(m_strName, &m_strScript))
        GetDlgItem(ids::IDC_PROV_SCRIPTER)->show();

    ras::RasDialParams params;
    params.strEntryName = m_strName;
    bool bSaved = false;
    ras->GetEntryDialParams(&params, &bSaved);
    m_bSavePassword = bSaved;
    if (bSaved)
        m_strPassword = params.strPassword;
    m_strUserName = params.strUserName;

    connect(Item<QPushButton>(ids::IDC_PROV_PROPERTIES), &QPushButton::clicked, this,
            &CProviderPropertyPage1::OnProperties);
    connect(Item<QPushButton>(ids::IDC_PROV_SCRIPTER), &QPushButton::clicked, this,
            &CProviderPropertyPage1::OnScripter);
    connect(Item<QPushButton>(ids::IDC_PROV_DELETE), &QPushButton::clicked, this, &CProviderPropertyPage1::OnDelete);
    return fw::CPropertyPage::OnInitDialog();
}

void CProviderPropertyPage1::OnProperties()
{
    Sheet()->m_pRas->EditEntry(this, m_strName);
}

void CProviderPropertyPage1::OnScripter()
{
    // The script opens in the desktop's editor for its (text) type.
    if (m_strScript.isEmpty())
        return;
    // A new script starts from the commented examples.
    ras::CreateLoginScript(m_strName);
    shell::ExecuteRequest request;
    request.file = m_strScript;
    request.showCmd = shell::SW_SHOWNORMAL;
    QString error;
    if (!shell::ShellExecute(request, &error))
        fw::MessageBox(error, fw::MB_OK | fw::MB_ICONEXCLAMATION, window());
}

void CProviderPropertyPage1::OnDelete()
{
    if (fw::MessageBox(res::FormatString(ids::IDS_DELETE_ENTRY, {m_strName}), fw::MB_YESNO | fw::MB_ICONQUESTION,
                       window())
        != fw::IDYES)
        return;
    Sheet()->m_pRas->DeleteEntry(m_strName);
    // Nothing is left to apply the other fields to.
    Sheet()->PostClose();
}

bool CProviderPropertyPage1::OnApply()
{
    UpdateData(true);
    CRasApi* ras = Sheet()->m_pRas;
    // Unchecking never takes the default away: there is always one.
    if (Item<QCheckBox>(ids::IDC_PROV_DEFAULT)->isChecked())
        ras->SetDefaultEntry(m_strName);

    ras::RasDialParams params;
    params.strEntryName = m_strName;
    bool bSaved = false;
    if (!ras->GetEntryDialParams(&params, &bSaved))
        return true; // the stored values stay as they are
    // Empty fields keep what is stored.
    if (!m_strPassword.isEmpty())
        params.strPassword = m_strPassword.left(ras::RAS_MaxPassword);
    if (!m_strUserName.isEmpty())
        params.strUserName = m_strUserName.left(ras::RAS_MaxUserName);
    ras->SetEntryDialParams(&params, !m_bSavePassword);
    return true;
}

// --- Dialing ------------------------------------------------------------------

CProviderPropertyPage3::CProviderPropertyPage3() : fw::CPropertyPage(res::IDD_PROVIDER_PAGE3)
{
}

CProviderPropertySheet* CProviderPropertyPage3::Sheet() const
{
    return static_cast<CProviderPropertySheet*>(GetSheet());
}

bool CProviderPropertyPage3::UpdateData(bool save)
{
    auto* chain = Item<QCheckBox>(ids::IDC_PROV_CHAIN_DIAL);
    auto* newNumber = Item<QLineEdit>(ids::IDC_PROV_NEW_NUMBER);
    auto* defaultNumber = Item<QLabel>(ids::IDC_PROV_DEFAULT_NUMBER);
    auto* tries = Item<QLineEdit>(ids::IDC_PROV_TRIES);
    auto* delay = Item<QLineEdit>(ids::IDC_PROV_DELAY);
    if (!chain || !newNumber || !defaultNumber || !tries || !delay)
        return false;
    if (save) {
        int nTries = 0, nDelay = 0;
        if (!ReadInt(tries, nTries, window()) || !ReadInt(delay, nDelay, window()))
            return false;
        m_bChainDial = chain->isChecked();
        m_strNewNumber = newNumber->text();
        m_nTries = nTries;
        m_nDelay = nDelay;
    } else {
        chain->setChecked(m_bChainDial);
        newNumber->setText(m_strNewNumber);
        defaultNumber->setText(m_strDefaultNumber);
        tries->setText(QString::number(m_nTries));
        delay->setText(QString::number(m_nDelay));
    }
    return true;
}

bool CProviderPropertyPage3::OnInitDialog()
{
    CRasApi* ras = Sheet()->m_pRas;
    const QString& entry = Sheet()->m_strEntry;
    ras::RasEntry props;
    if (ras->GetEntryProperties(entry, &props, nullptr))
        m_strDefaultNumber = props.strLocalPhoneNumber;
    // Stored settings count only with at least one number.
    if (m_numbers.Load(entry)) {
        m_bChainDial = m_numbers.m_bChainDial;
        m_nDelay = m_numbers.m_nDelay;
        m_nTries = m_numbers.m_nTries;
    }
    LinkSpin(Item<QSpinBox>(ids::IDC_PROV_TRIES_SPIN), Item<QLineEdit>(ids::IDC_PROV_TRIES));
    LinkSpin(Item<QSpinBox>(ids::IDC_PROV_DELAY_SPIN), Item<QLineEdit>(ids::IDC_PROV_DELAY));

    auto* list = Item<QListWidget>(ids::IDC_PROV_NUMBERS);
    list->addItems(m_numbers.m_numbers);
    // The entry's own number, when it is not among them, is ready to be added.
    if (list->findItems(m_strDefaultNumber, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty())
        m_strNewNumber = m_strDefaultNumber;

    connect(Item<QPushButton>(ids::IDC_PROV_ADD), &QPushButton::clicked, this, &CProviderPropertyPage3::OnAdd);
    connect(Item<QPushButton>(ids::IDC_PROV_DELETE_NUMBER), &QPushButton::clicked, this,
            &CProviderPropertyPage3::OnDelete);
    connect(Item<QPushButton>(ids::IDC_PROV_SET_DEFAULT), &QPushButton::clicked, this,
            &CProviderPropertyPage3::OnSetDefault);
    return fw::CPropertyPage::OnInitDialog();
}

void CProviderPropertyPage3::OnAdd()
{
    // Only the number is taken: a half-typed count must not stop adding.
    m_strNewNumber = Item<QLineEdit>(ids::IDC_PROV_NEW_NUMBER)->text();
    Item<QListWidget>(ids::IDC_PROV_NUMBERS)->insertItem(0, m_strNewNumber);
}

void CProviderPropertyPage3::OnDelete()
{
    auto* list = Item<QListWidget>(ids::IDC_PROV_NUMBERS);
    if (QListWidgetItem* item = list->currentItem(); item && item->isSelected())
        delete list->takeItem(list->row(item));
}

void CProviderPropertyPage3::OnSetDefault()
{
    auto* list = Item<QListWidget>(ids::IDC_PROV_NUMBERS);
    QListWidgetItem* item = list->currentItem();
    if (!item || !item->isSelected())
        return;
    // Only the default line changes; other fields keep what is being typed.
    m_strDefaultNumber = item->text();
    Item<QLabel>(ids::IDC_PROV_DEFAULT_NUMBER)->setText(m_strDefaultNumber);
}

bool CProviderPropertyPage3::OnApply()
{
    if (!UpdateData(true))
        return false;
    CRasApi* ras = Sheet()->m_pRas;
    const QString& entry = Sheet()->m_strEntry;

    m_numbers.m_strEntry = entry;
    m_numbers.m_numbers.clear();
    auto* list = Item<QListWidget>(ids::IDC_PROV_NUMBERS);
    for (int i = 0; i < list->count(); ++i)
        m_numbers.m_numbers.append(list->item(i)->text());
    m_numbers.m_bChainDial = m_bChainDial;
    m_numbers.m_nDelay = m_nDelay;
    m_numbers.m_nTries = m_nTries;
    m_numbers.Save();

    if (!m_strDefaultNumber.isEmpty()) {
        ras::RasEntry props;
        QByteArray deviceInfo;
        if (ras->GetEntryProperties(entry, &props, &deviceInfo)) {
            props.strLocalPhoneNumber = m_strDefaultNumber.left(ras::RAS_MaxPhoneNumber);
            ras->SetEntryProperties(entry, &props, &deviceInfo);
        }
    }
    return true;
}

// --- the sheet ----------------------------------------------------------------

CProviderPropertySheet::CProviderPropertySheet(CRasApi* pRas, QWidget* pParent)
    : fw::CPropertySheet(res::LoadString(ids::IDS_CONFIGURE_PROVIDER), pParent), m_pRas(pRas)
{
    AddPage(&m_page1);
    AddPage(&m_page3);
}
