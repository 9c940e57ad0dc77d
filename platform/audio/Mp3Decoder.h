#pragma once
// MP3 to 16-bit PCM through libmpg123, fed from memory in pieces of any size.
#include <cstddef>
#include <cstdint>
#include <vector>

struct mpg123_handle_struct;

namespace audio {

class Mp3Decoder {
public:
    enum class Status { Output, NeedMore, Failed };

    Mp3Decoder();
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    bool Valid() const { return handle_ != nullptr; }
    // Hands encoded bytes to the decoder; it keeps a copy.
    bool Feed(const void* data, std::size_t size);
    // Decodes up to `capacity` interleaved samples into `out`. Output with
    // `count` > 0, or NeedMore when the fed bytes are used up; undecodable
    // stretches are skipped, and only a decoder that cannot go on fails.
    Status Decode(std::int16_t* out, std::size_t capacity, std::size_t& count);
    // Known once the first frame has been decoded; 0 before.
    int Rate() const { return rate_; }
    int Channels() const { return channels_; }

private:
    mpg123_handle_struct* handle_ = nullptr;
    int rate_ = 0;
    int channels_ = 0;
};

// Decodes a whole MP3 held in memory. False when nothing decodes.
bool DecodeMp3(const void* data, std::size_t size, std::vector<std::int16_t>& pcm, int& rate,
               int& channels);

}  // namespace audio
