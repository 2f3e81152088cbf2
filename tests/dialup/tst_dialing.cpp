// Dialing through the simulated modem: the stored numbers and their registry
// layout, the "Connecting..." dialog's redial, chain dial and countdown, the
// password prompt on the way in, and items that dial first.

#include "RasTestUtil.h"
#include "dialup/DialFirst.h"
#include "dialup/DialingDlg.h"
#include "dialup/PasswordDlg.h"
#include "dialup/PhoneNumberList.h"
#include "dialup/RasApi.h"
#include "dialup/RasMessages.h"
#include "framework/MessageBox.h"
#include "launcher/ItemLaunch.h"
#include "platform/media/AnimateCtrl.h"
#include "platform/media/Sound.h"
#include "platform/shell/Execute.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "theme/ThemeData.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace ras;

namespace {

// The main window stand-in: records the progress forwarded to it.
class COwner : public QWidget
{
public:
    QList<unsigned> states;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == RasDialEventType()) {
            states << unsigned(static_cast<CRasMessageEvent*>(e)->wParam());
            return true;
        }
        return QWidget::event(e);
    }
};

// Watches a dialing dialog: each call as "number/tries left" ("own" for the
// entry's own number), and whether the dialog was ever shown.
class CWatch : public QObject
{
public:
    QStringList calls;
    bool shown = false;
    bool eventFilter(QObject* o, QEvent* e) override
    {
        auto* dlg = static_cast<CDialingDlg*>(o);
        if (e->type() == QEvent::Show)
            shown = true;
        if (e->type() == RasDialEventType() && static_cast<CRasMessageEvent*>(e)->wParam() == RASCS_OpenPort)
            calls << (dlg->m_params.strPhoneNumber.isEmpty() ? QString("own") : dlg->m_params.strPhoneNumber) + "/"
                         + dlg->m_pTriesLeft->text();
        return false;
    }
};

QString Status(CDialingDlg* dlg) { return dlg->m_pStatus->text(); }

// A modal dialog given to the modal seam runs until it ends.
int RunToEnd(fw::CDialog* dlg)
{
    QDeadlineTimer deadline(10000);
    while (!dlg->Result() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return dlg->Result();
}

void StoreNumbers(const QString& entry, const QStringList& numbers, int chain, int delay, int tries)
{
    CPhoneNumberList list;
    list.m_strEntry = entry;
    list.m_numbers = numbers;
    list.m_bChainDial = chain;
    list.m_nDelay = delay;
    list.m_nTries = tries;
    QVERIFY(list.Save());
}

} // namespace

class TestDialing : public QObject
{
    Q_OBJECT
    TestEnv m_env;
    std::unique_ptr<CRasApi> m_api;
    std::unique_ptr<COwner> m_owner;
    QList<unsigned> m_sounds;
    QStringList m_prompts; // user names the password prompt was opened with
    std::function<int(CDialingDlg*)> m_onDialing;
    std::function<int(CPasswordDlg*)> m_onPassword;
    CWatch m_watch;

    // Starts a modeless dial of the entry and returns its dialog.
    CDialingDlg* Dial(const QString& entry)
    {
        if (!m_api->Connect(entry, false, m_owner.get(), false))
            return nullptr;
        auto* dlg = m_owner->findChild<CDialingDlg*>();
        if (dlg)
            dlg->installEventFilter(&m_watch);
        return dlg;
    }

private slots:
    void init()
    {
        rastest::Reset(m_env);
        m_api = std::make_unique<CRasApi>();
        QVERIFY(m_api->Load());
        m_owner = std::make_unique<COwner>();
        m_sounds.clear();
        m_prompts.clear();
        m_watch.calls.clear();
        m_watch.shown = false;
        m_onDialing = RunToEnd;
        m_onPassword = [](CPasswordDlg*) { return fw::IDCANCEL; };
        media::SetSoundPlayer([this](unsigned id) { m_sounds << id; });
        CDialingDlg::SetTimerInterval(3600 * 1000); // ticks are driven by hand
        fw::CDialog::SetModalHandler([this](fw::CDialog* d) {
            if (auto* dlg = qobject_cast<CDialingDlg*>(d)) {
                dlg->installEventFilter(&m_watch);
                return m_onDialing(dlg);
            }
            auto* pwd = qobject_cast<CPasswordDlg*>(d);
            m_prompts << pwd->Item<QLineEdit>(ids::IDC_PWD_USERNAME)->text();
            return m_onPassword(pwd);
        });
    }
    void cleanup()
    {
        fw::CDialog::SetModalHandler({});
        media::SetSoundPlayer({});
        m_owner.reset();
        m_api.reset();
    }

