#pragma once
// Embedded sounds (WAVE resources by id), played without blocking the caller.
// A machine without an audio output (a headless one, a build server) plays
// nothing and prints nothing.

#include <QString>
#include <functional>

namespace media {

// The resource path of a WAVE resource (":/sounds/<id>.wav").
QString SoundResourcePath(unsigned id);

// Starts the sound and returns at once; false when there is no such sound.
bool PlaySoundResource(unsigned id);

// Whether the module that plays sounds could be loaded (it is loaded on the
// first sound, so that starting the program does not pay for audio).
bool SoundBackendAvailable();

// Test seam: replaces the player (tests record what would be heard); returns
// the one replaced. An empty player restores the real one.
using SoundPlayer = std::function<void(unsigned id)>;
SoundPlayer SetSoundPlayer(SoundPlayer player);

} // namespace media
