#pragma once
// A giver's MP3 checked before it goes into the gift: its frames are walked
// from the first to the last (a file cut short ends inside a frame) and the
// whole song is decoded, so a damaged file is an error, not a silent gift.
#include <string>

namespace maker {

inline constexpr std::size_t kMaxSongBytes = 20u * 1024 * 1024;

struct SongCheck {
    bool ok = false;
    int rate = 0;
    int channels = 0;
    double seconds = 0;
    std::wstring problem;  // when not ok
};

SongCheck CheckSong(const std::string& file);

}  // namespace maker
