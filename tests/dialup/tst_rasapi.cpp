// CRasApi on the service: loading, the phonebook list and its cache, the
// default provider, dialing with progress events, hang-up, and connections
// made by another process.

#include "RasTestUtil.h"
#include "dialup/RasApi.h"
#include "dialup/RasMessages.h"
#include "platform/ras/ConnectionRecords.h"
#include "platform/ras/EntryEditorDlg.h"
#include "platform/ras/RasService.h"

#include <QElapsedTimer>
#include <QWidget>
#include <QtTest>

using namespace ras;

namespace {

// Records the registered messages it receives.
class CRecorder : public QWidget
{
public:
    struct Msg
    {
        int type;
        WPARAM w;
        LPARAM l;
    };
    QList<Msg> msgs;
    QList<unsigned> States() const
    {
        QList<unsigned> out;
        for (const Msg& m : msgs)
            if (m.type == RasDialEventType())
                out.append(unsigned(m.w));
        return out;
    }
    bool Ended() const
    {
        const QList<unsigned> s = States();
        return !s.isEmpty() && (s.last() == RASCS_Connected || s.last() == RASCS_Disconnected);
    }

protected:
    bool event(QEvent* e) override
    {
        if (auto* m = dynamic_cast<CRasMessageEvent*>(e)) {
            msgs.append({int(e->type()), m->wParam(), m->lParam()});
            return true;
        }
        return QWidget::event(e);
    }
};

RasDialParams Params(const QString& entry)
{
    RasDialParams p;
    p.strEntryName = entry;
    return p;
}

bool DialTo(CRasApi& api, const QString& entry, QObject* target)
{
    const RasDialParams p = Params(entry);
    return api.Dial(&p, CRasApi::kNotifyObject, target);
}

} // namespace

class TestRasApi : public QObject
{
    Q_OBJECT
    TestEnv m_env;

private slots:
    void init()
    {
        rastest::Reset(m_env);
        rastest::AddEntry("Alpha", "connect 33600");
        rastest::AddEntry("Bravo", "busy");
        rastest::AddEntry("Charlie", "connect 14400");
    }

    void loadFailsWithoutService()
    {
        const QByteArray saved = qgetenv("DIALTOP_CONFIG_DIR");
        const QString file = m_env.path("plain-file");
        TestEnv::writeAll(file, "x");
        qputenv("DIALTOP_CONFIG_DIR", file.toUtf8());
        CRasApi api;
        QVERIFY(!api.Load());
        QCOMPARE(api.m_dwLastError, E_NOINTERFACE);
        QVERIFY(api.m_pWatchThread == nullptr);
        // Without the service the entry functions are missing.
        QVERIFY(!api.DeleteEntry("Alpha"));
        QCOMPARE(api.m_dwLastError, DWORD(1));
        RasEntry e;
        QVERIFY(!api.GetEntryProperties("Alpha", &e, nullptr));
        QVERIFY(!api.SetEntryProperties("Alpha", &e, nullptr));
        qputenv("DIALTOP_CONFIG_DIR", saved);
    }

    void loadStartsWatcherOnce()
    {
        CRasApi api;
        QVERIFY(api.Load());
        QCOMPARE(api.m_dwLastError, DWORD(0));
        const std::thread::id watcher = api.m_pWatchThread->get_id();
        QVERIFY(api.Load());
        QCOMPARE(api.m_pWatchThread->get_id(), watcher);
        QVERIFY(api.m_bPlaySound);
        QCOMPARE(&CRasApi::Instance(), &CRasApi::Instance());
    }

    void eventTypes()
    {
        const QList<int> types = {RasDialEventType(), RasConnectionTimeEventType(), RasConnectionSpeedEventType(),
                                  RasDropLineEventType()};
        for (int t : types)
            QVERIFY(t >= QEvent::User && t <= QEvent::MaxUser);
        QCOMPARE(QSet<int>(types.begin(), types.end()).size(), 4);
        QCOMPARE(RasDialEventType(), types[0]);
        QCOMPARE(RasDropLineEventType(), types[3]);
    }

