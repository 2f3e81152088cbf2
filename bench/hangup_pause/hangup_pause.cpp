// hangup_pause [pause ms]: dials the simulated modem in a scratch
// configuration, then hangs up with the pause (3000 ms by default) while a
// window animates at 60 frames a second, and reports how long the hang-up
// took and the longest time the window went without a repaint (target:
// below 100 ms).

#include "dialup/RasApi.h"
#include "platform/ras/Credentials.h"
#include "platform/ras/Phonebook.h"
#include "platform/ras/ServiceSettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>

namespace {

class CFrameClock : public QWidget
{
public:
    QElapsedTimer clock;
    qint64 nLast = -1;
    qint64 nLongest = 0;
    int nFrames = 0;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).fillRect(rect(), QColor::fromHsv((nFrames++ * 7) % 360, 180, 220));
        if (!clock.isValid())
            return;
        const qint64 now = clock.elapsed();
        if (nLast >= 0)
            nLongest = std::max(nLongest, now - nLast);
        nLast = now;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir scratch;
    qputenv("DIALTOP_CONFIG_DIR", scratch.filePath("config").toUtf8());
    qputenv("XDG_RUNTIME_DIR", scratch.filePath("runtime").toUtf8());
    QApplication app(argc, argv);
    const int pauseMs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 3000;
    ras::SetTimeScaleOverride(0.01);
    ras::SetHangUpPauseOverride(pauseMs);

    ras::RasEntry entry;
    entry.strLocalPhoneNumber = QStringLiteral("555 0100");
    ras::RasDialParams params;
    params.strEntryName = QStringLiteral("Bench");
    params.strPassword = QStringLiteral("x");
    CRasApi& ras = CRasApi::Instance();
    if (ras::CreateEntry(params.strEntryName, entry) || ras::SetEntryDialParams(params, false) || !ras.Load()) {
        std::fprintf(stderr, "hangup_pause: the service cannot be used\n");
        return 1;
    }

    CFrameClock window;
    window.resize(160, 120);
    window.show();
    QTimer frames;
    QObject::connect(&frames, &QTimer::timeout, &window, [&] { window.update(); });
    frames.start(16);

    int rc = 0;
    QTimer::singleShot(200, &app, [&] {
        if (!ras.Connect(params.strEntryName, false, nullptr, true)) {
            std::fprintf(stderr, "hangup_pause: the call did not connect\n");
            rc = 1;
            app.quit();
            return;
        }
        window.clock.start();
        window.nFrames = 0;
        QElapsedTimer took;
        took.start();
        ras.HangUp();
        std::printf("hang-up: %lld ms, %d repaints, longest without a repaint: %lld ms (target < 100)\n",
                    static_cast<long long>(took.elapsed()), window.nFrames, static_cast<long long>(window.nLongest));
        rc = window.nLongest < 100 ? 0 : 2;
        app.quit();
    });
    app.exec();
    return rc;
}
