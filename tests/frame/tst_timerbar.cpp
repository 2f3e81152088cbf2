// The timer bar: its panes for the totals the user chose, the times they
// show, how a time pane looks, and the choices Customize stored.

#include "TestEnv.h"
#include "frame/TimeTotals.h"
#include "frame/TimerBar.h"
#include "platform/registry/Registry.h"
#include "settings/Settings.h"

#include <QImage>
#include <QtTest>

Q_DECLARE_METATYPE(TimerBarFlags)

class tst_TimerBar : public QObject
{
    Q_OBJECT

private slots:
    void panes_data()
    {
        QTest::addColumn<TimerBarFlags>("flags");
        QTest::addColumn<QStringList>("panes");
        QTest::newRow("all five") << TimerBarFlags()
                                  << QStringList{"Not Connected.", "Year: ", "0002:00:05", "Month: ", "01:00:04",
                                                 "Week: ", "00:01:03", "Today: ", "00:00:02", "Session: ",
                                                 "00:00:01"};
        QTest::newRow("today and session") << TimerBarFlags{false, false, false, true, true}
                                           << QStringList{"Not Connected.", "Today: ", "00:00:02", "Session: ",
                                                          "00:00:01"};
        QTest::newRow("none") << TimerBarFlags{false, false, false, false, false} << QStringList{"Not Connected."};
    }
    void panes()
    {
        QFETCH(TimerBarFlags, flags);
        CTimerBar bar;
        bar.LayoutTimerBar(TimerBarFlags()); // laid out again after Customize
        bar.SetPaneText(0, "Acme Net");
        bar.LayoutTimerBar(flags);
        TimeTotals t;
        t.session = 1;
        t.day = 2;
        t.week = 63;
        t.month = 3604;
        t.year = 7205;
        bar.ShowConnectTimes(t);
        QStringList texts;
        for (int i = 0; i < bar.GetCount(); ++i)
            texts << bar.GetPaneText(i);
        QFETCH(QStringList, panes);
        QCOMPARE(texts, panes);
    }

    void timePaneLooks()
    {
        CTimePane pane;
        pane.resize(120, 24);
        pane.SetText("00:00:01");
        const QImage image = pane.grab().toImage();
        const QRect inside = pane.contentsRect();
        QCOMPARE(image.pixelColor(inside.topLeft() + QPoint(1, 1)), QColor(Qt::black));
        int left = image.width(), right = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) == QColor(0, 255, 0)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        QVERIFY2(right > left, "no pure green text");
        // Centred: the margins either side differ by a pixel or two at most.
        QVERIFY(qAbs((left - inside.left()) - (inside.right() - right)) <= 3);
    }

    void storedChoices()
    {
        TestEnv env;
        reg::ResetStore();
        const unsigned char off[4] = {0, 0, 0, 0};
        const unsigned char on[4] = {1, 0, 0, 0};
        WriteSettingValue("ConnectTimes", "Week", reg::REG_BINARY, off, 4);
        WriteSettingValue("ConnectTimes", "Year", reg::REG_BINARY, off, 4);
        WriteSettingValue("ConnectTimes", "Today", reg::REG_BINARY, on, 4);
        TimerBarFlags flags;
        flags.m_bShowToday = false;
        ReadTimerBarFlags(flags);
        QCOMPARE((QList<bool>{flags.m_bShowYear, flags.m_bShowMonth, flags.m_bShowWeek, flags.m_bShowToday,
                              flags.m_bShowSession}),
                 (QList<bool>{false, true, false, true, true}));
        reg::ResetStore();
    }
};

QTEST_MAIN(tst_TimerBar)
#include "tst_timerbar.moc"
