// CRasApi on the service: loading, the phonebook list and its cache, the
// default provider, dialing with progress events, hang-up, and connections
// made by another process.

#include "RasTestUtil.h"
#include "dialup/RasApi.h"
#include "dialup/RasMessages.h"
#include "platform/ras/ConnectionRecords.h"
#include "dialup/EntryEditorDlg.h"
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
    bool Ended() const { return States().endsWith(RASCS_Connected) || States().endsWith(RASCS_Disconnected); }

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

bool DialTo(CRasApi& api, const QString& entry, QObject* target)
{
    const RasDialParams p = rastest::Params(entry);
    return api.Dial(&p, CRasApi::kNotifyObject, target);
}

const QList<unsigned> kConnectStates = {RASCS_OpenPort,      RASCS_PortOpened,          RASCS_ConnectDevice,
                                        RASCS_DeviceConnected, RASCS_AllDevicesConnected, RASCS_Authenticate,
                                        RASCS_AuthNotify,    RASCS_Authenticated,       RASCS_Connected};

} // namespace

class TestRasApi : public QObject
{
    Q_OBJECT
    TestEnv m_env;
    std::unique_ptr<CRasApi> m_api; // loaded afresh for every test

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

    // Loading again keeps the one watcher; without the service nothing loads
    // and the entry functions are missing.
    void load()
    {
        const std::thread::id watcher = m_api->m_pWatchThread->get_id();
        QVERIFY(m_api->Load());
        QCOMPARE(m_api->m_pWatchThread->get_id(), watcher);

        const QByteArray saved = qgetenv("DIALTOP_CONFIG_DIR");
        const QString file = m_env.path("plain-file");
        TestEnv::writeAll(file, "x");
        qputenv("DIALTOP_CONFIG_DIR", file.toUtf8());
        CRasApi api;
        QVERIFY(!api.Load());
        QCOMPARE(api.m_dwLastError, E_NOINTERFACE);
        QVERIFY(api.m_pWatchThread == nullptr);
        QVERIFY(!api.DeleteEntry("Alpha"));
        QCOMPARE(api.m_dwLastError, DWORD(1));
        qputenv("DIALTOP_CONFIG_DIR", saved);
    }

    // GetEntryName serves the cached list; FindEntry always reads anew.
    void entryListAndCache()
    {
        QString name;
        QVERIFY(m_api->GetEntryName(2, name)); // enumerates on first use
        QCOMPARE(name, QString("Charlie"));
        QVERIFY(!m_api->GetEntryName(-1, name));
        rastest::AddEntry("Delta");
        QVERIFY(!m_api->GetEntryName(3, name));
        QCOMPARE(m_api->FindEntry("DELTA"), 3);
        QCOMPARE(m_api->FindEntry("Echo"), -1);
        QCOMPARE(m_api->EnumEntries(), 4);
        QVERIFY(m_api->GetEntryName(3, name));
        QCOMPARE(name, QString("Delta"));
    }

    void defaultEntry()
    {
        // No setting: the first entry, and the registry stays untouched.
        QCOMPARE(m_api->GetDefaultEntry(), QString("Alpha"));
        reg::RegKey key;
        QCOMPARE(key.Open(reg::HKEY_CURRENT_USER, "RemoteAccess"), reg::ERROR_FILE_NOT_FOUND);

        QCOMPARE(m_api->SetDefaultEntry("Charlie"), 0L);
        QCOMPARE(m_api->GetDefaultEntry(), QString("Charlie"));
        QCOMPARE(key.Open(reg::HKEY_CURRENT_USER, "remoteaccess"), reg::ERROR_SUCCESS);
        DWORD type = 0;
        char buffer[64] = {};
        reg::DWORD length = sizeof buffer;
        QCOMPARE(key.QueryValue("InternetProfile", &type, buffer, &length), reg::ERROR_SUCCESS);
        QCOMPARE(QString("%1 %2 %3").arg(type).arg(length).arg(buffer), // a string, with its terminating zero
                 QString("%1 8 Charlie").arg(reg::REG_SZ));

        // "" means no default provider to the callers; it is returned as is.
        QCOMPARE(m_api->SetDefaultEntry(""), 0L);
        QCOMPARE(m_api->GetDefaultEntry(), QString(""));
        QVERIFY(!m_api->GetDefaultEntry().isNull());
        // A name that does not fit the 256-byte buffer is not read.
        QCOMPARE(m_api->SetDefaultEntry(QString(300, 'x')), 0L);
        QCOMPARE(m_api->GetDefaultEntry(), QString("Alpha"));
        // No entries, no default.
        rastest::Reset(m_env);
        QCOMPARE(m_api->EnumEntries(), 0);
        QVERIFY(m_api->GetDefaultEntry().isNull());
    }

