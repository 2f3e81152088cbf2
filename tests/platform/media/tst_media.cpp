// The embedded animation and sound: frames play in order, repeat and stop;
// the sound is a playable WAVE and, without an audio output, plays silently.

#include "platform/media/AnimateCtrl.h"
#include "platform/media/Sound.h"
#include "res/ResourceIds.h"

#include <QFile>
#include <QtEndian>
#include <QtTest>

namespace {
QStringList s_messages;
void Record(QtMsgType, const QMessageLogContext&, const QString& text) { s_messages << text; }
} // namespace

class TestMedia : public QObject
{
    Q_OBJECT
private slots:
    void animationPlaysRepeatsAndStops()
    {
        media::CAnimateCtrl anim;
        QVERIFY(!anim.Open(9999));
        QVERIFY(!anim.Play());
        QVERIFY(anim.Open(ids::IDR_AVI_DIALING));
        const int n = anim.FrameCount();
        QVERIFY(n >= 8);
        // Twice through frames 2..4, then it stops on the last one.
        QVERIFY(anim.Play(2, 4, 2));
        QList<int> seen{anim.CurrentFrame()};
        for (int i = 0; i < 6 && anim.IsPlaying(); ++i) {
            anim.Step();
            seen << anim.CurrentFrame();
        }
        QCOMPARE(seen, QList<int>({2, 3, 4, 2, 3, 4, 4}));
        QVERIFY(!anim.IsPlaying());
        // Without end: past the last frame comes the first, until stopped.
        QVERIFY(anim.Play());
        for (int i = 0; i < n; ++i)
            anim.Step();
        QCOMPARE(anim.CurrentFrame(), 0);
        QVERIFY(anim.IsPlaying());
        QTRY_VERIFY(anim.CurrentFrame() != 0); // the control's own clock
        anim.Stop();
        const int stopped = anim.CurrentFrame();
        QTest::qWait(3 * media::CAnimateCtrl::kFrameMs);
        QCOMPARE(anim.CurrentFrame(), stopped);
    }

    void soundIsAWave()
    {
        QFile f(media::SoundResourcePath(ids::IDR_WAVE_CONNECTED));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray b = f.readAll();
        QVERIFY(b.startsWith("RIFF") && b.mid(8, 8) == "WAVEfmt ");
        QCOMPARE(qFromLittleEndian<quint32>(b.constData() + 4), quint32(b.size() - 8));
        QCOMPARE(qFromLittleEndian<quint16>(b.constData() + 20), quint16(1)); // PCM
        const quint32 rate = qFromLittleEndian<quint32>(b.constData() + 24);
        const quint32 data = qFromLittleEndian<quint32>(b.constData() + 40);
        QCOMPARE(int(data), b.size() - 44);
        const double seconds = data / 2.0 / rate;
        QVERIFY(seconds > 0.1 && seconds < 1.0); // a chime, not a tune
    }

    // The seam hears every request; the real player starts nothing on a
    // machine without audio, and says nothing about it.
    void soundPlayers()
    {
        QList<unsigned> heard;
        media::SetSoundPlayer([&](unsigned id) { heard << id; });
        QVERIFY(media::PlaySoundResource(ids::IDR_WAVE_CONNECTED));
        QVERIFY(!media::PlaySoundResource(9999));
        QCOMPARE(heard, QList<unsigned>{ids::IDR_WAVE_CONNECTED});
        media::SetSoundPlayer({});

        qputenv("PULSE_SERVER", "unix:/nonexistent");
        s_messages.clear();
        QtMessageHandler previous = qInstallMessageHandler(Record);
        QVERIFY(media::PlaySoundResource(ids::IDR_WAVE_CONNECTED));
        QTest::qWait(300);
        qInstallMessageHandler(previous);
        QCOMPARE(s_messages, QStringList());
    }
};

QTEST_MAIN(TestMedia)
#include "tst_media.moc"