    void emptyPhonebook()
    {
        rastest::Reset(m_env);
        CRasApi api;
        QVERIFY(api.Load());
        QCOMPARE(api.EnumEntries(), 0);
        QCOMPARE(api.FindEntry("Alpha"), -1);
        QString name = "unchanged";
        QVERIFY(!api.GetEntryName(0, name));
        QCOMPARE(name, QString("unchanged"));
        QVERIFY(api.GetDefaultEntry().isNull());
        QCOMPARE(api.SetDefaultEntry("Somewhere"), 0L);
        QCOMPARE(api.GetDefaultEntry(), QString("Somewhere"));
    }

    // GetEntryName serves the cached list; FindEntry always reads anew.
    void entryListAndCache()
    {
        CRasApi api;
        QVERIFY(api.Load());
        QString name;
        QVERIFY(api.GetEntryName(2, name)); // enumerates on first use
        QCOMPARE(name, QString("Charlie"));
        QVERIFY(!api.GetEntryName(3, name));
        QVERIFY(!api.GetEntryName(-1, name));
        rastest::AddEntry("Delta");
        QVERIFY(!api.GetEntryName(3, name));
        QCOMPARE(api.FindEntry("DELTA"), 3);
        QCOMPARE(api.FindEntry("bravo"), 1);
        QCOMPARE(api.FindEntry("Echo"), -1);
        QCOMPARE(api.EnumEntries(), 4);
        QVERIFY(api.GetEntryName(3, name));
        QCOMPARE(name, QString("Delta"));
    }

    void defaultEntry()
    {
        CRasApi api;
        QVERIFY(api.Load());
        // No setting: the first entry, and the registry stays untouched.
        QCOMPARE(api.GetDefaultEntry(), QString("Alpha"));
        reg::RegKey key;
        QCOMPARE(key.Open(reg::HKEY_CURRENT_USER, "RemoteAccess"), reg::ERROR_FILE_NOT_FOUND);

        QCOMPARE(api.SetDefaultEntry("Charlie"), 0L);
        QCOMPARE(api.GetDefaultEntry(), QString("Charlie"));
        QCOMPARE(key.Open(reg::HKEY_CURRENT_USER, "remoteaccess"), reg::ERROR_SUCCESS);
        DWORD type = 0;
        char buffer[64] = {};
        reg::DWORD length = sizeof buffer;
        QCOMPARE(key.QueryValue("InternetProfile", &type, buffer, &length), reg::ERROR_SUCCESS);
        QCOMPARE(type, reg::REG_SZ);
        QCOMPARE(length, reg::DWORD(8)); // with its terminating zero
        QCOMPARE(QByteArray(buffer), QByteArray("Charlie"));

        // "" means no default provider to the callers; it is returned as is.
        QCOMPARE(api.SetDefaultEntry(""), 0L);
        QVERIFY(!api.GetDefaultEntry().isNull());
        QVERIFY(api.GetDefaultEntry().isEmpty());
        // A name that does not fit the 256-byte buffer is not read.
        QCOMPARE(api.SetDefaultEntry(QString(300, 'x')), 0L);
        QCOMPARE(api.GetDefaultEntry(), QString("Alpha"));
    }

    void hangUpWithoutConnection()
    {
        CRasApi api;
        QVERIFY(api.Load());
        SetHangUpPauseOverride(10000);
        QElapsedTimer t;
        t.start();
        QVERIFY(!api.HangUp());
        QVERIFY(t.elapsed() < 1000);
        SetHangUpPauseOverride(0);
    }

