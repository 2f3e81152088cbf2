// Dialing through the simulated modem: the stored numbers and their registry
// layout, the "Connecting..." dialog's redial, chain dial and countdown, the
// password prompt on the way in, and items that dial first.

#include "RasTestUtil.h"
#include "frame/DialFirst.h"
#include "dialup/DialingDlg.h"
#include "dialup/PasswordDlg.h"
#include "dialup/PhoneNumberList.h"
#include "dialup/RasApi.h"
#include "dialup/RasMessages.h"
#include "framework/MessageBox.h"
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

using namespace ras;

namespace {

// The main window stand-in: records the progress forwarded to it and, as a
// filter on the dialog, each call as "number/tries left" ("own" for the
// entry's own number) and whether the dialog was ever shown.
class COwner : public QWidget
{
public:
    QList<unsigned> states;
    QStringList calls;
    bool shown = false;
    bool animated = false; // the animation ran while a call was under way
    bool eventFilter(QObject* o, QEvent* e) override
    {
        auto* dlg = qobject_cast<CDialingDlg*>(o); // null while it is being destroyed
        const bool dial = dlg && e->type() == RasDialEventType();
        shown |= dlg && e->type() == QEvent::Show;
        animated |= dial && dlg->m_pAnimate->IsPlaying();
        if (dial && static_cast<CRasMessageEvent*>(e)->wParam() == RASCS_OpenPort)
            calls << (dlg->m_params.strPhoneNumber.isEmpty() ? QString("own") : dlg->m_params.strPhoneNumber) + "/"
                         + dlg->m_pTriesLeft->text();
        return false;
    }
    bool event(QEvent* e) override
    {
        if (e->type() == RasDialEventType())
            return states << unsigned(static_cast<CRasMessageEvent*>(e)->wParam()), true;
        return QWidget::event(e);
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
    std::tie(list.m_strEntry, list.m_numbers, list.m_bChainDial, list.m_nDelay, list.m_nTries) =
        std::tuple(entry, numbers, chain, delay, tries);
    QVERIFY(list.Save());
}

// A provider whose password is saved, so no prompt comes.
void AddProvider(const QString& line, const QString& number = QStringLiteral("555 0100"))
{
    rastest::AddEntry("Alpha", line, number);
    SetEntryDialParams(rastest::Params("Alpha", "u", "p"), false);
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

    // Starts a modeless dial of the entry and returns its dialog.
    CDialingDlg* Dial(const QString& entry)
    {
        if (!m_api->Connect(entry, false, m_owner.get(), false))
            return nullptr;
        auto* dlg = m_owner->findChild<CDialingDlg*>();
        dlg->installEventFilter(m_owner.get());
        return dlg;
    }

private slots:
    void init()
    {
        rastest::Reset(m_env);
        m_api = std::make_unique<CRasApi>();
        QVERIFY(m_api->Load());
        m_owner = std::make_unique<COwner>();
        m_sounds.clear(), m_prompts.clear();
        m_onDialing = RunToEnd;
        m_onPassword = [](CPasswordDlg*) { return fw::IDCANCEL; };
        media::SetSoundPlayer([this](unsigned id) { m_sounds << id; });
        CDialingDlg::SetTimerInterval(3600 * 1000); // ticks are driven by hand
        fw::CDialog::SetModalHandler([this](fw::CDialog* d) {
            if (auto* dlg = qobject_cast<CDialingDlg*>(d)) {
                dlg->installEventFilter(m_owner.get());
                return m_onDialing(dlg);
            }
            auto* pwd = qobject_cast<CPasswordDlg*>(d);
            m_prompts << pwd->Item<QLineEdit>(ids::IDC_PWD_USERNAME)->text();
            return m_onPassword(pwd);
        });
    }
    void cleanup()
    {
        InstallDialFirstHooks(nullptr), shell::SetProcessStarter({}), fw::SetMessageHandler({});
        fw::CDialog::SetModalHandler({}), media::SetSoundPlayer({});
        m_owner.reset(), m_api.reset();
    }

    // The key's exact layout; Save drops numbers no longer listed; Load stops
    // at the first gap and keeps switches that are missing.
    void numberListLayout()
    {
        StoreNumbers("Alpha", {"1", "2", "3"}, 1, -1, 7);
        StoreNumbers("Alpha", {"555 0101", "555 0102"}, 1, -1, 7);
        reg::RegKey key;
        QByteArray chain;
        reg::DWORD type = 0, delay = 0;
        QCOMPARE(key.Open(reg::HKEY_LOCAL_MACHINE, "Software\\Corvane\\Dialtop\\Alpha\\Phone Numbers"), 0L);
        QCOMPARE(key.ValueNames(), QStringList({"PhoneNumber0", "PhoneNumber1", "Chain Dial", "Delay", "Tries"}));
        QVERIFY(key.ReadBinary("Chain Dial", chain, &type) && key.ReadDword("Delay", delay));
        QCOMPARE(QString("%1 %2 %3").arg(type).arg(QString(chain.toHex())).arg(delay),
                 QString("%1 01000000 4294967295").arg(reg::REG_BINARY));
        key.DeleteValue("PhoneNumber0"), key.DeleteValue("Tries");
        CPhoneNumberList list;
        list.m_nTries = 3;
        QVERIFY(!list.Load("Alpha") && list.m_nDelay == -1 && list.m_nTries == 3); // nothing at index 0
        // No key, or a name that would reach other keys: nothing read or written.
        QVERIFY(!list.Load("Bravo") && !list.Load("Alpha/Phone Numbers"));
        list.m_strEntry = "Alpha\\..";
        QVERIFY(!list.Save() && key.ValueNames().size() == 3);
    }

    // Redial and chain dial through the simulated modem: which numbers are
    // called, with what tries left, and how the dialog ends.
    void redial_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("own");
        QTest::addColumn<QStringList>("stored"); // empty: no key at all
        QTest::addColumn<QList<int>>("chainDelayTries");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("combo");
        QTest::newRow("no key: one call") << "busy" << "7" << QStringList() << QList<int>() << QStringList{"own/0"}
                                          << QStringList{"7"};
        QTest::newRow("tries 2 delay 0") << "busy" << "7" << QStringList{"7"} << QList<int>{0, 0, 2}
                                         << QStringList{"own/2", "own/1", "own/0"} << QStringList{"7"};
        QTest::newRow("delay -1") << "nocarrier" << "7" << QStringList{"7"} << QList<int>{0, -1, 5}
                                  << QStringList{"own/5"} << QStringList{"7"};
        QTest::newRow("chain, own number unlisted") << "noanswer" << "C" << QStringList{"B", "A"} << QList<int>{1, 0, 4}
            << QStringList{"own/4", "A/3", "B/2", "C/1", "A/0"} << QStringList{"C", "A", "B"};
        QTest::newRow("chain, own number listed") << "busy" << "A" << QStringList{"B", "A"} << QList<int>{1, 0, 3}
                                                  << QStringList{"own/3", "B/2", "A/1", "B/0"} << QStringList{"A", "B"};
    }
    void redial()
    {
        QFETCH(QStringList, stored);
        QFETCH(QList<int>, chainDelayTries);
        AddProvider(Fetch<QString>("line"), Fetch<QString>("own"));
        if (!stored.isEmpty())
            StoreNumbers("Alpha", stored, chainDelayTries[0], chainDelayTries[1], chainDelayTries[2]);

        QPointer<CDialingDlg> dlg = Dial("Alpha");
        QVERIFY(dlg->isHidden());
        QStringList combo;
        for (int i = 0; i < dlg->m_pNumbers->count(); ++i)
            combo << dlg->m_pNumbers->itemText(i);
        QTEST(combo, "combo");
        QTRY_VERIFY(!dlg);
        QTEST(m_owner->calls, "calls");
        // Giving up shows the dialog once, with the sound, before it closes.
        QVERIFY(m_owner->shown && m_api->m_hRasConn == 0);
        QCOMPARE(m_sounds, QList<unsigned>{ids::IDR_WAVE_CONNECTED});
        QTRY_COMPARE(m_owner->states.count(RASCS_Disconnected), 2 * m_owner->calls.size());
    }

