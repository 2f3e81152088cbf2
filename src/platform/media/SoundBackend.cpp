// The part of sound playing that needs Qt Multimedia, built as a module of
// its own: the audio libraries it pulls in cost every start several
// milliseconds, so they are loaded only when the first sound plays.

#include <QAudioDevice>
#include <QCoreApplication>
#include <QHash>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace {

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

} // namespace

// Plays the WAVE resource at qrcPath (":/sounds/<id>.wav") without waiting.
extern "C" Q_DECL_EXPORT void dialtop_play_sound(const char16_t* qrcPath)
{
    if (!QCoreApplication::instance() || !HaveAudioOutput())
        return;
    const QString path = QString::fromUtf16(qrcPath);
    // One effect per sound, kept for the process: loading is what takes time.
    static QHash<QString, QSoundEffect*> s_effects;
    QSoundEffect*& effect = s_effects[path];
    if (!effect) {
        effect = new QSoundEffect(QCoreApplication::instance());
        effect->setSource(QUrl(QStringLiteral("qrc") + path));
    }
    effect->stop();
    effect->play();
}
