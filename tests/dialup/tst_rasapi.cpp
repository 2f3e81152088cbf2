// CRasApi on the service, and its watcher thread: the notices it reads and
// what it posts to the top-level widgets.

#include "RasTestUtil.h"
#include "dialup/RasApi.h"
#include "dialup/RasMessages.h"
#include "platform/ras/ConnectionRecords.h"
#include "platform/ras/Notices.h"
#include "platform/ras/RasService.h"

#include <QElapsedTimer>
#include <QWidget>

using namespace ras;

namespace {

// A top-level widget: records the dial progress it receives (states, and the
// errors beside them) and the watcher's time, speed and drop messages.
class CRecorder : public QWidget
{
public:
    struct Msg { int type, index; LPARAM l; bool operator==(const Msg&) const = default; };
    QList<unsigned> states;
    QList<LPARAM> errors;
    QList<Msg> msgs;
    bool Ended() const { return states.endsWith(RASCS_Connected) || states.endsWith(RASCS_Disconnected); }
    bool event(QEvent* e) override
    {
        const int t = int(e->type());
        const auto* m = dynamic_cast<CRasMessageEvent*>(e);
        if (m && t == RasDialEventType())
            states.append(unsigned(m->wParam())), errors.append(m->lParam());
        else if (m)
            msgs.append({t, m->Index(), m->lParam()});
        return m || QWidget::event(e);
    }
};
using Msg = CRecorder::Msg;

Notice ConnectedNotice(const QString& entry, const QString& time, const QString& speed, bool visible = true)
{
    return Notice{.kind = Notice::Connected, .strTitle = kConnectedTitle + entry, .strEntryName = entry,
                  .bVisible = visible, .strTimeText = time, .strSpeedText = speed};
}

Notice DropNotice(const QString& entry)
{
    return Notice{.kind = Notice::Reestablish, .strTitle = kReestablishTitle, .strEntryName = entry};
}

bool Listed(const QString& id)
{
    const QList<Notice> all = ListNotices();
    return std::any_of(all.begin(), all.end(), [&](const Notice& n) { return n.strId == id; });
}

bool DialTo(CRasApi& api, const QString& entry, QObject* target)
{
    const RasDialParams p = rastest::Params(entry);
    return api.Dial(&p, CRasApi::kNotifyObject, target);
}

} // namespace

class TestRasApi : public QObject
{
    Q_OBJECT
    TestEnv m_env;
    std::unique_ptr<CRasApi> m_api; // loaded afresh for every test

    // A live simulated call of the entry, made current.
    void Connect(const QString& entry)
    {
        QVERIFY(DialTo(*m_api, entry, nullptr));
        QTRY_VERIFY(m_api->IsConnected());
    }

private slots:
    void init()
    {
        rastest::Reset(m_env);
        rastest::AddEntry("Alpha", "connect 33600");
        rastest::AddEntry("Bravo", "busy");
        rastest::AddEntry("Charlie", "connect 14400");
        m_api = std::make_unique<CRasApi>();
        QVERIFY(m_api->Load());
    }
    void cleanup() { m_api.reset(); }

    // "h:mm:ss", with a lone number read as hours; a speed is the first run
    // of digits, and a text without any repeats the last speed found.
    void parsing()
    {
        for (const auto& [text, seconds] : QList<QPair<QString, DWORD>>{
                 {"1:02:03", 3723}, {"5", 18000}, {"1:02", 3720}, {"", 0}, {"x:10:5", 605}, {"99999999999", 0xFFFFFFFF}})
            QCOMPARE(CRasApi::ParseConnectionTime(text), seconds);
        QCOMPARE(QList<DWORD>({CRasApi::ParseConnectionSpeed("28800 bps", 0), CRasApi::ParseConnectionSpeed("Speed: 33,600", 0),
                               CRasApi::ParseConnectionSpeed("unknown", 14400), CRasApi::ParseConnectionSpeed("0 bps", 9600)}),
                 QList<DWORD>({28800, 33, 14400, 0}));
    }