    // A delay of D seconds: D ticks count down, the next one dials. Dial Now
    // dials at once without using a try; a number picked during the
    // countdown is the one the chain dials next.
    void countdownDialNowAndSelection()
    {
        AddProvider("busy", "A");
        StoreNumbers("Alpha", {"A", "B", "C"}, 1, 2, 2);
        QPointer<CDialingDlg> dlg = Dial("Alpha");
        QTRY_COMPARE(m_owner->states.count(RASCS_Disconnected), 2);
        QVERIFY(m_owner->animated && !dlg->m_pAnimate->IsPlaying() && dlg->m_nCountdown == 2 && dlg->isHidden());
        dlg->OnTimer();
        QCOMPARE(Status(dlg), res::FormatString(ids::IDS_DIAL_NEXT_NUMBER_IN, {1}));
        dlg->m_pNumbers->activated(2); // the user picks C
        dlg->OnTimer();
        QVERIFY(Status(dlg) == res::FormatString(ids::IDS_DIAL_NEXT_NUMBER_IN, {0}) && m_owner->calls.size() == 1);
        dlg->OnTimer();
        QTRY_COMPARE(m_owner->states.count(RASCS_Disconnected), 4);
        QCOMPARE(m_owner->calls, QStringList({"own/2", "C/1"}));
        dlg->OnDialNow();
        QTRY_COMPARE(m_owner->calls, QStringList({"own/2", "C/1", "A/0"}));
        QTRY_VERIFY(!dlg);
    }

