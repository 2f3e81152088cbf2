#include "platform/media/Sound.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace media {

namespace {

SoundPlayer& Player()
{
    static SoundPlayer player;
    return player;
}

// Audio back ends report a missing sound server on the console; a program
// that merely wants to chime must stay quiet about it.
QtMessageHandler s_previous = nullptr;
void QuietAudio(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    const QLatin1String category(context.category ? context.category : "");
    if (category.startsWith(QLatin1String("qt.multimedia")) || text.contains(QLatin1String("PulseAudio"))
        || text.contains(QLatin1String("QSoundEffect")) || text.contains(QLatin1String("ALSA")))
        return;
    if (s_previous)
        s_previous(type, context, text);
}

bool HaveAudioOutput()
{
    // Asked once: the answer costs a round trip to the sound server.
    static const bool s_bHave = [] {
        s_previous = qInstallMessageHandler(QuietAudio);
        const bool have = !QMediaDevices::audioOutputs().isEmpty();
        qInstallMessageHandler(s_previous);
        return have;
    }();
    return s_bHave;
}

void PlayReal(unsigned id)
{
    if (!QCoreApplication::instance() || !HaveAudioOutput())
        return;
    // One effect per sound, kept for the process: loading is what takes time.
    static QHash<unsigned, QSoundEffect*> s_effects;
    QSoundEffect*& effect = s_effects[id];
    if (!effect) {
        effect = new QSoundEffect(QCoreApplication::instance());
        effect->setSource(QUrl(QStringLiteral("qrc") + SoundResourcePath(id)));
    }
    effect->stop();
    effect->play();
}

} // namespace

QString SoundResourcePath(unsigned id)
{
    return QStringLiteral(":/sounds/%1.wav").arg(id);
}

bool PlaySoundResource(unsigned id)
{
    if (!QFile::exists(SoundResourcePath(id)))
        return false;
    if (Player())
        Player()(id);
    else
        PlayReal(id);
    return true;
}

SoundPlayer SetSoundPlayer(SoundPlayer player)
{
    SoundPlayer old = std::move(Player());
    Player() = std::move(player);
    return old;
}

} // namespace media
