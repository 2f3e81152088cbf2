// The connection in the main window: the Connect menu, progress texts, the
// on-line times written at hang-up, drops, lines dialled by another process,
// and closing while connected. Calls go through the simulated modem.

#include "RasTestUtil.h"
#include "TestThemes.h"
#include "app/DialtopApp.h"
#include "dialup/RasApi.h"
#include "framework/PropertySheet.h"
#include "frame/MainFrame.h"
#include "res/ResourceIds.h"
#include "settings/Settings.h"
#include "theme/DialtopDoc.h"

#include <QLabel>
#include <QMenu>
#include <QProcess>

using namespace ras;

class tst_Connection : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<CDialtopApp> m_app;
    std::unique_ptr<UiStubs> m_ui;

    CMainFrame* frame() const { return static_cast<CMainFrame*>(m_app->GetDocTemplate()->GetFrame()); }
    CRasApi& ras() const { return CRasApi::Instance(); }
    QString pane() const { return frame()->ConnectionPane()->text(); }

    void start(const QStringList& providers)
    {
        for (const QString& name : providers) {
            rastest::AddEntry(name);
            QCOMPARE(ras::SetEntryDialParams(rastest::Params(name, "u", "p"), false), ERROR_SUCCESS);
        }
        m_app = std::make_unique<CDialtopApp>();
        m_app->SetRegistryKey("Corvane");
        m_app->AddDocTemplate(std::make_unique<fw::CDocTemplate>(
            ids::IDR_MAINFRAME, [] { return std::make_unique<CDialtopDoc>(); },
            [](fw::CDocument* d) -> fw::CFrameWnd* { return new CMainFrame(static_cast<CDialtopDoc*>(d)); }));
        QVERIFY(m_app->OpenDocumentFile(QString()));
        frame()->killTimer(std::exchange(frame()->m_nTimer, 0)); // ticks are driven by hand
    }

    // Dials through File > Connect and waits for the line.
    void connectFirst()
    {
        frame()->ConnectToEntry(0);
        QTRY_VERIFY_WITH_TIMEOUT(ras().IsConnected(), 10000);
    }

    void tick(int n)
    {
        while (n--)
            frame()->OnTimer(1);
    }

    QString tms(const QString& name) const
    {
        QString home;
        GetHomeFolder(home);
        return QString::fromUtf8(TestEnv::readAll(home + "/" + name + ".tms"));
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        rastest::Reset(*m_env);
        m_ui = std::make_unique<UiStubs>();
        fw::CDialog::SetModalHandler([](fw::CDialog*) { return fw::IDCANCEL; });
        // 5 March 1997, noon.
        CConnectTimes::SetClock([] {
            std::tm t{};
            std::tie(t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_isdst) = std::tuple(97, 2, 5, 12, -1);
            return std::mktime(&t);
        });
    }
    void cleanup()
    {
        ras().HangUp();
        m_app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_ui.reset();
        fw::CDialog::SetModalHandler({});
        CConnectTimes::SetClock({});
        m_env.reset();
    }

    // File > Connect: "-" disabled, "+" enabled; names are a popup.
    void connectMenu_data()
    {
        QTest::addColumn<QStringList>("providers");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("menu");
        QTest::newRow("none") << QStringList() << false << "-Connect";
        QTest::newRow("one") << QStringList{"Alpha"} << false << "+Connect";
        QTest::newRow("three") << QStringList{"Alpha", "Bravo", "Charlie"} << false
                               << "+Connect[+Alpha 2000,+Bravo 2001,+Charlie 2002]";
        QTest::newRow("one, connected") << QStringList{"Alpha"} << true << "-Connect";
        QTest::newRow("three, connected") << QStringList{"Alpha", "Bravo", "Charlie"} << true
                                          << "+Connect[-Alpha 2000,-Bravo 2001,-Charlie 2002]";
    }
    void connectMenu()
    {
        QFETCH(QStringList, providers);
        QFETCH(bool, connected);
        start(providers);
        auto* item = frame()->findChild<QAction*>(QString("menu_%1").arg(ids::ID_CONNECT));
        emit qobject_cast<QMenu*>(item->parent())->aboutToShow();
        if (connected)
            connectFirst();
        emit qobject_cast<QMenu*>(item->parent())->aboutToShow();
        auto state = [](QAction* a) { return QString(a->isEnabled() ? "+" : "-") + a->text().remove('&'); };
        QString shown = state(item);
        if (QMenu* popup = item->menu()) {
            emit popup->aboutToShow();
            QStringList names;
            for (QAction* a : popup->actions())
                names << state(a) + " " + a->data().toString();
            shown += "[" + names.join(",") + "]";
        }
        QFETCH(QString, menu);
        QCOMPARE(shown, menu);
        frame()->UpdateAllActions(); // the toolbar button: dials the default unless connected
        QCOMPARE(frame()->FindAction(ids::ID_CONNECT)->isEnabled(), !connected && !providers.isEmpty());
        QCOMPARE(frame()->FindAction(ids::ID_HANGUP)->isEnabled(), connected);
    }

    // Each progress state's text in status pane 1 while connected to Alpha.
    void dialTexts_data()
    {
        QTest::addColumn<unsigned>("state");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0u << "Initializing...";
        QTest::newRow("1") << 1u << "Accessing the modem...";
        QTest::newRow("3") << 3u << "Dialing Alpha...";
        QTest::newRow("12") << 12u << "Verifying user name and password...";
        QTest::newRow("14") << 14u << "Authenticated.";
        QTest::newRow("20 keeps") << 20u << "Authenticated.";
        QTest::newRow("23") << 23u << "Verifying user name and password...";
        QTest::newRow("0x1002") << 0x1002u << "Verifying user name and password...";
        QTest::newRow("0x1003") << 0x1003u << "Your password has expired.";
        QTest::newRow("24 unknown") << 24u << "";
        QTest::newRow("connected") << 0x2000u << "Connected to Alpha. ";
    }
    void dialTexts()
    {
        QFETCH(unsigned, state);
        QFETCH(QString, text);
        start({"Alpha"});
        connectFirst();
        frame()->OnRasDialEvent(14, 0);
        frame()->OnRasDialEvent(state, 0);
        QCOMPARE(pane(), text);
    }

    // Hangup writes the totals of both sections; the next start reads them.
    void hangupWritesTimes()
    {
        start({"Alpha"});
        connectFirst();
        tick(3);
        QCOMPARE(frame()->TimerBar()->GetPaneText(0), QString("Alpha"));
        QVERIFY(frame()->OnCommand(ids::ID_HANGUP));
        QVERIFY(!ras().IsConnected());
        QCOMPARE(pane(), QString("Not Connected."));
        const QString user = ConnectTimesUserName();
        QCOMPARE(tms("Alpha"), QString("[Dialtop]\nVersion=1\n\n[Alpha]\nFirstConnect=0\nLastConnect=0\n1997=3\n"
                                       "1997-03=3\n1997-09=3\n1997-064=3\n\n[%1]\n1997=3\n1997-03=3\n1997-09=3\n"
                                       "1997-064=3\nFirstConnect=0\nLastConnect=0\n")
                                   .arg(user));
    }

    // A dropped line: redialled after the times are written, or a question.
    void drop_data()
    {
        QTest::addColumn<bool>("redial");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("questions");
        QTest::addColumn<bool>("dialled");
        QTest::newRow("redial") << true << 0 << 0 << true;
        QTest::newRow("ask, yes") << false << 0 << 1 << true;
        QTest::newRow("not in the phonebook") << true << -1 << 0 << false;
    }
    void drop()
    {
        QFETCH(bool, redial);
        QFETCH(int, index);
        QFETCH(int, questions);
        QFETCH(bool, dialled);
        const std::uint32_t value = redial;
        WriteSettingValue("Connection", "RedialOnDrop", reg::REG_BINARY, &value, 4);
        start({"Alpha"});
        connectFirst();
        tick(2);
        m_ui->answers << fw::IDYES;
        frame()->OnRasDropLine(WPARAM(qintptr(index)), 0);
        QVERIFY(tms("Alpha").contains("1997-064=2"));
        QCOMPARE(m_ui->messages.size(), questions);
        if (questions)
            QCOMPARE(m_ui->messages[0].text,
                     QString("Your connection to Alpha has been disconnected!\nDo you wish to reconnect?"));
        QCOMPARE(ras().m_hRasConn != 0, dialled);
        if (dialled) {
            QTRY_VERIFY_WITH_TIMEOUT(ras().IsConnected(), 10000);
            QCOMPARE(frame()->ConnectTimes().m_providerTimes.session, 0);
        }
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
        tick(1);
        QCOMPARE(frame()->TimerBar()->GetPaneText(0), QString("Charlie"));
        tick(2);
        QCOMPARE(frame()->ConnectTimes().m_providerTimes.session, 2);
        QVERIFY(frame()->OnCommand(ids::ID_HANGUP));
        QVERIFY(holder.waitForFinished(10000));
    }

    // OK on Customize brings back a hidden timer bar.
    void customizeShowsTimerBar()
    {
        start({});
        frame()->TimerBar()->hide();
        fw::CDialog::SetModalHandler([](fw::CDialog* d) {
            static_cast<fw::CPropertySheet*>(d)->PressButton(fw::CPropertySheet::PSBTN_OK);
            return d->Result();
        });
        QVERIFY(frame()->OnCommand(ids::ID_CUSTOMIZE));
        QVERIFY(!frame()->TimerBar()->isHidden());
    }

    // Closing while connected: times written and line down before the
    // modified theme is asked about.
    void closeWhileConnected()
    {
        start({"Alpha"});
        connectFirst();
        tick(4);
        m_app->GetDocTemplate()->GetDocument()->SetModifiedFlag(true);
        QString seen;
        fw::SetMessageHandler([&](const fw::MessageRequest&) {
            seen = QString("%1 %2").arg(tms("Alpha").contains("1997-064=4")).arg(ras().IsConnected());
            return fw::IDNO;
        });
        QVERIFY(frame()->close());
        QCOMPARE(seen, QString("1 0"));
    }
};

QTEST_MAIN(tst_Connection)
#include "tst_connection.moc"