    // A hard error shows the service's text and waits; Dial Now tries again,
    // Cancel ends it. The owner sees the states too (their order is the
    // service's test).
    void hardErrorWaits()
    {
        AddProvider("nodialtone");
        QPointer<CDialingDlg> dlg = Dial("Alpha");
        QTRY_VERIFY(Status(dlg) == GetErrorString(ERROR_NO_DIALTONE) && dlg->isVisible());
        QTRY_COMPARE(m_owner->states.size(), 5);
        dlg->OnDialNow();
        QTRY_COMPARE(m_owner->calls.size(), 2);
        QTRY_VERIFY(Status(dlg) == GetErrorString(ERROR_NO_DIALTONE) && m_sounds.size() == 2);
        dlg->OnCancel();
        QTRY_VERIFY(!dlg);
    }

    // Modal: connected is IDOK, with the sound and the connection kept; a
    // call that cannot start shows why at once.
    void modalConnectAndRefusal()
    {
        AddProvider("connect 33600");
        QVERIFY(m_api->Connect("Alpha", true, m_owner.get(), true) && m_api->IsConnected());
        QCOMPARE(m_sounds, QList<unsigned>{ids::IDR_WAVE_CONNECTED});
        QTRY_COMPARE(m_owner->states.count(RASCS_Connected), 2);
        m_api->m_bPlaySound = false;
        QString status; // an entry that is gone: the dialog says so instead of waiting hidden
        m_onDialing = [&](CDialingDlg* d) { return status = Status(d), d->OnCancel(), d->Result(); };
        m_onPassword = [](CPasswordDlg*) { return fw::IDOK; };
        QVERIFY(!m_api->Connect("Nobody", false, m_owner.get(), true));
        QVERIFY(status == GetErrorString(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY) && m_sounds.size() == 1);
        QVERIFY(!m_api->IsConnected()); // the dial hung up the old connection
    }