    void dialConnects()
    {
        CRecorder target;
        QVERIFY(DialTo(*m_api, "charlie", &target));
        QCOMPARE(m_api->GetCurrentEntryName(), QString("charlie"));
        QVERIFY(!m_api->IsConnected());
        QVERIFY(target.msgs.isEmpty());
        QTRY_VERIFY(target.Ended());
        QCOMPARE(target.States(), kConnectStates);
        for (const auto& m : target.msgs)
            if (m.type == RasDialEventType())
                QCOMPARE(m.l, LPARAM(0));
        QVERIFY(m_api->IsConnected());
        std::unique_ptr<CRasConnList> list = m_api->EnumConnections();
        QVERIFY(list);
        QCOMPARE(list->GetCount(), 1);
        QCOMPARE(list->GetAt(0)->hrasconn, m_api->m_hRasConn);
        const HRASCONN h = m_api->m_hRasConn;
        QVERIFY(m_api->HangUp());
        QCOMPARE(m_api->m_hRasConn, HRASCONN(0));
        QCOMPARE(m_api->GetCurrentEntryName(), QString(""));
        QCOMPARE(rastest::Status(h), QString("invalid handle"));
        QCOMPARE(target.States().size(), 9); // nothing after the end
    }

    // A failed call keeps its handle until hung up, so the error can be
    // read; a refused one has none, and hanging up nothing does not pause.
    void dialFailsOrIsRefused()
    {
        CRecorder target;
        QVERIFY(DialTo(*m_api, "Bravo", &target));
        QTRY_VERIFY(target.Ended());
        QCOMPARE(target.msgs.last().w, WPARAM(RASCS_Disconnected));
        QCOMPARE(target.msgs.last().l, LPARAM(ERROR_LINE_BUSY));
        RasConnStatus st;
        QVERIFY(m_api->GetConnectStatus(&st));
        QCOMPARE(st.dwError, ERROR_LINE_BUSY);
        QVERIFY(m_api->HangUp());
        QVERIFY(!DialTo(*m_api, "Nobody", &target));
        QCOMPARE(m_api->m_dwLastError, ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
        QCOMPARE(m_api->m_hRasConn, HRASCONN(0));
        SetHangUpPauseOverride(10000);
        QElapsedTimer t;
        t.start();
        QVERIFY(!m_api->HangUp());
        QVERIFY(t.elapsed() < 1000);
        SetHangUpPauseOverride(0);
    }

    // A held connection is hung up (with the pause) before the next call;
    // the first call's target is gone before its progress arrives.
    void dialWhileConnectedHangsUpFirst()
    {
        auto* first = new CRecorder;
        QVERIFY(DialTo(*m_api, "Alpha", first));
        delete first;
        QTRY_VERIFY(m_api->IsConnected());
        CRecorder second;
        const HRASCONN old = m_api->m_hRasConn;
        SetHangUpPauseOverride(150);
        QElapsedTimer t;
        t.start();
        QVERIFY(DialTo(*m_api, "Charlie", &second));
        QVERIFY(t.elapsed() >= 150);
        SetHangUpPauseOverride(0);
        QCOMPARE(rastest::Status(old), QString("invalid handle"));
        QCOMPARE(m_api->GetCurrentEntryName(), QString("Charlie"));
        QTRY_COMPARE(second.States(), kConnectStates);
        m_api->HangUp();
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
        QVERIFY(list);
        QCOMPARE(list->GetCount(), 1);
        const HRASCONN h = list->GetAt(0)->hrasconn;
        QVERIFY(!m_api->AttachConnection(h ^ 1));
        QCOMPARE(m_api->m_hRasConn, HRASCONN(0));
        QVERIFY(m_api->AttachConnection(h));
        QCOMPARE(m_api->GetCurrentEntryName(), QString("Charlie"));
        QVERIFY(m_api->IsConnected());
        RasPppIp ip;
        QVERIFY(m_api->GetProjectionInfo(RASP_PppIp, &ip));
        QCOMPARE(ip.strIpAddress, list->GetAt(0)->strIpAddress);
        QVERIFY(m_api->HangUp());
        QVERIFY(holder.waitForFinished(10000));
        QCOMPARE(holder.exitCode(), 0);
        QVERIFY(!m_api->EnumConnections());
    }

    // Failures land in m_dwLastError and leave the caller's record alone;
    // the editor's result comes back as is.
    void entryOperations()
    {
        RasEntry e;
        QVERIFY(m_api->GetEntryProperties("alpha", &e, nullptr));
        QVERIFY(!m_api->SetEntryProperties("Alpha", nullptr, nullptr));
        QCOMPARE(m_api->m_dwLastError, ERROR_INVALID_PARAMETER);
        RasEntry untouched = e;
        QVERIFY(!m_api->GetEntryProperties("Nobody", &untouched, nullptr));
        QCOMPARE(m_api->m_dwLastError, ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
        QCOMPARE(untouched, e);

        QVERIFY(m_api->DeleteEntry("alpha"));
        QVERIFY(!m_api->DeleteEntry("alpha"));
        QCOMPARE(m_api->m_dwLastError, ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);

        SetEntryEditorRunner([](CEntryEditorDlg&) { return int(QDialog::Rejected); });
        m_api->m_dwLastError = 42;
        QCOMPARE(m_api->CreateEntry(nullptr), ERROR_CANCELLED);
        QCOMPARE(m_api->EditEntry(nullptr, "Nobody"), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
        QCOMPARE(m_api->m_dwLastError, DWORD(42));
        SetEntryEditorRunner({});
    }
};

QTEST_MAIN(TestRasApi)
#include "tst_rasapi.moc"
