#pragma once
// LAME as the maker uses it: 16-bit samples in, a constant 192 kbit/s MP3 out
// (the recipient's program plays MP3 only), with an Info frame first so that
// players and our own song check know its length.
#include <cstdint>
#include <string>

struct lame_global_struct;

namespace maker {

class Mp3Encoder {
public:
    Mp3Encoder() = default;
    ~Mp3Encoder();
    Mp3Encoder(const Mp3Encoder&) = delete;
    Mp3Encoder& operator=(const Mp3Encoder&) = delete;

    // `channels` 1 or 2; any rate LAME takes (it resamples what MP3 cannot hold).
    bool Start(int rate, int channels);
    // `frames` frames of interleaved samples.
    bool Add(const std::int16_t* samples, std::size_t frames);
    // The whole MP3; empty on failure.
    std::string Finish();

private:
    lame_global_struct* lame_ = nullptr;
    int channels_ = 0;
    std::string mp3_;
    bool failed_ = false;
};

}  // namespace maker
