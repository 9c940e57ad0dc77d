#include "maker/Mp3Encoder.h"

#include <lame/lame.h>

#include <vector>

namespace maker {

Mp3Encoder::~Mp3Encoder() {
    if (lame_) lame_close(lame_);
}

bool Mp3Encoder::Start(int rate, int channels) {
    lame_ = lame_init();
    if (!lame_ || (channels != 1 && channels != 2)) return false;
    channels_ = channels;
    lame_set_in_samplerate(lame_, rate);
    lame_set_num_channels(lame_, channels);
    lame_set_mode(lame_, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_VBR(lame_, vbr_off);
    lame_set_brate(lame_, 192);
    lame_set_quality(lame_, 5);  // LAME's "good and fast"; 2 is twice the time for little gain
    lame_set_bWriteVbrTag(lame_, 1);
    return lame_init_params(lame_) >= 0;
}

bool Mp3Encoder::Add(const std::int16_t* samples, std::size_t frames) {
    if (!lame_ || failed_) return false;
    std::vector<unsigned char> out(frames + frames / 4 + 7200);
    short* pcm = const_cast<short*>(reinterpret_cast<const short*>(samples));
    // The interleaved call always steps over two channels.
    const int n = channels_ == 2
                      ? lame_encode_buffer_interleaved(lame_, pcm, static_cast<int>(frames),
                                                       out.data(), static_cast<int>(out.size()))
                      : lame_encode_buffer(lame_, pcm, pcm, static_cast<int>(frames), out.data(),
                                           static_cast<int>(out.size()));
    if (n < 0) {
        failed_ = true;
        return false;
    }
    mp3_.append(reinterpret_cast<const char*>(out.data()), static_cast<std::size_t>(n));
    return true;
}

std::string Mp3Encoder::Finish() {
    if (!lame_ || failed_) return {};
    std::vector<unsigned char> out(7200);
    const int n = lame_encode_flush(lame_, out.data(), static_cast<int>(out.size()));
    if (n < 0) return {};
    mp3_.append(reinterpret_cast<const char*>(out.data()), static_cast<std::size_t>(n));
    // The Info frame LAME reserved at the start, now with the real counts.
    unsigned char tag[2880];
    const std::size_t tagSize = lame_get_lametag_frame(lame_, tag, sizeof tag);
    if (tagSize > 0 && tagSize <= mp3_.size())
        mp3_.replace(0, tagSize, reinterpret_cast<const char*>(tag), tagSize);
    return std::move(mp3_);
}

}  // namespace maker