    // A real connection's notice is hidden and reported once to every
    // top-level widget with the entry's index. Then notices as another
    // program leaves them: hidden ones and other entries are left alone; an
    // offer to re-establish the current entry is declined and reported.
    void reportsNotices()
    {
        CRecorder a, b;
        Connect("charlie");
        QTRY_COMPARE(a.msgs.size(), 2);
        QVERIFY(a.msgs[0].type == RasConnectionTimeEventType() && a.msgs[0].index == 2 && a.msgs[0].l < 5);
        QCOMPARE(a.msgs[1], (Msg{RasConnectionSpeedEventType(), 2, 14400}));
        QTRY_COMPARE(b.msgs.size(), 2);
        QVERIFY(!ListNotices().first().bVisible);
        a.msgs.clear();

        const QStringList left{RaiseNotice(ConnectedNotice("Charlie", "9:00:00", "1 bps", false)),
                               RaiseNotice(ConnectedNotice("Alpha", "9:00:00", "1 bps")), RaiseNotice(DropNotice("Alpha"))};
        QTest::qWait(100);
        QVERIFY(a.msgs.isEmpty() && std::all_of(left.begin(), left.end(), Listed));

        RaiseNotice(ConnectedNotice("CHARLIE", "1:02:03", "n/a"));
        QTRY_COMPARE(a.msgs, (QList<Msg>{{RasConnectionTimeEventType(), 2, 3723},
                                         {RasConnectionSpeedEventType(), 2, 14400}})); // the last speed again
        a.msgs.clear();
        const QString id = RaiseNotice(DropNotice("CHARLIE"));
        QTRY_COMPARE(a.msgs, (QList<Msg>{{RasDropLineEventType(), 2, 0}}));
        QVERIFY(!Listed(id));
        // An entry no longer in the phonebook is reported as -1.
        QCOMPARE(DeleteEntry("Charlie"), ERROR_SUCCESS);
        RaiseNotice(DropNotice("Charlie"));
        QTRY_COMPARE(a.msgs, (QList<Msg>{{RasDropLineEventType(), 2, 0}, {RasDropLineEventType(), -1, 0}}));
        m_api->HangUp();
    }

    // Without a current entry nothing is touched; an entry set later (by
    // adopting a connection) is looked for at once.
    void waitsForAnEntry()
    {
        CRecorder w;
        const QString drop = RaiseNotice(DropNotice("Charlie"));
        QTest::qWait(50);
        QVERIFY(Listed(drop) && w.msgs.isEmpty());

        HRASCONN h = 0;
        QCOMPARE(Dial(rastest::Params("Charlie"), nullptr, &h), ERROR_SUCCESS); // removes the stale offer
        QTRY_COMPARE(rastest::Status(h), QString("connected 0"));
        QTest::qWait(50);
        QVERIFY(w.msgs.isEmpty() && m_api->AttachConnection(h));
        QTRY_COMPARE(w.msgs.size(), 2);
        QCOMPARE(w.msgs[1], (Msg{RasConnectionSpeedEventType(), 2, 14400}));
        m_api->HangUp();
    }

    // The watcher looks entries up while this thread enumerates, reads the
    // cache, edits the phonebook and changes the current entry. The cache
    // must stay what this thread last enumerated (run under ThreadSanitizer too).
    void cacheWhileWatching()
    {
        CRecorder w;
        Connect("Charlie");
        QTRY_COMPARE(w.msgs.size(), 2);
        w.msgs.clear();
        const int rounds = 40;
        for (int round = 0; round < rounds; ++round) {
            RaiseNotice(DropNotice("Charlie"));
            const int n = m_api->EnumEntries();
            const QString extra = QStringLiteral("Extra %1").arg(round);
            QCOMPARE(CreateEntry(extra, rastest::SimEntry("")), ERROR_SUCCESS);
            QString name; // the new entry is not in the cached list yet
            QVERIFY(!m_api->GetEntryName(n, name) && m_api->GetEntryName(2, name) && name == "Charlie");
            QCOMPARE(DeleteEntry(extra), ERROR_SUCCESS);
            if (round % 10 == 0)
                QCoreApplication::processEvents();
        }
        QTRY_COMPARE(std::count_if(w.msgs.begin(), w.msgs.end(), [](const Msg& m) { return m.type == RasDropLineEventType(); }),
                     rounds);
        for (const Msg& m : w.msgs)
            QCOMPARE(m.index, 2);
        m_api->HangUp();
    }

