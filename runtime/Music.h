#pragma once
// The music player's output seam: tests install an output that counts the
// samples instead of playing them. PlayMusic and StopMusic are in Services.h.
#include <memory>

#include "platform/audio/AudioOutput.h"

namespace runtime {

using AudioOutputFactory = std::unique_ptr<audio::AudioOutput> (*)();

// Used by every player started afterwards; nullptr restores waveOut.
void SetAudioOutputFactory(AudioOutputFactory factory);

// Blocks until the current player has finished or `timeoutMs` has passed;
// true when nothing is playing any more.
bool WaitForMusicEnd(unsigned timeoutMs);

}  // namespace runtime