    // The key's exact layout; Save drops numbers no longer listed; Load stops
    // at the first gap and keeps switches that are missing.
    void numberListLayout()
    {
        StoreNumbers("Alpha", {"1", "2", "3"}, 1, -1, 7);
        StoreNumbers("Alpha", {"555 0101", "555 0102"}, 1, -1, 7);
        reg::RegKey key;
        QCOMPARE(key.Open(reg::HKEY_LOCAL_MACHINE, "Software\\Corvane\\Dialtop\\Alpha\\Phone Numbers"), 0L);
        QCOMPARE(key.ValueNames(), QStringList({"PhoneNumber0", "PhoneNumber1", "Chain Dial", "Delay", "Tries"}));
        QByteArray chain;
        reg::DWORD type = 0, delay = 0;
        QVERIFY(key.ReadBinary("Chain Dial", chain, &type));
        QCOMPARE(type, reg::REG_BINARY);
        QCOMPARE(chain, QByteArray("\x01\x00\x00\x00", 4));
        QVERIFY(key.ReadDword("Delay", delay));
        QCOMPARE(delay, reg::DWORD(0xFFFFFFFF));

        key.DeleteValue("PhoneNumber0");
        key.DeleteValue("Tries");
        CPhoneNumberList list;
        list.m_nTries = 3;
        QVERIFY(!list.Load("Alpha")); // nothing at index 0
        QCOMPARE(list.m_nDelay, -1);
        QCOMPARE(list.m_nTries, 3);
        CPhoneNumberList none;
        QVERIFY(!none.Load("Bravo"));
        QCOMPARE(none.m_strEntry, QString("Bravo"));
        // A name that would reach other keys is refused either way.
        none.m_strEntry = "Alpha\\..";
        QVERIFY(!none.Save());
        QVERIFY(!none.Load("Alpha/Phone Numbers"));
        QCOMPARE(key.Open(reg::HKEY_LOCAL_MACHINE, "Software\\Corvane\\Dialtop\\Alpha\\Phone Numbers"), 0L);
    }

