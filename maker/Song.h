#pragma once
// The giver's song, whatever file it came as: an MP3 checked and taken as it
// is, a FLAC or WAV converted to MP3, and every other format (M4A/AAC, the
// music apps' encrypted downloads, OGG, WMA, APE …) refused with its name and
// how to get an MP3.
#include <string>

namespace maker {

struct SongTaken {
    std::string bytes;     // the MP3 the gift carries
    std::wstring line;     // the report line, or the error
    std::wstring warning;  // something the giver should know
    bool ok = false;
};

SongTaken TakeSong(const std::string& file, const std::wstring& fileName);

}  // namespace maker
