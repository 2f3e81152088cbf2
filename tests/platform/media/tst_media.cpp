// The embedded animation and sound: frames play in order, repeat and stop;
// without an audio output the sound plays silently.

#include "platform/media/AnimateCtrl.h"
#include "platform/media/Sound.h"
#include "res/ResourceIds.h"

#include <QtTest>

class TestMedia : public QObject
{
    Q_OBJECT
private slots:
    void animation()
    {
        media::CAnimateCtrl anim;
        QVERIFY(!anim.Open(9999) && !anim.Play());
        QVERIFY(anim.Open(ids::IDR_AVI_DIALING) && anim.FrameCount() >= 8);
        // Twice through frames 2..4, then it stops on the last one.
        QVERIFY(anim.Play(2, 4, 2));
        QList<int> seen{anim.CurrentFrame()};
        for (int i = 0; i < 6 && anim.IsPlaying(); ++i) {
            anim.Step();
            seen << anim.CurrentFrame();
        }
        QCOMPARE(seen, QList<int>({2, 3, 4, 2, 3, 4, 4}));
        QVERIFY(!anim.IsPlaying());
    }

    void sound()
    {
        QVERIFY(!media::PlaySoundResource(9999));
        QVERIFY(media::SoundBackendAvailable()); // found beside the program
        qputenv("PULSE_SERVER", "unix:/nonexistent");
        QTest::failOnWarning(QRegularExpression(".*"));
        QVERIFY(media::PlaySoundResource(ids::IDR_WAVE_CONNECTED));
        QTest::qWait(300);
    }
};

QTEST_MAIN(TestMedia)
#include "tst_media.moc"
