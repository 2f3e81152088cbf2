// The connection in the main window: Connect menu, progress texts, times written when a connection
// ends, a line dialled by another process, the Customize sheet. Calls go through the simulated modem.

#include "RasTestUtil.h"
#include "app/DialtopApp.h"
#include "dialup/CustomizePropertySheet.h"
#include "dialup/RasApi.h"
#include "frame/MainFrame.h"
#include "framework/MessageBox.h"
#include "platform/shell/Autostart.h"
#include "res/ResourceIds.h"
#include "settings/Settings.h"
#include "theme/DialtopDoc.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMenu>

class tst_Connection : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<CDialtopApp> m_app;
    QStringList m_asked; // each message box: its text, whether the times were on disk, whether still connected

    CMainFrame* frame() const { return static_cast<CMainFrame*>(m_app->GetDocTemplate()->GetFrame()); }
    CRasApi& ras() const { return CRasApi::Instance(); }

    void start(const QStringList& providers)
    {
        for (const QString& name : providers) // with a saved password: no prompt
            rastest::AddEntry(name), ras::SetEntryDialParams(rastest::Params(name, "u", "p"), false);
        m_app = std::make_unique<CDialtopApp>();
        m_app->SetRegistryKey("Corvane");
        m_app->AddDocTemplate(std::make_unique<fw::CDocTemplate>(
            ids::IDR_MAINFRAME, [] { return std::make_unique<CDialtopDoc>(); },
            [](fw::CDocument* d) -> fw::CFrameWnd* { return new CMainFrame(static_cast<CDialtopDoc*>(d)); }));
        QVERIFY(m_app->OpenDocumentFile(QString()));
        frame()->killTimer(std::exchange(frame()->m_nTimer, 0)); // ticks are driven by hand
    }
    void connectFirst() { frame()->ConnectToEntry(0); QTRY_VERIFY_WITH_TIMEOUT(ras().IsConnected(), 10000); }
    void tick(int n) { while (n--) frame()->OnTimer(1); }
    QString tms() const { QString home; return GetHomeFolder(home), QString(TestEnv::readAll(home + "/Alpha.tms")); }
    static QString stored(const QString& subkey, QStringList names)
    {
        for (std::uint32_t v = 0; QString& name : names)
            name = ReadSettingValue(subkey, name, &v, 4) ? QString::number(v) : QString("-");
        return names.join(' ');
    }
    // Check boxes as "1"/"0"; the last one is then toggled, as the user would.
    static QString boxes(fw::CPropertyPage* page, const QList<int>& ids)
    {
        QString out = " ";
        for (int id : ids)
            out += page->Item<QCheckBox>(id)->isChecked() ? '1' : '0';
        page->Item<QCheckBox>(ids.last())->toggle();
        return out;
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        rastest::Reset(*m_env);
        m_asked.clear();
        fw::SetMessageHandler([this](const fw::MessageRequest& r) {
            m_asked << r.text.left(20) + QString(" %1 %2").arg(tms().contains("1997-064=2")).arg(ras().IsConnected());
            return r.text.startsWith("Your") ? fw::IDYES : fw::IDNO;
        });
        fw::CDialog::SetModalHandler([](fw::CDialog*) { return fw::IDCANCEL; });
        CConnectTimes::SetClock([] { // 5 March 1997, noon
            std::tm t{.tm_hour = 12, .tm_mday = 5, .tm_mon = 2, .tm_year = 97, .tm_isdst = -1};
            return std::mktime(&t);
        });
    }
    void cleanup()
    {
        ras().HangUp();
        m_app.reset();
        fw::SetMessageHandler({}), fw::CDialog::SetModalHandler({}), CConnectTimes::SetClock({});
        m_env.reset();
    }

    // File > Connect ("-" disabled, "+" enabled; names in a popup), then the
    // toolbar's Connect and Hangup.
    void connectMenu_data()
    {
        QTest::addColumn<int>("providers");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("menu");
        const QString popup = "+Connect[%1Alpha 2000,%1Bravo 2001,%1Charlie 2002] | ";
        QTest::newRow("one") << 1 << false << "+Connect | +Connect -Hangup";
        QTest::newRow("three") << 3 << false << popup.arg("+") + "+Connect -Hangup";
        QTest::newRow("three, connected") << 3 << true << popup.arg("-") + "-Connect +Hangup";
    }
    void connectMenu()
    {
        QFETCH(int, providers);
        QFETCH(bool, connected);
        start(QStringList{"Alpha", "Bravo", "Charlie"}.mid(0, providers));
        auto* item = frame()->findChild<QAction*>(QString("menu_%1").arg(ids::ID_CONNECT));
        emit qobject_cast<QMenu*>(item->parent())->aboutToShow();
        if (connected)
            connectFirst();
        emit qobject_cast<QMenu*>(item->parent())->aboutToShow();
        auto state = [](QAction* a) { return QString(a->isEnabled() ? "+" : "-") + a->text().remove('&'); };
        QStringList names;
        if (QMenu* popup = item->menu()) {
            emit popup->aboutToShow();
            for (QAction* a : popup->actions())
                names << state(a) + " " + a->data().toString();
        }
        frame()->UpdateAllActions(); // the toolbar button dials the default
        QTEST(state(item) + (names.isEmpty() ? "" : "[" + names.join(",") + "]") + " | "
                  + state(frame()->FindAction(ids::ID_CONNECT)) + " " + state(frame()->FindAction(ids::ID_HANGUP)),
              "menu");
    }

    // Status pane 1 after "Authenticated." and then the given state: a text
    // naming the entry, a state without a text of its own, connected.
    void dialTexts_data()
    {
        QTest::addColumn<unsigned>("state");
        QTest::addColumn<QString>("text");
        for (auto [state, text] : {std::pair(3u, "Dialing Alpha..."), {24u, ""}, {0x2000u, "Connected to Alpha. "}})
            QTest::addRow("%x", state) << state << QString(text);
    }
    void dialTexts()
    {
        QFETCH(unsigned, state);
        start({"Alpha"});
        connectFirst();
        frame()->OnRasDialEvent(14, 0);
        frame()->OnRasDialEvent(state, 0);
        QTEST(frame()->ConnectionPane()->text(), "text");
    }

    // Two seconds on line, then an ending: the times are on disk before any question
    // ("text on-disk connected") and before a redial, which starts a session at 0.
    void endings_data()
    {
        for (const char* c : {"ending", "outcome"})
            QTest::addColumn<QString>(c);
        QTest::newRow("hangup") << "hangup" << "Not Connected.";
        QTest::newRow("close, theme modified") << "close" << "Save changes to Unti 1 0";
        QTest::newRow("drop, redial on") << "redial 0" << "redial";
        QTest::newRow("drop, redial off") << "ask 0" << "Your connection to A 0 1 redial";
        QTest::newRow("drop, not in the phonebook") << "ask -1" << "";
    }
    void endings()
    {
        QFETCH(QString, ending);
        const std::uint32_t value = !ending.startsWith("ask"); // RedialOnDrop
        WriteSettingValue("Connection", "RedialOnDrop", reg::REG_BINARY, &value, 4);
        start({"Alpha"});
        connectFirst();
        tick(2);
        if (ending == "hangup") {
            QVERIFY(frame()->OnCommand(ids::ID_HANGUP));
            m_asked << frame()->ConnectionPane()->text();
        } else if (ending == "close") {
            m_app->GetDocTemplate()->GetDocument()->SetModifiedFlag(true);
            QVERIFY(frame()->close());
        } else {
            frame()->OnRasDropLine(WPARAM(qintptr(ending.section(' ', 1).toInt())), 0);
        }
        QVERIFY(tms().contains("[Alpha]\nFirstConnect=0\nLastConnect=0\n1997=2\n1997-03=2\n1997-09=2\n1997-064=2"));
        if (ras().m_hRasConn) {
            m_asked << "redial";
            QTRY_VERIFY_WITH_TIMEOUT(ras().IsConnected(), 10000);
            QCOMPARE(frame()->ConnectTimes().m_providerTimes.session, 0);
        }
        QTEST(m_asked.join(' '), "outcome");
    }

    // A line that dialtop-dial holds is taken over on the next idle tick.
    void adoptsAnotherProcessLine()
    {
        start({"Charlie"});
        rastest::WriteServiceIni(0.001);
        QProcess holder;
        holder.start(rastest::DialExe(), {"dial", "Charlie"});
        QByteArray out;
        QVERIFY(rastest::WaitForOutput(holder, "Connected to", out));
        tick(3);
        QCOMPARE(frame()->TimerBar()->GetPaneText(0) + frame()->TimerBar()->GetPaneText(10), QString("Charlie00:00:02"));
        QVERIFY(frame()->OnCommand(ids::ID_HANGUP) && holder.waitForFinished(10000));
    }

    // A call dialled past the frame (an item that dials first) is counted too.
    void callDialledElsewhere()
    {
        start({"Alpha"});
        QVERIFY(ras().Connect("Alpha", false, nullptr, false));
        QTRY_VERIFY_WITH_TIMEOUT(ras().IsConnected(), 10000);
        tick(2);
        QCOMPARE(frame()->TimerBar()->GetPaneText(0) + frame()->TimerBar()->GetPaneText(10), QString("Alpha00:00:02"));
    }

    // Tabs "y": stored before are Week off, Alarm on, PlaySound off, AlarmTime
    // 250 and the autostart entry. Year, autostart and redial are toggled, OK
    // pressed after the tabs given (1 is Favorites): shown pages are written, the timer bar shows.
    void customize_data()
    {
        for (const char* c : {"tabs", "shown", "stored"})
            QTest::addColumn<QString>(c);
        QTest::newRow("fresh, OK at once") << "" << "Customize 11111" << "1 1 1 1 0 / - - - - - / ";
        QTest::newRow("fresh, every tab") << "123" << "Customize 11111 0 11 off" << "1 1 1 1 0 / 0 1 0 1 0 / on";
        QTest::newRow("stored, every tab") << "y23" << "Customize 11011 1 01 off" << "1 1 0 1 0 / 1 0 0 1 250 / ";
    }
    void customize()
    {
        QFETCH(QString, tabs);
        if (tabs.startsWith('y')) {
            tabs.remove(0, 1);
            for (auto [key, name, v] : {std::tuple("Connection", "Alarm", 1u), {"Connection", "PlaySound", 0u},
                                        {"Connection", "AlarmTime", 250u}, {"ConnectTimes", "Week", 0u}})
                WriteSettingValue(key, name, reg::REG_BINARY, &v, 4);
            QVERIFY(shell::SetAutostart(true, qApp->applicationFilePath()));
        }
        start({});
        frame()->TimerBar()->hide();
        QString shown;
        fw::CDialog::SetModalHandler([&](fw::CDialog* d) {
            auto* sheet = static_cast<CCustomizePropertySheet*>(d);
            shown = sheet->windowTitle() + boxes(&sheet->m_page4, {ids::IDC_SHOW_SESSION, ids::IDC_SHOW_TODAY,
                                                   ids::IDC_SHOW_WEEK, ids::IDC_SHOW_MONTH, ids::IDC_SHOW_YEAR});
            for (QChar tab : tabs) {
                sheet->SetActivePage(tab.digitValue());
                if (tab != '1')
                    shown += tab == '2' ? boxes(&sheet->m_page1, {ids::IDC_RUN_ON_STARTUP})
                                        : boxes(&sheet->m_page3, {ids::IDC_PLAY_SOUND, ids::IDC_REDIAL_ON_DROP});
            }
            return sheet->PressButton(fw::CPropertySheet::PSBTN_OK), d->Result();
        });
        QVERIFY(frame()->OnCommand(ids::ID_CUSTOMIZE) && !frame()->TimerBar()->isHidden());
        // An applied Favorites page writes its file even when nothing changed.
        QCOMPARE(QFile::exists(CMainFrame::FavoritesFileName()), tabs.contains('1'));
        QTEST(shown + (frame()->m_bRedialOnDrop ? "" : " off"), "shown"); // redial read back after OK
        const QString entry = TestEnv::readAll(shell::AutostartEntryPath());
        QTEST(stored("ConnectTimes", {"Session", "Today", "Week", "Month", "Year"}) + " / "
                  + stored("Connection", {"Alarm", "PlaySound", "RedialOnDrop", "ShowDialog", "AlarmTime"}) + " / "
                  + (entry.contains("Exec=" + shell::AutostartExecValue(qApp->applicationFilePath())) ? "on" : ""),
              "stored");
    }
};

QTEST_MAIN(tst_Connection)
#include "tst_connection.moc"
