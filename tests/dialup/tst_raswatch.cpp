// The watcher thread: how it reads connection notices, what it posts to the
// top-level widgets, what it leaves alone, how it stops, and the phonebook
// cache used on the user-interface thread while it looks entries up.

#include "RasTestUtil.h"
#include "dialup/RasApi.h"
#include "dialup/RasMessages.h"
#include "platform/ras/Notices.h"
#include "platform/ras/RasService.h"

#include <QElapsedTimer>
#include <QWidget>
#include <QtTest>

using namespace ras;

namespace {

class CTopLevel : public QWidget
{
public:
    struct Msg
    {
        int type;
        int index;
        LPARAM l;
        bool operator==(const Msg&) const = default;
    };
    QList<Msg> msgs;
    int Count(int type) const
    {
        return int(std::count_if(msgs.begin(), msgs.end(), [type](const Msg& m) { return m.type == type; }));
    }

protected:
    bool event(QEvent* e) override
    {
        const int t = int(e->type());
        if (t == RasConnectionTimeEventType() || t == RasConnectionSpeedEventType() || t == RasDropLineEventType()) {
            auto* m = static_cast<CRasMessageEvent*>(e);
            msgs.append({t, m->Index(), m->lParam()});
            return true;
        }
        return QWidget::event(e);
    }
};

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

} // namespace

class TestRasWatch : public QObject
{
    Q_OBJECT
    TestEnv m_env;
    std::unique_ptr<CRasApi> m_api; // loaded afresh for every test

    // A loaded CRasApi whose current entry is entry (a live simulated call).
    static void Connect(CRasApi& api, const QString& entry)
    {
        const RasDialParams p = rastest::Params(entry);
        QVERIFY(api.Dial(&p, CRasApi::kNotifyObject, nullptr));
        QTRY_VERIFY(api.IsConnected());
    }

private slots:
    void init()
    {
        rastest::Reset(m_env);
        rastest::AddEntry("Zero");
        rastest::AddEntry("Home", "connect 33600");
        rastest::AddEntry("Work", "connect 9600");
        m_api = std::make_unique<CRasApi>();
        QVERIFY(m_api->Load());
    }
    void cleanup() { m_api.reset(); }

