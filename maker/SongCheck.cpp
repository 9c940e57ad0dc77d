#include "maker/SongCheck.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/audio/Mp3Decoder.h"

namespace maker {

namespace {

struct FrameHeader {
    bool valid = false;
    int length = 0;  // bytes, header included
    int rate = 0;
    int samples = 0;  // per channel
};

// MPEG 1, 2 and 2.5 Layer III only.
FrameHeader ParseFrame(const unsigned char* p) {
    FrameHeader h;
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return h;
    const int version = (p[1] >> 3) & 3;  // 0: 2.5, 2: 2, 3: 1
    const int layer = (p[1] >> 1) & 3;    // 1: Layer III
    const int bitrateIndex = p[2] >> 4, rateIndex = (p[2] >> 2) & 3, padding = (p[2] >> 1) & 1;
    if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return h;
    static const int kV1[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int kV2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    static const int kRates[] = {44100, 48000, 32000};
    const bool mpeg1 = version == 3;
    const int bitrate = (mpeg1 ? kV1 : kV2)[bitrateIndex] * 1000;
    h.rate = kRates[rateIndex] / (version == 3 ? 1 : version == 2 ? 2 : 4);
    h.samples = mpeg1 ? 1152 : 576;
    h.length = (mpeg1 ? 144 : 72) * bitrate / h.rate + padding;
    h.valid = h.length > 4;
    return h;
}

std::size_t Id3v2Length(const std::string& f) {
    if (f.size() < 10 || f.compare(0, 3, "ID3") != 0) return 0;
    const auto* s = reinterpret_cast<const unsigned char*>(f.data()) + 6;
    if ((s[0] | s[1] | s[2] | s[3]) & 0x80) return 0;
    std::size_t length = 10 + ((std::size_t(s[0]) << 21) | (s[1] << 14) | (s[2] << 7) | s[3]);
    if (f[5] & 0x10) length += 10;  // footer
    return length;
}

// What may follow the last frame: tags, or zero padding.
bool IsTrailer(const std::string& f, std::size_t at) {
    const std::size_t rest = f.size() - at;
    if (rest == 0) return true;
    if (f.compare(at, 3, "TAG") == 0 && rest == 128) return true;
    if (f.compare(at, 8, "APETAGEX") == 0 || f.compare(at, 9, "LYRICSBEG") == 0) return true;
    for (std::size_t i = at; i < f.size(); ++i)
        if (f[i] != 0) return false;
    return true;
}

}  // namespace

SongCheck CheckSong(const std::string& file) {
    SongCheck check;
    if (file.empty()) {
        check.problem = L"文件是空的";
        return check;
    }
    if (file.size() > kMaxSongBytes) {
        check.problem =
            L"歌曲有 " + std::to_wstring(file.size() / (1024 * 1024)) + L" MB，最多 20 MB";
        return check;
    }
    const auto* b = reinterpret_cast<const unsigned char*>(file.data());
    std::size_t at = Id3v2Length(file);
    // Some files carry a few stray bytes before the first frame.
    while (at + 4 <= file.size() && !ParseFrame(b + at).valid && at < 64 * 1024) ++at;
    long long frames = 0, samples = 0;
    int rate = 0;
    while (at + 4 <= file.size()) {
        const FrameHeader h = ParseFrame(b + at);
        if (!h.valid) break;
        if (at + static_cast<std::size_t>(h.length) > file.size()) {
            check.problem = L"MP3 文件不完整（最后一帧被截断），请换一个完整的文件";
            return check;
        }
        if (rate == 0) rate = h.rate;
        ++frames;
        samples += h.samples;
        at += static_cast<std::size_t>(h.length);
    }
    if (frames == 0) {
        check.problem = L"不是 MP3 文件（MPEG Layer III）";
        return check;
    }
    if (!IsTrailer(file, at)) {
        check.problem = at + 4 > file.size()
                            ? L"MP3 文件不完整（最后一帧被截断），请换一个完整的文件"
                            : L"MP3 文件在第 " + std::to_wstring(at) + L" 字节处已损坏";
        return check;
    }
    // Decoded to the end in pieces; nothing of the sound is kept.
    audio::Mp3Decoder decoder;
    if (!decoder.Valid() || !decoder.Feed(file.data(), file.size())) {
        check.problem = L"MP3 解码器无法打开这个文件";
        return check;
    }
    std::vector<std::int16_t> buffer(65536);
    long long decoded = 0;
    for (;;) {
        std::size_t count = 0;
        const auto status = decoder.Decode(buffer.data(), buffer.size(), count);
        if (status == audio::Mp3Decoder::Status::Failed) {
            check.problem = L"MP3 文件已损坏，无法解码";
            return check;
        }
        if (status == audio::Mp3Decoder::Status::NeedMore) break;
        decoded += static_cast<long long>(count);
    }
    check.rate = decoder.Rate();
    check.channels = decoder.Channels();
    if (decoded == 0 || check.channels <= 0 || check.rate <= 0) {
        check.problem = L"MP3 文件解码不出声音";
        return check;
    }
    const long long perChannel = decoded / check.channels;
    // Gapless trimming may drop the encoder's delay and padding, a few frames
    // at most; a damaged stretch the decoder skipped loses far more.
    if (perChannel + 4 * 1152 + samples / 50 < samples) {
        check.problem = L"MP3 文件有损坏的部分，无法完整解码";
        return check;
    }
    check.seconds = static_cast<double>(perChannel) / check.rate;
    check.ok = true;
    return check;
}

}  // namespace maker