    // Redial and chain dial through the simulated modem: which numbers are
    // called, with what tries left, and how the dialog ends.
    void redial_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("stored"); // empty: no key at all
        QTest::addColumn<int>("chain");
        QTest::addColumn<int>("delay");
        QTest::addColumn<int>("tries");
        QTest::addColumn<QString>("ownNumber");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("combo");
        QTest::newRow("no key: one call") << "busy" << QStringList() << 0 << 0 << 0 << "7" << QStringList{"own/0"}
                                          << QStringList{"7"};
        QTest::newRow("tries 2 delay 0") << "busy" << QStringList{"7"} << 0 << 0 << 2 << "7"
                                         << QStringList{"own/2", "own/1", "own/0"} << QStringList{"7"};
        QTest::newRow("delay -1") << "nocarrier" << QStringList{"7"} << 0 << -1 << 5 << "7" << QStringList{"own/5"}
                                  << QStringList{"7"};
        QTest::newRow("chain, own number unlisted")
            << "noanswer" << QStringList{"B", "A"} << 1 << 0 << 4 << "C"
            << QStringList{"own/4", "A/3", "B/2", "C/1", "A/0"} << QStringList{"C", "A", "B"};
        QTest::newRow("chain, own number listed") << "busy" << QStringList{"B", "A"} << 1 << 0 << 3 << "A"
                                                  << QStringList{"own/3", "B/2", "A/1", "B/0"} << QStringList{"A", "B"};
    }
    void redial()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, stored);
        QFETCH(int, chain);
        QFETCH(int, delay);
        QFETCH(int, tries);
        QFETCH(QString, ownNumber);
        rastest::AddEntry("Alpha", line, ownNumber);
        SetEntryDialParams(rastest::Params("Alpha", "u", "p"), false);
        if (!stored.isEmpty())
            StoreNumbers("Alpha", stored, chain, delay, tries);

        QPointer<CDialingDlg> dlg = Dial("Alpha");
        QVERIFY(dlg);
        QVERIFY(dlg->isHidden());
        QCOMPARE(dlg->windowTitle(), res::FormatString(ids::IDS_DIAL_CAPTION, {"Alpha"}));
        QStringList combo;
        for (int i = 0; i < dlg->m_pNumbers->count(); ++i)
            combo << dlg->m_pNumbers->itemText(i);
        QTEST(combo, "combo");
        QTRY_VERIFY(!dlg);
        QTEST(m_watch.calls, "calls");
        // Giving up shows the dialog once, with the sound, before it closes.
        QVERIFY(m_watch.shown);
        QCOMPARE(m_sounds, QList<unsigned>{ids::IDR_WAVE_CONNECTED});
        QCOMPARE(m_api->m_hRasConn, HRASCONN(0));
        QTRY_COMPARE(m_owner->states.count(RASCS_Disconnected), 2 * m_watch.calls.size());
    }

    // A delay of D seconds: D ticks count down, the next one dials. Dial Now
    // dials at once without using a try; a number picked during the
    // countdown is the one the chain dials next.
    void countdownDialNowAndSelection()
    {
        rastest::AddEntry("Alpha", "busy", "A");
        SetEntryDialParams(rastest::Params("Alpha", "u", "p"), false);
        StoreNumbers("Alpha", {"A", "B", "C"}, 1, 2, 2);
        QPointer<CDialingDlg> dlg = Dial("Alpha");
        QTRY_COMPARE(m_owner->states.count(RASCS_Disconnected), 2);
        QCOMPARE(dlg->m_nCountdown, 2);
        QVERIFY(dlg->isHidden());
        dlg->OnTimer();
        QCOMPARE(Status(dlg), res::FormatString(ids::IDS_DIAL_NEXT_NUMBER_IN, {1}));
        dlg->m_pNumbers->activated(2); // the user picks C
        dlg->OnTimer();
        QCOMPARE(Status(dlg), res::FormatString(ids::IDS_DIAL_NEXT_NUMBER_IN, {0}));
        QCOMPARE(m_watch.calls.size(), 1);
        dlg->OnTimer();
        QTRY_COMPARE(m_owner->states.count(RASCS_Disconnected), 4);
        QCOMPARE(m_watch.calls, QStringList({"own/2", "C/1"}));
        dlg->OnDialNow();
        QTRY_COMPARE(m_watch.calls, QStringList({"own/2", "C/1", "A/0"}));
        QTRY_VERIFY(!dlg);
    }

    // A hard error shows the service's text and waits; Dial Now tries again,
    // Cancel ends it. The owner sees every state.
    void hardErrorWaits()
    {
        rastest::AddEntry("Alpha", "nodialtone");
        SetEntryDialParams(rastest::Params("Alpha", "u", "p"), false);
        QPointer<CDialingDlg> dlg = Dial("Alpha");
        QTRY_COMPARE(Status(dlg), GetErrorString(ERROR_NO_DIALTONE));
        QVERIFY(dlg->isVisible());
        QVERIFY(!dlg->m_pAnimate->IsPlaying());
        QTRY_COMPARE(m_owner->states, QList<unsigned>({RASCS_OpenPort, RASCS_PortOpened, RASCS_ConnectDevice,
                                                   RASCS_Disconnected, RASCS_Disconnected}));
        dlg->OnDialNow();
        QTRY_COMPARE(m_watch.calls.size(), 2);
        QTRY_COMPARE(Status(dlg), GetErrorString(ERROR_NO_DIALTONE));
        QCOMPARE(m_sounds.size(), 2);
        dlg->OnCancel();
        QTRY_VERIFY(!dlg);
        QVERIFY(m_owner->findChild<CDialingDlg*>() == nullptr);
    }

    // Modal: connected is IDOK, with the sound, the animation stopped and the
    // connection kept; a call that cannot start shows why at once.
    void modalConnectAndRefusal()
    {
        rastest::AddEntry("Alpha", "connect 33600");
        SetEntryDialParams(rastest::Params("Alpha", "u", "p"), false);
        bool animated = false;
        m_onDialing = [&](CDialingDlg* d) {
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, [&] { animated |= d->m_pAnimate->IsPlaying(); });
            poll.start(1);
            return RunToEnd(d);
        };
        QVERIFY(m_api->Connect("Alpha", true, m_owner.get(), true));
        QVERIFY(animated);
        QVERIFY(m_api->IsConnected());
        QCOMPARE(m_sounds, QList<unsigned>{ids::IDR_WAVE_CONNECTED});
        QTRY_COMPARE(m_owner->states.count(RASCS_Connected), 2);
        m_api->m_bPlaySound = false;
        m_owner->states.clear();
        // An entry that is gone: the dialog says so instead of waiting hidden.
        QString status;
        m_onDialing = [&](CDialingDlg* d) {
            status = Status(d);
            d->OnCancel();
            return d->Result();
        };
        m_onPassword = [](CPasswordDlg*) { return fw::IDOK; };
        QVERIFY(!m_api->Connect("Nobody", false, m_owner.get(), true));
        QCOMPARE(status, GetErrorString(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY));
        QCOMPARE(m_sounds.size(), 1);
        QVERIFY(!m_api->IsConnected()); // the dial hung up the old connection
    }

    // No saved password: the prompt comes with the stored user name; Cancel
    // dials nothing; OK dials with what was typed, and saves it when asked.
    void passwordPrompt_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("save");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("secondPrompts");
        QTest::newRow("cancel") << int(fw::IDCANCEL) << true << false << "unsaved bob/" << 2;
        QTest::newRow("ok") << int(fw::IDOK) << false << true << "unsaved bob/" << 2;
        QTest::newRow("ok, save") << int(fw::IDOK) << true << true << "saved ann/secret" << 1;
    }
    void passwordPrompt()
    {
        QFETCH(int, answer);
        QFETCH(bool, save);
        rastest::AddEntry("Alpha", "connect");
        SetEntryDialParams(rastest::Params("Alpha", "bob", ""), true);
        bool hidden = false;
        m_onPassword = [&](CPasswordDlg* d) {
            hidden = d->Item<QLineEdit>(ids::IDC_PWD_PASSWORD)->echoMode() == QLineEdit::Password;
            d->Item<QLineEdit>(ids::IDC_PWD_USERNAME)->setText("ann");
            d->Item<QLineEdit>(ids::IDC_PWD_PASSWORD)->setText("secret");
            d->Item<QCheckBox>(ids::IDC_PWD_SAVE)->setChecked(save);
            if (answer == fw::IDOK)
                d->Item<QPushButton>(1)->click();
            return answer;
        };
        QTEST(m_api->Connect("Alpha", true, m_owner.get(), true), "connected");
        QCOMPARE(m_prompts, QStringList{"bob"});
        QVERIFY(hidden);
        QCOMPARE(m_watch.calls.size(), answer == fw::IDOK ? 1 : 0);
        QTEST(rastest::Creds("Alpha"), "stored");
        m_api->HangUp();
        m_api->Connect("Alpha", true, m_owner.get(), true);
        QTEST(int(m_prompts.size()), "secondPrompts");
    }

    // An item that dials first: dials the default provider modally and starts
    // only when that connects; without a default provider it says so and
    // starts; with a connection up it starts at once.
    void dialFirst_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("haveDefault");
        QTest::addColumn<int>("calls");
        QTest::addColumn<bool>("started");
        QTest::newRow("connects") << "connect" << false << true << 1 << true;
        QTest::newRow("busy, gives up") << "busy" << false << true << 1 << false;
        QTest::newRow("cancelled") << "connect" << true << true << 0 << false;
        QTest::newRow("no default provider") << "connect" << false << false << 0 << true;
    }
    void dialFirst()
    {
        QFETCH(QString, line);
        QFETCH(bool, cancel);
        QFETCH(bool, haveDefault);
        if (haveDefault)
            rastest::AddEntry("Alpha", line);
        SetEntryDialParams(rastest::Params("Alpha", "u", "p"), false);
        QList<fw::MessageRequest> boxes;
        fw::SetMessageHandler([&](const fw::MessageRequest& r) {
            boxes << r;
            return fw::IDOK;
        });
        int starts = 0;
        shell::SetProcessStarter([&](const shell::ProcessRequest&, QString*) { return ++starts > 0; });
        if (cancel)
            m_onDialing = [](CDialingDlg* d) {
                d->OnCancel();
                return d->Result();
            };
        InstallDialFirstHooks(m_api.get());
        CThemeItem item;
        item.m_strTarget = "/bin/true";
        item.m_bDialFirst = 1;
        QTEST(item.Launch(), "started");
        QTEST(int(m_watch.calls.size()), "calls");
        QTEST(starts == 1, "started");
        QCOMPARE(boxes.size(), haveDefault ? 0 : 1);
        if (!haveDefault)
            QCOMPARE(boxes[0].text, res::LoadString(ids::IDS_NO_DEFAULT_PROVIDER));
        // Once connected, the next launch does not dial.
        if (m_api->IsConnected()) {
            QVERIFY(item.Launch());
            QCOMPARE(m_watch.calls.size(), 1);
        }
        InstallDialFirstHooks(nullptr);
        shell::SetProcessStarter({});
        fw::SetMessageHandler({});
    }

    // The hang-up pause keeps the event loop running (painting, timers) and
    // a second hang-up during it does not pause again.
    void hangUpPauseKeepsRunning()
    {
        rastest::AddEntry("Alpha", "connect");
        SetEntryDialParams(rastest::Params("Alpha", "u", "p"), false);
        QVERIFY(m_api->Connect("Alpha", false, nullptr, true));
        SetHangUpPauseOverride(300);
        int ticks = 0;
        bool nested = true;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            if (++ticks == 1)
                nested = m_api->HangUp();
        });
        tick.start(20);
        QVERIFY(m_api->HangUp());
        QVERIFY(ticks >= 5);
        QVERIFY(!nested);
        QCOMPARE(m_api->m_hRasConn, HRASCONN(0));
        SetHangUpPauseOverride(0);
    }
};

QTEST_MAIN(TestDialing)
#include "tst_dialing.moc"
