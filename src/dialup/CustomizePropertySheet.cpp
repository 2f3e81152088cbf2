#include "CustomizePropertySheet.h"

#include "framework/FrameWnd.h"
#include "framework/MessageBox.h"
#include "framework/WinApp.h"
#include "framework/Document.h"
#include "platform/registry/Registry.h"
#include "platform/shell/Autostart.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "settings/Settings.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>

namespace {

const QString kConnectTimes = QStringLiteral("ConnectTimes");
const QString kConnection = QStringLiteral("Connection");

// Values are four bytes, least significant first, whatever the host.
bool readValue(const QString& subkey, const char* name, std::uint32_t& value)
{
    unsigned char bytes[4];
    if (!ReadSettingValue(subkey, QString::fromLatin1(name), bytes, sizeof bytes))
        return false;
    value = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16
            | std::uint32_t(bytes[3]) << 24;
    return true;
}

void readFlag(const QString& subkey, const char* name, bool& flag)
{
    std::uint32_t value = 0;
    if (readValue(subkey, name, value))
        flag = value != 0;
}

void writeValue(const QString& subkey, const char* name, std::uint32_t type, std::uint32_t value)
{
    const unsigned char bytes[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                    static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    WriteSettingValue(subkey, QString::fromLatin1(name), type, bytes, sizeof bytes);
}

void writeFlag(const QString& subkey, const char* name, bool flag)
{
    writeValue(subkey, name, reg::REG_BINARY, flag ? 1 : 0);
}

void exchangeCheck(fw::CDialog* dlg, int id, bool& value, bool save)
{
    auto* box = dlg->Item<QCheckBox>(id);
    if (!box)
        return;
    if (save)
        value = box->isChecked();
    else
        box->setChecked(value);
}

} // namespace

CCustomizePropertyPage4::CCustomizePropertyPage4() : fw::CPropertyPage(res::IDD_CUSTOMIZE_TIMES) {}

bool CCustomizePropertyPage4::OnInitDialog()
{
    readFlag(kConnectTimes, "Session", m_bSession);
    readFlag(kConnectTimes, "Month", m_bMonth);
    readFlag(kConnectTimes, "Today", m_bToday);
    readFlag(kConnectTimes, "Week", m_bWeek);
    readFlag(kConnectTimes, "Year", m_bYear);
    return fw::CPropertyPage::OnInitDialog();
}

void CCustomizePropertyPage4::DoDataExchange(bool save)
{
    exchangeCheck(this, ids::IDC_SHOW_SESSION, m_bSession, save);
    exchangeCheck(this, ids::IDC_SHOW_TODAY, m_bToday, save);
    exchangeCheck(this, ids::IDC_SHOW_WEEK, m_bWeek, save);
    exchangeCheck(this, ids::IDC_SHOW_MONTH, m_bMonth, save);
    exchangeCheck(this, ids::IDC_SHOW_YEAR, m_bYear, save);
}

bool CCustomizePropertyPage4::OnApply()
{
    UpdateData(true);
    writeFlag(kConnectTimes, "Session", m_bSession);
    writeFlag(kConnectTimes, "Month", m_bMonth);
    writeFlag(kConnectTimes, "Today", m_bToday);
    writeFlag(kConnectTimes, "Week", m_bWeek);
    writeFlag(kConnectTimes, "Year", m_bYear);
    // A timer bar the user hid comes back, so the choice just made is seen.
    fw::CWinApp* app = fw::AfxGetApp();
    fw::CFrameWnd* frame = app && app->GetDocTemplate() ? app->GetDocTemplate()->GetFrame() : nullptr;
    if (QWidget* bar = frame ? frame->GetControlBar(ids::IDW_TIMERBAR) : nullptr)
        bar->show();
    return fw::CPropertyPage::OnApply();
}

CCustomizePropertyPage1::CCustomizePropertyPage1() : fw::CPropertyPage(res::IDD_CUSTOMIZE_GENERAL) {}

bool CCustomizePropertyPage1::OnInitDialog()
{
    m_bRunOnStartup = shell::IsAutostartEnabled();
    return fw::CPropertyPage::OnInitDialog();
}

void CCustomizePropertyPage1::DoDataExchange(bool save)
{
    exchangeCheck(this, ids::IDC_RUN_ON_STARTUP, m_bRunOnStartup, save);
}

bool CCustomizePropertyPage1::OnApply()
{
    UpdateData(true);
    // Failures are silent, as for every stored preference.
    shell::SetAutostart(m_bRunOnStartup, QCoreApplication::applicationFilePath());
    return fw::CPropertyPage::OnApply();
}

CCustomizePropertyPage3::CCustomizePropertyPage3() : fw::CPropertyPage(res::IDD_CUSTOMIZE_CONNECTION) {}

bool CCustomizePropertyPage3::OnInitDialog()
{
    readFlag(kConnection, "Alarm", m_bAlarm);
    readFlag(kConnection, "PlaySound", m_bPlaySound);
    readFlag(kConnection, "RedialOnDrop", m_bRedialOnDrop);
    readFlag(kConnection, "ShowDialog", m_bShowDialog);
    // Its control is hidden: a stored value out of range would make OK fail
    // with nothing the user could correct, so it counts as unreadable.
    std::uint32_t alarmTime = 0;
    if (readValue(kConnection, "AlarmTime", alarmTime) && alarmTime <= std::uint32_t(kMaxAlarmTime))
        m_nAlarmTime = int(alarmTime);
    return fw::CPropertyPage::OnInitDialog();
}

bool CCustomizePropertyPage3::UpdateData(bool save)
{
    exchangeCheck(this, ids::IDC_ALARM, m_bAlarm, save);
    exchangeCheck(this, ids::IDC_PLAY_SOUND, m_bPlaySound, save);
    exchangeCheck(this, ids::IDC_REDIAL_ON_DROP, m_bRedialOnDrop, save);
    exchangeCheck(this, ids::IDC_SHOW_DIALOG, m_bShowDialog, save);
    auto* edit = Item<QLineEdit>(ids::IDC_ALARM_TIME);
    if (!edit)
        return true;
    if (!save) {
        edit->setText(QString::number(m_nAlarmTime));
        return true;
    }
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    if (!ok || value < 0 || value > kMaxAlarmTime) {
        fw::MessageBox(res::FormatString(ids::AFX_IDP_PARSE_INT_RANGE, {0, kMaxAlarmTime}),
                       fw::MB_OK | fw::MB_ICONEXCLAMATION, this);
        return false;
    }
    m_nAlarmTime = value;
    return true;
}

bool CCustomizePropertyPage3::OnApply()
{
    if (!UpdateData(true))
        return false;
    writeFlag(kConnection, "Alarm", m_bAlarm);
    writeFlag(kConnection, "PlaySound", m_bPlaySound);
    writeFlag(kConnection, "RedialOnDrop", m_bRedialOnDrop);
    writeFlag(kConnection, "ShowDialog", m_bShowDialog);
    writeValue(kConnection, "AlarmTime", reg::REG_DWORD, std::uint32_t(m_nAlarmTime));
    return fw::CPropertyPage::OnApply();
}

CCustomizePropertySheet::CCustomizePropertySheet() : fw::CPropertySheet(res::LoadString(ids::IDS_CUSTOMIZE))
{
    AddPage(&m_page4);
    AddPage(&m_page1);
    AddPage(&m_page3);
}