    // No saved password: the prompt comes with the stored user name; Cancel
    // dials nothing; OK dials with what was typed, and saves it when asked.
    void passwordPrompt_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("stored");
        QTest::newRow("cancel") << int(fw::IDCANCEL) << true << "unsaved bob/";
        QTest::newRow("ok") << int(fw::IDOK) << false << "unsaved bob/";
        QTest::newRow("ok, save") << int(fw::IDOK) << true << "saved ann/secret";
    }
    void passwordPrompt()
    {
        QFETCH(int, answer);
        QFETCH(bool, save);
        rastest::AddEntry("Alpha", "connect"); // a user name stored, no password
        SetEntryDialParams(rastest::Params("Alpha", "bob", ""), true);
        m_onPassword = [&](CPasswordDlg* d) {
            d->Item<QLineEdit>(ids::IDC_PWD_USERNAME)->setText("ann");
            d->Item<QLineEdit>(ids::IDC_PWD_PASSWORD)->setText("secret");
            d->Item<QCheckBox>(ids::IDC_PWD_SAVE)->setChecked(save);
            if (answer == fw::IDOK)
                d->Item<QPushButton>(1)->click();
            return answer;
        };
        QCOMPARE(m_api->Connect("Alpha", true, m_owner.get(), true), answer == fw::IDOK);
        QVERIFY(m_prompts == QStringList{"bob"} && m_owner->calls.size() == (answer == fw::IDOK ? 1 : 0));
        QTEST(rastest::Creds("Alpha"), "stored");
        m_api->HangUp(), m_api->Connect("Alpha", true, m_owner.get(), true);
        QCOMPARE(m_prompts.size(), save && answer == fw::IDOK ? 1 : 2);
    }

    // An item that dials first: dials the default provider modally and starts
    // only when that connects; without a default provider it says so and
    // starts; with a connection up it starts at once.
    void dialFirst_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("haveDefault");
        QTest::addColumn<int>("calls");
        QTest::addColumn<bool>("started");
        QTest::newRow("connects") << false << true << 1 << true;
        QTest::newRow("busy, gives up") << false << true << 1 << false; // the tag picks the line
        QTest::newRow("cancelled") << true << true << 0 << false;
        QTest::newRow("no default provider") << false << false << 0 << true;
    }
    void dialFirst()
    {
        QFETCH(bool, haveDefault);
        if (haveDefault)
            AddProvider(QTest::currentDataTag()[0] == 'b' ? "busy" : "connect"); // a line that fails for "busy"
        QStringList boxes;
        fw::SetMessageHandler([&](const fw::MessageRequest& r) { return boxes << r.text, fw::IDOK; });
        int starts = 0;
        shell::SetProcessStarter([&](const shell::ProcessRequest&, QString*) { return ++starts > 0; });
        if (Fetch<bool>("cancel"))
            m_onDialing = [](CDialingDlg* d) { return d->OnCancel(), d->Result(); };
        InstallDialFirstHooks(m_api.get());
        CThemeItem item;
        std::tie(item.m_strTarget, item.m_bDialFirst) = std::tuple("/bin/true", 1);
        QTEST(item.Launch() && starts == 1, "started");
        QTEST(int(m_owner->calls.size()), "calls");
        QCOMPARE(boxes, haveDefault ? QStringList() : QStringList{res::LoadString(ids::IDS_NO_DEFAULT_PROVIDER)});
        // Once connected, the next launch does not dial.
        if (m_api->IsConnected())
            QVERIFY(item.Launch() && m_owner->calls.size() == 1);
    }

    // The hang-up pause keeps the event loop running (painting, timers) and
    // a second hang-up during it does not pause again.
    void hangUpPauseKeepsRunning()
    {
        AddProvider("connect");
        QVERIFY(m_api->Connect("Alpha", false, nullptr, true));
        SetHangUpPauseOverride(300);
        int ticks = 0;
        bool nested = true; // what the second hang-up returned
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] { nested = ++ticks == 1 ? m_api->HangUp() : nested; });
        tick.start(20);
        QVERIFY(m_api->HangUp() && ticks >= 5 && !nested && m_api->m_hRasConn == 0);
        SetHangUpPauseOverride(0);
    }
};

QTEST_MAIN(TestDialing)
#include "tst_dialing.moc"
