#include "platform/audio/Mp3Decoder.h"

#include <mutex>

#include <mpg123.h>

namespace audio {

namespace {

void InitLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

}  // namespace

Mp3Decoder::Mp3Decoder() {
    InitLibrary();
    int error = 0;
    mpg123_handle* mh = mpg123_new(nullptr, &error);
    if (!mh) return;
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    // Always 16-bit signed samples, at the stream's own rate and channel count.
    mpg123_format_none(mh);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(mh, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open_feed(mh) != MPG123_OK) {
        mpg123_delete(mh);
        return;
    }
    handle_ = mh;
}

Mp3Decoder::~Mp3Decoder() {
    if (!handle_) return;
    mpg123_close(handle_);
    mpg123_delete(handle_);
}

bool Mp3Decoder::Feed(const void* data, std::size_t size) {
    if (!handle_) return false;
    if (size == 0) return true;
    return mpg123_feed(handle_, static_cast<const unsigned char*>(data), size) == MPG123_OK;
}

Mp3Decoder::Status Mp3Decoder::Decode(std::int16_t* out, std::size_t capacity, std::size_t& count) {
    count = 0;
    if (!handle_) return Status::Failed;
    // A damaged stretch may give a few errors in a row before the decoder has
    // found the next frame; past that, give up.
    for (int errors = 0; errors < 64;) {
        size_t done = 0;
        int r = mpg123_decode(handle_, nullptr, 0, reinterpret_cast<unsigned char*>(out),
                              capacity * sizeof(std::int16_t), &done);
        if (r == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0, encoding = 0;
            mpg123_getformat(handle_, &rate, &channels, &encoding);
            rate_ = static_cast<int>(rate);
            channels_ = channels;
        }
        if (done > 0) {
            count = done / sizeof(std::int16_t);
            return Status::Output;
        }
        if (r == MPG123_NEED_MORE || r == MPG123_DONE) return Status::NeedMore;
        if (r == MPG123_ERR) ++errors;
    }
    return Status::Failed;
}

bool DecodeMp3(const void* data, std::size_t size, std::vector<std::int16_t>& pcm, int& rate,
               int& channels) {
    pcm.clear();
    rate = channels = 0;
    Mp3Decoder decoder;
    if (!decoder.Valid() || !decoder.Feed(data, size)) return false;
    std::vector<std::int16_t> buffer(32768);
    for (;;) {
        size_t count = 0;
        auto status = decoder.Decode(buffer.data(), buffer.size(), count);
        if (status != Mp3Decoder::Status::Output) break;
        pcm.insert(pcm.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(count));
    }
    rate = decoder.Rate();
    channels = decoder.Channels();
    return !pcm.empty();
}

}  // namespace audio