    // Loading again keeps the one watcher; without the service nothing loads
    // and the entry functions are missing.
    void load()
    {
        const std::thread::id watcher = m_api->m_pWatchThread->get_id();
        QVERIFY(m_api->Load() && m_api->m_pWatchThread->get_id() == watcher);

        const QByteArray saved = qgetenv("DIALTOP_CONFIG_DIR");
        TestEnv::writeAll(m_env.path("plain-file"), "x");
        qputenv("DIALTOP_CONFIG_DIR", m_env.path("plain-file").toUtf8());
        CRasApi api;
        QVERIFY(!api.Load() && api.m_dwLastError == E_NOINTERFACE && api.m_pWatchThread == nullptr);
        QVERIFY(!api.DeleteEntry("Alpha") && api.m_dwLastError == 1);
        qputenv("DIALTOP_CONFIG_DIR", saved);
    }

    // GetEntryName serves the cached list; FindEntry always reads anew. A
    // failed look-up leaves the caller's record alone.
    void entries()
    {
        QString name;
        QVERIFY(m_api->GetEntryName(2, name) && name == "Charlie"); // enumerates on first use
        rastest::AddEntry("Delta");
        QVERIFY(!m_api->GetEntryName(-1, name) && !m_api->GetEntryName(3, name));
        QVERIFY(m_api->FindEntry("DELTA") == 3 && m_api->FindEntry("Echo") == -1 && m_api->EnumEntries() == 4);
        QVERIFY(m_api->GetEntryName(3, name) && name == "Delta");
        RasEntry e;
        QVERIFY(m_api->GetEntryProperties("alpha", &e, nullptr));
        RasEntry untouched = e;
        QVERIFY(!m_api->GetEntryProperties("Nobody", &untouched, nullptr) && untouched == e);
        QVERIFY(m_api->DeleteEntry("alpha") && !m_api->DeleteEntry("alpha")
                && m_api->m_dwLastError == ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    }

    void defaultEntry()
    {
        // No setting: the first entry, and the registry stays untouched.
        QCOMPARE(m_api->GetDefaultEntry(), QString("Alpha"));
        reg::RegKey key;
        QCOMPARE(key.Open(reg::HKEY_CURRENT_USER, "RemoteAccess"), reg::ERROR_FILE_NOT_FOUND);

        QVERIFY(m_api->SetDefaultEntry("Charlie") == 0 && m_api->GetDefaultEntry() == "Charlie");
        QCOMPARE(key.Open(reg::HKEY_CURRENT_USER, "remoteaccess"), reg::ERROR_SUCCESS);
        DWORD type = 0, length = 64;
        char buffer[64] = {};
        QCOMPARE(key.QueryValue("InternetProfile", &type, buffer, &length), reg::ERROR_SUCCESS);
        QCOMPARE(QString("%1 %2 %3").arg(type).arg(length).arg(buffer), // a string, with its terminating zero
                 QString("%1 8 Charlie").arg(reg::REG_SZ));

        // "" means no default provider to the callers; it is returned as is.
        QVERIFY(m_api->SetDefaultEntry("") == 0 && m_api->GetDefaultEntry().isEmpty() && !m_api->GetDefaultEntry().isNull());
        // A name that does not fit the 256-byte buffer is not read.
        QVERIFY(m_api->SetDefaultEntry(QString(300, 'x')) == 0 && m_api->GetDefaultEntry() == "Alpha");
        // No entries, no default.
        rastest::Reset(m_env);
        QVERIFY(m_api->EnumEntries() == 0 && m_api->GetDefaultEntry().isNull());
    }

    // A call reports every state to its target, without an error. A held
    // connection is hung up (with the pause) before the next call; the first
    // call's target is gone before its progress arrives.
    void dialConnects()
    {
        auto* first = new CRecorder;
        QVERIFY(DialTo(*m_api, "Alpha", first));
        delete first;
        QTRY_VERIFY(m_api->IsConnected());
        const HRASCONN old = m_api->m_hRasConn;
        CRecorder target;
        SetHangUpPauseOverride(150);
        QElapsedTimer t;
        t.start();
        QVERIFY(DialTo(*m_api, "charlie", &target) && t.elapsed() >= 150);
        SetHangUpPauseOverride(0);
        QCOMPARE(rastest::Status(old) + "|" + m_api->GetCurrentEntryName(), QString("invalid handle|charlie"));
        QVERIFY(!m_api->IsConnected() && target.states.isEmpty());
        QTRY_VERIFY(target.Ended());
        QVERIFY(target.states.size() == 9 && target.states.last() == RASCS_Connected && target.errors == QList<LPARAM>(9, 0));
        std::unique_ptr<CRasConnList> list = m_api->EnumConnections();
        QVERIFY(list && list->GetCount() == 1 && list->GetAt(0)->hrasconn == m_api->m_hRasConn);
        const HRASCONN h = m_api->m_hRasConn;
        QVERIFY(m_api->HangUp() && m_api->m_hRasConn == 0 && m_api->GetCurrentEntryName() == "");
        QCOMPARE(rastest::Status(h), QString("invalid handle"));
        QCOMPARE(target.states.size(), 9); // nothing after the end
    }

    // A failed call keeps its handle until hung up, so the error can be
    // read; a refused one has none, and hanging up nothing does not pause.
    void dialFailsOrIsRefused()
    {
        CRecorder target;
        QVERIFY(DialTo(*m_api, "Bravo", &target));
        QTRY_VERIFY(target.Ended());
        RasConnStatus st;
        QVERIFY(m_api->GetConnectStatus(&st) && st.dwError == ERROR_LINE_BUSY && target.errors.last() == ERROR_LINE_BUSY);
        QVERIFY(m_api->HangUp() && !DialTo(*m_api, "Nobody", &target));
        QVERIFY(m_api->m_dwLastError == ERROR_CANNOT_FIND_PHONEBOOK_ENTRY && m_api->m_hRasConn == 0);
        SetHangUpPauseOverride(10000);
        QElapsedTimer t;
        t.start();
        QVERIFY(!m_api->HangUp() && t.elapsed() < 1000);
        SetHangUpPauseOverride(0);
    }

    // A connection that the command-line dialer holds is adopted, used and
    // hung up from here.
    void attachConnectionMadeElsewhere()
    {
        rastest::WriteServiceIni(0.001);
        QProcess holder;
        holder.start(rastest::DialExe(), {"dial", "Charlie"});
        QByteArray out;
        QVERIFY(rastest::WaitForOutput(holder, "Connected to", out));

        std::unique_ptr<CRasConnList> list = m_api->EnumConnections();
        QVERIFY(list && list->GetCount() == 1);
        const HRASCONN h = list->GetAt(0)->hrasconn;
        QVERIFY(!m_api->AttachConnection(h ^ 1) && m_api->m_hRasConn == 0 && m_api->AttachConnection(h));
        QVERIFY(m_api->IsConnected() && m_api->GetCurrentEntryName() == "Charlie");
        RasPppIp ip;
        QVERIFY(m_api->GetProjectionInfo(RASP_PppIp, &ip) && ip.strIpAddress == list->GetAt(0)->strIpAddress);
        QVERIFY(m_api->HangUp() && holder.waitForFinished(10000) && holder.exitCode() == 0 && !m_api->EnumConnections());
    }
};

QTEST_MAIN(TestRasApi)
#include "tst_rasapi.moc"
