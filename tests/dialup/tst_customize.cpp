// The Customize sheet: what each page shows on a fresh system and after
// stored values, what OK writes (only for pages that were shown), and the
// autostart entry of the General page.

#include "TestEnv.h"
#include "dialup/CustomizePropertySheet.h"
#include "platform/registry/Registry.h"
#include "platform/shell/Autostart.h"
#include "res/ResourceIds.h"
#include "settings/Settings.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QTabWidget>
#include <QtTest>

namespace {

// "Name=value" of every 4-byte value of a settings subkey, in the given order.
QString stored(const QString& subkey, const QStringList& names)
{
    QStringList out;
    for (const QString& name : names) {
        std::uint32_t v = 0xFFFF;
        out << name + "=" + (ReadSettingValue(subkey, name, &v, 4) ? QString::number(v) : QString("-"));
    }
    return out.join(' ');
}

// The check boxes of a page as "1"/"0", in the given order.
QString boxes(fw::CPropertyPage* page, const QList<int>& ids)
{
    QString out;
    for (int id : ids)
        out += page->Item<QCheckBox>(id)->isChecked() ? '1' : '0';
    return out;
}

const QStringList kTimes{"Session", "Today", "Week", "Month", "Year"};
const QList<int> kTimeBoxes{ids::IDC_SHOW_SESSION, ids::IDC_SHOW_TODAY, ids::IDC_SHOW_WEEK, ids::IDC_SHOW_MONTH,
                            ids::IDC_SHOW_YEAR};
const QStringList kConnection{"Alarm", "PlaySound", "RedialOnDrop", "ShowDialog", "AlarmTime"};

} // namespace

class tst_Customize : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestEnv> m_env;

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        reg::ResetStore();
    }
    void cleanup()
    {
        m_env.reset();
        reg::ResetStore();
    }

    // OK at once writes only the first tab; tabs and caption in order.
    void freshSystem()
    {
        CCustomizePropertySheet sheet;
        sheet.Create();
        QCOMPARE(sheet.windowTitle(), QString("Customize"));
        QCOMPARE(boxes(&sheet.m_page4, kTimeBoxes), QString("11111"));
        sheet.PressButton(fw::CPropertySheet::PSBTN_OK);
        QCOMPARE(stored("ConnectTimes", kTimes), QString("Session=1 Today=1 Week=1 Month=1 Year=1"));
        QCOMPARE(stored("Connection", kConnection), QString("Alarm=- PlaySound=- RedialOnDrop=- ShowDialog=- AlarmTime=-"));
        QVERIFY(!QFile::exists(shell::AutostartEntryPath()));
    }

    // Stored values come back; hidden ones pass through; cleared boxes land.
    void connectionAndTimes()
    {
        for (const auto& [name, v] : {std::pair("Alarm", 1u), std::pair("PlaySound", 0u), std::pair("AlarmTime", 250u)})
            WriteSettingValue("Connection", name, reg::REG_BINARY, &v, 4);
        const std::uint32_t off = 0;
        WriteSettingValue("ConnectTimes", "Week", reg::REG_BINARY, &off, 4);
        CCustomizePropertySheet sheet;
        sheet.Create();
        QCOMPARE(boxes(&sheet.m_page4, kTimeBoxes), QString("11011"));
        sheet.m_page4.Item<QCheckBox>(ids::IDC_SHOW_YEAR)->setChecked(false);
        sheet.SetActivePage(2);
        QCOMPARE(sheet.GetPage(2)->GetTitle(), QString("Connection"));
        QCOMPARE(boxes(&sheet.m_page3, {ids::IDC_REDIAL_ON_DROP, ids::IDC_PLAY_SOUND}), QString("10"));
        QVERIFY(sheet.m_page3.GetDlgItem(ids::IDC_ALARM)->isHidden());
        sheet.m_page3.Item<QCheckBox>(ids::IDC_REDIAL_ON_DROP)->setChecked(false);
        sheet.PressButton(fw::CPropertySheet::PSBTN_OK);
        QCOMPARE(stored("ConnectTimes", kTimes), QString("Session=1 Today=1 Week=0 Month=1 Year=0"));
        QCOMPARE(stored("Connection", kConnection),
                 QString("Alarm=1 PlaySound=0 RedialOnDrop=0 ShowDialog=1 AlarmTime=250"));
    }

    // "Run Dialtop on Start up": the autostart entry with the quoted program.
    void runOnStartup()
    {
        for (bool on : {true, false}) {
            CCustomizePropertySheet sheet;
            sheet.Create();
            sheet.SetActivePage(1);
            auto* box = sheet.m_page1.Item<QCheckBox>(ids::IDC_RUN_ON_STARTUP);
            QCOMPARE(box->isChecked(), !on);
            QVERIFY(sheet.m_page1.GetDlgItem(ids::IDC_DIAL_ON_STARTUP)->isHidden());
            box->setChecked(on);
            sheet.PressButton(fw::CPropertySheet::PSBTN_OK);
            const QByteArray entry = TestEnv::readAll(shell::AutostartEntryPath());
            QCOMPARE(entry.contains("Exec=" + shell::AutostartExecValue(QCoreApplication::applicationFilePath()).toUtf8()),
                     on);
            QCOMPARE(shell::IsAutostartEnabled(), on);
        }
    }

    // The favourites page takes the second tab.
    void insertedPageIsSecond()
    {
        CCustomizePropertySheet sheet;
        fw::CPropertyPage extra(res::IDD_CUSTOMIZE_GENERAL);
        sheet.InsertFavoritesPage(&extra);
        QCOMPARE(sheet.GetPage(1), &extra);
        QCOMPARE(sheet.GetPage(2), &sheet.m_page1);
    }
};

QTEST_MAIN(tst_Customize)
#include "tst_customize.moc"
