// Music playback.
#include "runtime/Services.h"

namespace runtime {

void PlayMusic(std::optional<int>, std::initializer_list<std::string_view>) {}
void PlayMusic(std::optional<int>, const std::vector<std::string>&) {}
void StopMusic() {}
bool MusicPlaying() {
    return false;
}

}  // namespace runtime
