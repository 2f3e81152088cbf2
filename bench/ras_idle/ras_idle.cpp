// ras_idle [seconds]: loads CRasApi in a scratch configuration and reports
//  - the CPU the process uses while idle, with no connection and with a
//    simulated connection up (target: below 0.5% of one core);
//  - how long the watcher takes to leave after the stop flag (target: 50 ms);
//  - how long a notice takes to reach the top-level widgets.

#include "dialup/RasApi.h"
#include "dialup/RasMessages.h"
#include "platform/ras/Notices.h"
#include "platform/ras/RasService.h"
#include "platform/ras/ServiceSettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

double CpuSeconds()
{
    rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

double IdlePercent(int seconds)
{
    QElapsedTimer wall;
    const double cpu0 = CpuSeconds();
    wall.start();
    QTimer::singleShot(seconds * 1000, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    return 100.0 * (CpuSeconds() - cpu0) / (wall.nsecsElapsed() / 1e9);
}

class CCounter : public QWidget
{
public:
    QElapsedTimer since;
    qint64 lastNs = -1;

protected:
    bool event(QEvent* e) override
    {
        if (int(e->type()) == RasDropLineEventType()) {
            lastNs = since.nsecsElapsed();
            return true;
        }
        return QWidget::event(e);
    }
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    qputenv("DIALTOP_CONFIG_DIR", scratch.filePath("config").toUtf8());
    qputenv("XDG_RUNTIME_DIR", scratch.filePath("runtime").toUtf8());
    ras::MakePrivateFolder(scratch.filePath("runtime"));
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 10;

    ras::SetTimeScaleOverride(0.001);
    ras::SetHangUpPauseOverride(0);
    ras::RasEntry entry;
    entry.strLocalPhoneNumber = "555 0100";
    ras::CreateEntry("Bench", entry);
    CCounter widget;

    CRasApi& api = CRasApi::Instance();
    if (!api.Load()) {
        std::fprintf(stderr, "CRasApi::Load failed: %u\n", api.m_dwLastError);
        return 1;
    }
    std::printf("idle, no connection:      %.3f%% of one core over %d s\n", IdlePercent(seconds), seconds);

    ras::RasDialParams params;
    params.strEntryName = "Bench";
    api.Dial(&params, CRasApi::kNotifyObject, nullptr);
    QElapsedTimer wait;
    wait.start();
    while (!api.IsConnected() && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::printf("idle, connection up:      %.3f%% of one core over %d s\n", IdlePercent(seconds), seconds);

    // Notice to widget: raised on this thread, seen by the watcher, posted back.
    QList<double> reach;
    for (int i = 0; i < 50; ++i) {
        ras::Notice n;
        n.kind = ras::Notice::Reestablish;
        n.strTitle = ras::kReestablishTitle;
        n.strEntryName = "Bench";
        widget.lastNs = -1;
        widget.since.start();
        ras::RaiseNotice(n);
        while (widget.lastNs < 0 && widget.since.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        reach.append(widget.lastNs / 1e6);
    }
    std::sort(reach.begin(), reach.end());
    std::printf("notice to widgets:        median %.2f ms, max %.2f ms (50 notices)\n", reach[reach.size() / 2],
                reach.last());
    api.HangUp();

    // Stop latency: flag and wake to the thread's end, as the destructor does.
    QList<double> stops;
    for (int i = 0; i < 50; ++i) {
        auto* p = new CRasApi;
        p->Load();
        QThread::msleep(5);
        QElapsedTimer t;
        t.start();
        delete p; // sets the flag, wakes and waits
        stops.append(t.nsecsElapsed() / 1e6);
    }
    std::sort(stops.begin(), stops.end());
    std::printf("watcher stop:             median %.3f ms, max %.3f ms (50 runs)\n", stops[stops.size() / 2],
                stops.last());
    return 0;
}