    void dialConnects()
    {
        CRasApi api;
        QVERIFY(api.Load());
        CRecorder target;
        QVERIFY(DialTo(api, "charlie", &target));
        QVERIFY(api.m_hRasConn != 0);
        QCOMPARE(api.GetCurrentEntryName(), QString("charlie"));
        QVERIFY(!api.IsConnected());
        QVERIFY(target.msgs.isEmpty());
        QTRY_VERIFY(target.Ended());
        QCOMPARE(target.States(), (QList<unsigned>{RASCS_OpenPort, RASCS_PortOpened, RASCS_ConnectDevice,
                                                  RASCS_DeviceConnected, RASCS_AllDevicesConnected,
                                                  RASCS_Authenticate, RASCS_AuthNotify, RASCS_Authenticated,
                                                  RASCS_Connected}));
        for (const auto& m : target.msgs)
            if (m.type == RasDialEventType())
                QCOMPARE(m.l, LPARAM(0));
        QVERIFY(api.IsConnected());
        RasPppIp ip;
        QVERIFY(api.GetProjectionInfo(RASP_PppIp, &ip));
        QVERIFY(ip.strIpAddress.startsWith("192.0.2."));
        std::unique_ptr<CRasConnList> list = api.EnumConnections();
        QVERIFY(list);
        QCOMPARE(list->GetCount(), 1);
        QCOMPARE(list->GetAt(0)->hrasconn, api.m_hRasConn);
        QVERIFY(list->GetAt(1) == nullptr);
        QVERIFY(list->GetAt(-1) == nullptr);

        const HRASCONN h = api.m_hRasConn;
        QVERIFY(api.HangUp());
        QCOMPARE(api.m_hRasConn, HRASCONN(0));
        QCOMPARE(api.GetCurrentEntryName(), QString(""));
        QVERIFY(!api.IsConnected());
        RasConnStatus st;
        QCOMPARE(GetConnectStatus(h, st), ERROR_INVALID_HANDLE);
        QVERIFY(!api.EnumConnections());
        QCOMPARE(target.States().size(), 9); // nothing after the end
    }

    void dialFails()
    {
        CRasApi api;
        QVERIFY(api.Load());
        CRecorder target;
        QVERIFY(DialTo(api, "Bravo", &target));
        QTRY_VERIFY(target.Ended());
        QCOMPARE(target.msgs.last().type, RasDialEventType());
        QCOMPARE(target.msgs.last().w, WPARAM(RASCS_Disconnected));
        QCOMPARE(target.msgs.last().l, LPARAM(ERROR_LINE_BUSY));
        // The handle stays until hung up, so the error can be read.
        QVERIFY(!api.IsConnected());
        RasConnStatus st;
        QVERIFY(api.GetConnectStatus(&st));
        QCOMPARE(st.dwError, ERROR_LINE_BUSY);
        QVERIFY(!api.EnumConnections());
        QVERIFY(api.HangUp());
    }

