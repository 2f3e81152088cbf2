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

    // "h:mm:ss", with a lone number read as hours; a speed is the first run
    // of digits, and a text without any repeats the last speed found.
    void parsing()
    {
        const QList<QPair<QString, DWORD>> times{{"1:02:03", 3723}, {"5", 18000},  {"1:02", 3720},
                                                 {"", 0},           {"x:10:5", 605}, {"99999999999", 0xFFFFFFFF}};
        for (const auto& [text, seconds] : times)
            QCOMPARE(CRasApi::ParseConnectionTime(text), seconds);
        QCOMPARE(CRasApi::ParseConnectionSpeed("28800 bps", 0), DWORD(28800));
        QCOMPARE(CRasApi::ParseConnectionSpeed("Speed: 33,600", 0), DWORD(33));
        QCOMPARE(CRasApi::ParseConnectionSpeed("unknown", 14400), DWORD(14400));
        QCOMPARE(CRasApi::ParseConnectionSpeed("0 bps", 9600), DWORD(0));
    }

    // A real connection's notice is hidden and reported once to every
    // top-level widget with the entry's index. Then notices as another
    // program leaves them: hidden ones and other entries are left alone.
    void reportsNotices()
    {
        CTopLevel a, b;
        Connect(*m_api, "work");
        QTRY_COMPARE(a.msgs.size(), 2);
        QVERIFY(a.msgs[0].type == RasConnectionTimeEventType() && a.msgs[0].index == 2 && a.msgs[0].l < 5);
        QCOMPARE(a.msgs[1], (CTopLevel::Msg{RasConnectionSpeedEventType(), 2, 9600}));
        QTRY_COMPARE(b.msgs.size(), 2);
        QVERIFY(!ListNotices().first().bVisible);
        a.msgs.clear();

        const QString hidden = RaiseNotice(ConnectedNotice("Work", "9:00:00", "1 bps", false));
        const QString other = RaiseNotice(ConnectedNotice("Home", "9:00:00", "1 bps"));
        const QString otherDrop = RaiseNotice(DropNotice("Home"));
        QTest::qWait(100);
        QVERIFY(a.msgs.isEmpty());
        QVERIFY(Listed(hidden) && Listed(other) && Listed(otherDrop));

        RaiseNotice(ConnectedNotice("WORK", "1:02:03", "n/a"));
        QTRY_COMPARE(a.msgs.size(), 2);
        QCOMPARE(a.msgs[0], (CTopLevel::Msg{RasConnectionTimeEventType(), 2, 3723}));
        QCOMPARE(a.msgs[1], (CTopLevel::Msg{RasConnectionSpeedEventType(), 2, 9600})); // the last speed again
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
        const int rounds = 40;
        for (int round = 0; round < rounds; ++round) {
            RaiseNotice(DropNotice("Home"));
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
        QTRY_COMPARE(w.Count(RasDropLineEventType()), rounds);
        for (const CTopLevel::Msg& m : w.msgs)
            QCOMPARE(m.index, 1);
        m_api->HangUp();
    }
};

QTEST_MAIN(TestRasWatch)
#include "tst_raswatch.moc"
