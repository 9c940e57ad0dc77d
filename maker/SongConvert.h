#pragma once
// FLAC and WAV songs made into the MP3 the recipient's program plays: decoded
// with libFLAC or read as RIFF WAVE (8, 16, 24 or 32-bit PCM, 32 or 64-bit
// float), streamed through LAME at 192 kbit/s without holding the whole
// sound in memory.
#include <string>

namespace maker {

struct Converted {
    std::string mp3;     // empty on failure
    std::wstring error;  // why
    int rate = 0, channels = 0;
    double seconds = 0;
};

Converted FlacToMp3(const std::string& file);
Converted WavToMp3(const std::string& file);

}  // namespace maker
