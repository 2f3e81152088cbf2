#include "platform/media/Sound.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibrary>

namespace media {

namespace {

SoundPlayer& Player()
{
    static SoundPlayer player;
    return player;
}

using PlayFunction = void (*)(const char16_t*);

// The module beside the program (build tree, or an installed tree moved as a
// whole), else where it was installed.
PlayFunction Backend()
{
    static const PlayFunction s_play = [] {
        const QStringList places{QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/dialtop"),
                                 QStringLiteral(DIALTOP_MODULE_DIR)};
        for (const QString& dir : places) {
            QLibrary module(dir + QStringLiteral("/dialtop-sound"));
            if (auto play = reinterpret_cast<PlayFunction>(module.resolve("dialtop_play_sound")))
                return play;
        }
        return PlayFunction(nullptr);
    }();
    return s_play;
}

void PlayReal(unsigned id)
{
    if (!QCoreApplication::instance())
        return;
    if (PlayFunction play = Backend())
        play(reinterpret_cast<const char16_t*>(SoundResourcePath(id).utf16()));
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

bool SoundBackendAvailable()
{
    return Backend() != nullptr;
}

SoundPlayer SetSoundPlayer(SoundPlayer player)
{
    SoundPlayer old = std::move(Player());
    Player() = std::move(player);
    return old;
}

} // namespace media
