// The Customize sheet: what its pages show on a fresh system and after stored
// values, what OK writes (only for pages that were shown), the autostart entry.

#include "TestEnv.h"
#include "dialup/CustomizePropertySheet.h"
#include "platform/registry/Registry.h"
#include "platform/shell/Autostart.h"
#include "res/ResourceIds.h"
#include "settings/Settings.h"

#include <QCheckBox>
#include <QtTest>

namespace {

QString stored(const QString& subkey, const QStringList& names)
{
    QStringList out;
    for (const QString& name : names) {
        std::uint32_t v = 0;
        out << (ReadSettingValue(subkey, name, &v, 4) ? QString::number(v) : QString("-"));
    }
    return out.join(' ');
}

QString boxes(fw::CPropertyPage* page, const QList<int>& ids)
{
    QString out;
    for (int id : ids)
        out += page->Item<QCheckBox>(id)->isChecked() ? '1' : '0';
    return out;
}

const QStringList kTimes{"Session", "Today", "Week", "Month", "Year"};
const QStringList kConnection{"Alarm", "PlaySound", "RedialOnDrop", "ShowDialog", "AlarmTime"};

} // namespace

class tst_Customize : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestEnv> m_env;

private slots:
    void init() { m_env = std::make_unique<TestEnv>(), reg::ResetStore(); }
    void cleanup() { m_env.reset(), reg::ResetStore(); }

    // Stored Week off, Alarm on, PlaySound off, AlarmTime 250 ("" for none);
    // Year and redial unchecked, then OK after the tabs given.
    void pages_data()
    {
        QTest::addColumn<bool>("storedBefore");
        QTest::addColumn<QList<int>>("tabs");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("times");
        QTest::addColumn<QString>("connection");
        QTest::newRow("fresh, OK at once") << false << QList<int>{} << "11111" << "1 1 1 1 0" << "- - - - -";
        QTest::newRow("fresh, Connection shown") << false << QList<int>{2} << "11111 11" << "1 1 1 1 0" << "0 1 0 1 0";
        QTest::newRow("stored, Connection shown") << true << QList<int>{2} << "11011 10" << "1 1 0 1 0" << "1 0 0 1 250";
    }
    void pages()
    {
        QFETCH(bool, storedBefore);
        QFETCH(QList<int>, tabs);
        if (storedBefore)
            for (auto [key, name, v] : {std::tuple("Connection", "Alarm", 1u), std::tuple("Connection", "PlaySound", 0u),
                                        std::tuple("Connection", "AlarmTime", 250u), std::tuple("ConnectTimes", "Week", 0u)})
                WriteSettingValue(key, name, reg::REG_BINARY, &v, 4);
        CCustomizePropertySheet sheet;
        sheet.Create();
        QCOMPARE(sheet.windowTitle(), QString("Customize"));
        QString shown = boxes(&sheet.m_page4, {ids::IDC_SHOW_SESSION, ids::IDC_SHOW_TODAY, ids::IDC_SHOW_WEEK,
                                               ids::IDC_SHOW_MONTH, ids::IDC_SHOW_YEAR});
        sheet.m_page4.Item<QCheckBox>(ids::IDC_SHOW_YEAR)->setChecked(false);
        for (int tab : tabs)
            sheet.SetActivePage(tab);
        if (sheet.m_page3.IsInitialized()) {
            shown += " " + boxes(&sheet.m_page3, {ids::IDC_REDIAL_ON_DROP, ids::IDC_PLAY_SOUND});
            QVERIFY(sheet.m_page3.GetDlgItem(ids::IDC_ALARM)->isHidden());
            sheet.m_page3.Item<QCheckBox>(ids::IDC_REDIAL_ON_DROP)->setChecked(false);
        }
        sheet.PressButton(fw::CPropertySheet::PSBTN_OK);
        QTEST(shown, "shown");
        QTEST(stored("ConnectTimes", kTimes), "times");
        QTEST(stored("Connection", kConnection), "connection");
        QVERIFY(!QFile::exists(shell::AutostartEntryPath()));
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
            box->setChecked(on);
            sheet.PressButton(fw::CPropertySheet::PSBTN_OK);
            const QString exec = "Exec=" + shell::AutostartExecValue(QCoreApplication::applicationFilePath());
            QCOMPARE(TestEnv::readAll(shell::AutostartEntryPath()).contains(exec.toUtf8()), on);
        }
    }

    // The favourites page takes the second tab.
    void insertedPageIsSecond()
    {
        CCustomizePropertySheet sheet;
        fw::CPropertyPage extra(res::IDD_CUSTOMIZE_GENERAL);
        sheet.InsertFavoritesPage(&extra);
        QCOMPARE(QList<void*>({sheet.GetPage(1), sheet.GetPage(2)}), QList<void*>({&extra, &sheet.m_page1}));
    }
};

QTEST_MAIN(tst_Customize)
#include "tst_customize.moc"