    void dialRefusedAtOnce()
    {
        CRasApi api;
        QVERIFY(api.Load());
        CRecorder target;
        QVERIFY(!DialTo(api, "Nobody", &target));
        QCOMPARE(api.m_dwLastError, ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
        QCOMPARE(api.m_hRasConn, HRASCONN(0));
        QTest::qWait(20);
        QVERIFY(target.msgs.isEmpty());
        QVERIFY(!api.HangUp());
    }

    // A held connection is hung up (with the pause) before the next call.
    void dialWhileConnectedHangsUpFirst()
    {
        CRasApi api;
        QVERIFY(api.Load());
        CRecorder first, second;
        QVERIFY(DialTo(api, "Alpha", &first));
        QTRY_VERIFY(api.IsConnected());
        const HRASCONN old = api.m_hRasConn;
        SetHangUpPauseOverride(150);
        QElapsedTimer t;
        t.start();
        QVERIFY(DialTo(api, "Charlie", &second));
        QVERIFY(t.elapsed() >= 150);
        SetHangUpPauseOverride(0);
        QVERIFY(api.m_hRasConn != old);
        RasConn c;
        QCOMPARE(GetConnection(old, c), ERROR_INVALID_HANDLE);
        QCOMPARE(api.GetCurrentEntryName(), QString("Charlie"));
        QTRY_VERIFY(second.Ended());
        QCOMPARE(first.States().size(), 9);
        api.HangUp();
    }

    void targetGoneBeforeProgress()
    {
        CRasApi api;
        QVERIFY(api.Load());
        auto* target = new CRecorder;
        QVERIFY(DialTo(api, "Alpha", target));
        delete target;
        QTRY_VERIFY(api.IsConnected());
        api.HangUp();
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

        CRasApi api;
        QVERIFY(api.Load());
        std::unique_ptr<CRasConnList> list = api.EnumConnections();
        QVERIFY(list);
        QCOMPARE(list->GetCount(), 1);
        const HRASCONN h = list->GetAt(0)->hrasconn;
        QVERIFY(!api.AttachConnection(h ^ 1));
        QCOMPARE(api.m_hRasConn, HRASCONN(0));
        QVERIFY(api.AttachConnection(h));
        QCOMPARE(api.m_hRasConn, h);
        QCOMPARE(api.GetCurrentEntryName(), QString("Charlie"));
        QVERIFY(api.IsConnected());
        QVERIFY(api.AttachConnection(h)); // the same one again is kept
        QVERIFY(api.IsConnected());
        RasPppIp ip;
        QVERIFY(api.GetProjectionInfo(RASP_PppIp, &ip));
        QCOMPARE(ip.strIpAddress, list->GetAt(0)->strIpAddress);

        QVERIFY(api.HangUp());
        QVERIFY(holder.waitForFinished(10000));
        QCOMPARE(holder.exitCode(), 0);
        QVERIFY(!api.EnumConnections());
    }

    void entryOperations()
    {
        CRasApi api;
        QVERIFY(api.Load());
        RasEntry e;
        QByteArray info;
        QVERIFY(api.GetEntryProperties("alpha", &e, &info));
        QCOMPARE(e.strSimLine, QString("connect 33600"));
        QVERIFY(api.GetEntryProperties("alpha", nullptr, nullptr));
        e.strLocalPhoneNumber = "999";
        QVERIFY(api.SetEntryProperties("Alpha", &e, nullptr));
        QVERIFY(!api.SetEntryProperties("Alpha", nullptr, nullptr));
        QCOMPARE(api.m_dwLastError, ERROR_INVALID_PARAMETER);
        RasEntry untouched = e;
        QVERIFY(!api.GetEntryProperties("Nobody", &untouched, nullptr));
        QCOMPARE(api.m_dwLastError, ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
        QCOMPARE(untouched, e);

        RasDialParams p = Params("Alpha");
        p.strUserName = "u";
        p.strPassword = "p";
        QVERIFY(api.SetEntryDialParams(&p, false));
        RasDialParams back = Params("ALPHA");
        bool saved = false;
        QVERIFY(api.GetEntryDialParams(&back, &saved));
        QVERIFY(saved);
        QCOMPARE(back.strPassword, QString("p"));

        QVERIFY(api.DeleteEntry("alpha"));
        QVERIFY(!api.DeleteEntry("alpha"));
        QCOMPARE(api.m_dwLastError, ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);

        // The editor's result comes back as is and is not stored.
        SetEntryEditorRunner([](CEntryEditorDlg&) { return int(QDialog::Rejected); });
        api.m_dwLastError = 42;
        QCOMPARE(api.CreateEntry(nullptr), ERROR_CANCELLED);
        QCOMPARE(api.EditEntry(nullptr, "Bravo"), ERROR_CANCELLED);
        QCOMPARE(api.EditEntry(nullptr, "Nobody"), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
        QCOMPARE(api.m_dwLastError, DWORD(42));
        SetEntryEditorRunner({});
    }
};

QTEST_MAIN(TestRasApi)
#include "tst_rasapi.moc"
