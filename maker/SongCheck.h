#pragma once
// A giver's MP3 checked before it goes into the gift: its frames are walked
// from the first to the last past every tag layout players accept (ID3v2 at
// the start, repeated or appended; APEv2 and Lyrics3 before ID3v1; junk
// between frames), a file shorter than its own Xing, Info or VBRI header says
// is refused, and the whole song is decoded, so a damaged file is an error,
// not a silent gift.
#include <string>

namespace maker {

inline constexpr std::size_t kMaxSongBytes = 20u * 1024 * 1024;

struct SongCheck {
    bool ok = false;
    int rate = 0;
    int channels = 0;
    double seconds = 0;
    std::wstring problem;  // when not ok
    std::wstring note;     // when ok: what was stepped over (a short last frame, junk)
};

SongCheck CheckSong(const std::string& file);

// "4 分 10 秒", "2 分 03 秒".
std::wstring MinutesAndSeconds(double seconds);

}  // namespace maker
