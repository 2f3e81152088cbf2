// The connection in the main window: the Connect menu, progress texts, the
// times written when a connection ends or drops, a line dialled by another
// process, and the Customize command. Calls go through the simulated modem.

#include "RasTestUtil.h"
#include "TestThemes.h"
#include "app/DialtopApp.h"
#include "dialup/RasApi.h"
#include "frame/MainFrame.h"
#include "framework/PropertySheet.h"
#include "res/ResourceIds.h"
#include "settings/Settings.h"
#include "theme/DialtopDoc.h"

#include <QLabel>
#include <QMenu>
#include <QProcess>

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
        for (const QString& name : providers) {
            rastest::AddEntry(name);
            QCOMPARE(ras::SetEntryDialParams(rastest::Params(name, "u", "p"), false), ras::ERROR_SUCCESS);
        }
        m_app = std::make_unique<CDialtopApp>();
        m_app->SetRegistryKey("Corvane");
        m_app->AddDocTemplate(std::make_unique<fw::CDocTemplate>(
            ids::IDR_MAINFRAME, [] { return std::make_unique<CDialtopDoc>(); },
            [](fw::CDocument* d) -> fw::CFrameWnd* { return new CMainFrame(static_cast<CDialtopDoc*>(d)); }));
        QVERIFY(m_app->OpenDocumentFile(QString()));
        frame()->killTimer(std::exchange(frame()->m_nTimer, 0)); // ticks are driven by hand
    }
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
        m_asked.clear();
        fw::SetMessageHandler([this](const fw::MessageRequest& r) {
            m_asked << QString("%1 %2 %3").arg(r.text.left(20)).arg(tms("Alpha").contains("1997-064=2")).arg(ras().IsConnected());
            return r.text.startsWith("Your") ? fw::IDYES : fw::IDNO;
        });
        fw::CDialog::SetModalHandler([](fw::CDialog*) { return fw::IDCANCEL; });
        CConnectTimes::SetClock([] { // 5 March 1997, noon
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
        fw::SetMessageHandler({});
        fw::CDialog::SetModalHandler({});
        CConnectTimes::SetClock({});
        m_env.reset();
    }

    // File > Connect: "-" disabled, "+" enabled; names in a popup.
    void connectMenu_data()
    {
        QTest::addColumn<QStringList>("providers");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("menu");
        const QStringList three{"Alpha", "Bravo", "Charlie"};
        QTest::newRow("none") << QStringList() << false << "-Connect";
        QTest::newRow("one") << QStringList{"Alpha"} << false << "+Connect";
        QTest::newRow("three") << three << false << "+Connect[+Alpha 2000,+Bravo 2001,+Charlie 2002]";
        QTest::newRow("one, connected") << QStringList{"Alpha"} << true << "-Connect";
        QTest::newRow("three, connected") << three << true << "+Connect[-Alpha 2000,-Bravo 2001,-Charlie 2002]";
    }
    void connectMenu()
    {
        QFETCH(QStringList, providers);
        QFETCH(bool, connected);
        QFETCH(QString, menu);
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
        QCOMPARE(shown, menu);
        frame()->UpdateAllActions(); // the toolbar button dials the default
        QCOMPARE(frame()->FindAction(ids::ID_CONNECT)->isEnabled(), !connected && !providers.isEmpty());
        QCOMPARE(frame()->FindAction(ids::ID_HANGUP)->isEnabled(), connected);
    }

    // Status pane 1 after "Authenticated." and then the given state.
    void dialTexts_data()
    {
        QTest::addColumn<unsigned>("state");
        QTest::addColumn<QString>("text");
        const QString verifying = "Verifying user name and password...";
        for (auto [state, text] : {std::pair(0u, QString("Initializing...")), std::pair(1u, QString("Accessing the modem...")),
                                   std::pair(3u, QString("Dialing Alpha...")), std::pair(12u, verifying),
                                   std::pair(20u, QString("Authenticated.")), std::pair(23u, verifying),
                                   std::pair(0x1002u, verifying), std::pair(0x1003u, QString("Your password has expired.")),
                                   std::pair(24u, QString()), std::pair(0x2000u, QString("Connected to Alpha. "))})
            QTest::newRow(qPrintable(QString::number(state, 16))) << state << text;
    }
    void dialTexts()
    {
        QFETCH(unsigned, state);
        QFETCH(QString, text);
        start({"Alpha"});
        connectFirst();
        frame()->OnRasDialEvent(14, 0);
        frame()->OnRasDialEvent(state, 0);
        QCOMPARE(frame()->ConnectionPane()->text(), text);
    }

    // Two seconds on line, then an ending: the times are on disk before any
    // question and before a redial, which starts a session at 0.
    void endings_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<bool>("redialOnDrop");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<bool>("redialled");
        QTest::newRow("hangup") << "hangup" << true << QStringList() << false;
        QTest::newRow("close, theme modified") << "close" << true << QStringList{"Save changes to Unti 1 0"} << false;
        QTest::newRow("drop, redial") << "drop 0" << true << QStringList() << true;
        QTest::newRow("drop, ask") << "drop 0" << false << QStringList{"Your connection to A 0 1"} << true;
        QTest::newRow("drop, not in the phonebook") << "drop -1" << false << QStringList() << false;
    }
    void endings()
    {
        QFETCH(QString, ending);
        QFETCH(bool, redialOnDrop);
        QFETCH(QStringList, asked);
        QFETCH(bool, redialled);
        const std::uint32_t value = redialOnDrop;
        WriteSettingValue("Connection", "RedialOnDrop", reg::REG_BINARY, &value, 4);
        start({"Alpha"});
        connectFirst();
        tick(2);
        if (ending == "hangup") {
            QVERIFY(frame()->OnCommand(ids::ID_HANGUP));
            QCOMPARE(frame()->ConnectionPane()->text(), QString("Not Connected."));
        } else if (ending == "close") {
            m_app->GetDocTemplate()->GetDocument()->SetModifiedFlag(true);
            QVERIFY(frame()->close());
        } else {
            frame()->OnRasDropLine(WPARAM(qintptr(ending.mid(5).toInt())), 0);
        }
        QVERIFY(tms("Alpha").contains("[Alpha]\nFirstConnect=0\nLastConnect=0\n1997=2\n1997-03=2\n1997-09=2\n1997-064=2"));
        QCOMPARE(m_asked, asked);
        QCOMPARE(ras().m_hRasConn != 0, redialled);
        if (redialled) {
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
        tick(3);
        QCOMPARE(frame()->TimerBar()->GetPaneText(0), QString("Charlie"));
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
};

QTEST_MAIN(tst_Connection)
#include "tst_connection.moc"