    void connectionTime_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("seconds");
        QTest::newRow("h:mm:ss") << "1:02:03" << 3723u;
        QTest::newRow("hours only") << "5" << 18000u;
        QTest::newRow("h:mm") << "1:02" << 3720u;
        QTest::newRow("empty") << "" << 0u;
        QTest::newRow("not a number") << "x:10:5" << 605u;
        QTest::newRow("blanks") << " 2 : 3 : 4" << 7384u;
        QTest::newRow("long day") << "27:59:59" << 100799u;
        QTest::newRow("huge") << "99999999999" << 0xFFFFFFFFu;
    }

    void connectionTime()
    {
        QFETCH(QString, text);
        QFETCH(uint, seconds);
        QCOMPARE(CRasApi::ParseConnectionTime(text), DWORD(seconds));
    }

    void connectionSpeed_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("last");
        QTest::addColumn<uint>("speed");
        QTest::newRow("bps") << "28800 bps" << 0u << 28800u;
        QTest::newRow("first run of digits") << "Speed: 33,600" << 0u << 33u;
        QTest::newRow("no digits keeps the last") << "unknown" << 14400u << 14400u;
        QTest::newRow("zero") << "0 bps" << 9600u << 0u;
    }

    void connectionSpeed()
    {
        QFETCH(QString, text);
        QFETCH(uint, last);
        QFETCH(uint, speed);
        QCOMPARE(CRasApi::ParseConnectionSpeed(text, last), DWORD(speed));
    }

    // A real connection: its notice is hidden once and reported to every
    // top-level widget with the entry's index.
    void reportsConnectionOnce()
    {
        CTopLevel a, b;
        Connect(*m_api, "home");
        QTRY_COMPARE(a.msgs.size(), 2);
        QCOMPARE(a.msgs[0].type, RasConnectionTimeEventType());
        QCOMPARE(a.msgs[0].index, 1);
        QVERIFY(a.msgs[0].l < 5);
        QCOMPARE(a.msgs[1], (CTopLevel::Msg{RasConnectionSpeedEventType(), 1, 33600}));
        QTRY_COMPARE(b.msgs.size(), 2);
        QVERIFY(!ListNotices().first().bVisible);
        QTest::qWait(100);
        QCOMPARE(a.msgs.size(), 2);
        m_api->HangUp();
    }

    // Notices as another program leaves them: fixed texts, hidden ones,
    // other entries, and a speed text without digits.
    void readsNotices()
    {
        CTopLevel w;
        Connect(*m_api, "Work");
        QTRY_COMPARE(w.Count(RasConnectionSpeedEventType()), 1);
        w.msgs.clear();

        const QString hidden = RaiseNotice(ConnectedNotice("Work", "9:00:00", "1 bps", false));
        const QString other = RaiseNotice(ConnectedNotice("Home", "9:00:00", "1 bps"));
        const QString otherDrop = RaiseNotice(DropNotice("Home"));
        QTest::qWait(100);
        QVERIFY(w.msgs.isEmpty());
        QVERIFY(Listed(hidden) && Listed(other) && Listed(otherDrop));
        QVERIFY(rastest::NoticeLines().contains("up: Connected to Home [Home] 1 bps"));

        RaiseNotice(ConnectedNotice("WORK", "1:02:03", "n/a"));
        QTRY_COMPARE(w.msgs.size(), 2);
        QCOMPARE(w.msgs[0], (CTopLevel::Msg{RasConnectionTimeEventType(), 2, 3723}));
        // No digits: the last speed found is sent again.
        QCOMPARE(w.msgs[1], (CTopLevel::Msg{RasConnectionSpeedEventType(), 2, 9600}));
        m_api->HangUp();
    }

    void declinesDropOfCurrentEntry()
    {
        CTopLevel w;
        Connect(*m_api, "Home");
        QTRY_COMPARE(w.msgs.size(), 2);
        w.msgs.clear();
        const QString id = RaiseNotice(DropNotice("HOME"));
        QTRY_COMPARE(w.msgs.size(), 1);
        QCOMPARE(w.msgs[0], (CTopLevel::Msg{RasDropLineEventType(), 1, 0}));
        QVERIFY(!Listed(id));

        // An entry no longer in the phonebook is reported as -1.
        QCOMPARE(DeleteEntry("Home"), ERROR_SUCCESS);
        RaiseNotice(DropNotice("Home"));
        QTRY_COMPARE(w.msgs.size(), 2);
        QCOMPARE(w.msgs[1], (CTopLevel::Msg{RasDropLineEventType(), -1, 0}));
        m_api->HangUp();
    }

    // The simulated line drops: the program hears of it once.
    void droppedLine()
    {
        rastest::AddEntry("Flaky", "drop 5");
        SetTimeScaleOverride(0.01);
        CTopLevel w;
        Connect(*m_api, "Flaky");
        QTRY_COMPARE(w.Count(RasDropLineEventType()), 1);
        QCOMPARE(w.msgs.last(), (CTopLevel::Msg{RasDropLineEventType(), 3, 0}));
        QVERIFY(!m_api->IsConnected());
        QVERIFY(ListNotices().isEmpty());
        QTest::qWait(50);
        QCOMPARE(w.Count(RasDropLineEventType()), 1);
        m_api->HangUp();
    }

    // Without a current entry nothing is touched; an entry set later (by
    // adopting a connection) is looked for at once.
    void waitsForAnEntry()
    {
        CTopLevel w;
        const QString drop = RaiseNotice(DropNotice("Home"));
        QTest::qWait(50);
        QVERIFY(Listed(drop));
        QVERIFY(w.msgs.isEmpty());

        HRASCONN h = 0;
        QCOMPARE(Dial(rastest::Params("Home"), nullptr, &h), ERROR_SUCCESS); // removes the stale offer
        QVERIFY(!Listed(drop));
        QTRY_COMPARE(rastest::Status(h), QString("connected 0"));
        QTest::qWait(50);
        QVERIFY(w.msgs.isEmpty());
        QVERIFY(m_api->AttachConnection(h));
        QTRY_COMPARE(w.msgs.size(), 2);
        QCOMPARE(w.msgs[1], (CTopLevel::Msg{RasConnectionSpeedEventType(), 1, 33600}));
        m_api->HangUp();
    }

    void stops()
    {
        QVERIFY(m_api->m_pWatchThread && m_api->m_pWatchThread->joinable());
        QElapsedTimer t;
        t.start();
        m_api.reset();
        // Generous here; the figure itself is measured by the benchmark.
        QVERIFY(t.elapsed() < 1000);
    }

    // The watcher looks entries up while this thread enumerates, reads the
    // cache, edits the phonebook and changes the current entry. The cache
    // must stay what this thread last enumerated (run under ThreadSanitizer too).
    void cacheWhileWatching()
    {
        CTopLevel w;
        Connect(*m_api, "Home");
        QTRY_COMPARE(w.msgs.size(), 2);
        w.msgs.clear();
        int raised = 0;
        for (int round = 0; round < 40; ++round) {
            RaiseNotice(DropNotice("Home"));
            ++raised;
            const int n = m_api->EnumEntries();
            const QString extra = QStringLiteral("Extra %1").arg(round);
            QCOMPARE(CreateEntry(extra, rastest::SimEntry("")), ERROR_SUCCESS);
            QString name;
            QVERIFY(!m_api->GetEntryName(n, name)); // not in the cached list yet
            QVERIFY(m_api->GetEntryName(1, name));
            QCOMPARE(name, QString("Home"));
            QCOMPARE(DeleteEntry(extra), ERROR_SUCCESS);
            if (round % 10 == 0)
                QCoreApplication::processEvents();
        }
        QTRY_COMPARE(w.Count(RasDropLineEventType()), raised);
        for (const CTopLevel::Msg& m : w.msgs)
            QCOMPARE(m.index, 1);
        m_api->HangUp();
    }
};

QTEST_MAIN(TestRasWatch)
#include "tst_raswatch.moc"
