#include "maker/SongCheck.h"

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/audio/Mp3Decoder.h"

namespace maker {

namespace {

// Junk a player steps over between frames (or between the tags and the first
// frame), counted from where the audio starts.
constexpr std::size_t kMaxJunk = 64 * 1024;

struct FrameHeader {
    bool valid = false;
    int length = 0;  // bytes, header included
    int rate = 0;
    int samples = 0;  // per channel
    bool mpeg1 = false, mono = false;
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
    h.mpeg1 = version == 3;
    h.mono = (p[3] >> 6) == 3;
    const int bitrate = (h.mpeg1 ? kV1 : kV2)[bitrateIndex] * 1000;
    h.rate = kRates[rateIndex] / (version == 3 ? 1 : version == 2 ? 2 : 4);
    h.samples = h.mpeg1 ? 1152 : 576;
    h.length = (h.mpeg1 ? 144 : 72) * bitrate / h.rate + padding;
    h.valid = h.length > 4;
    return h;
}

std::uint32_t Be32(const unsigned char* p) {
    return (std::uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}
std::uint32_t Le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}
std::size_t SyncSafe(const unsigned char* s) {
    return (std::size_t(s[0]) << 21) | (s[1] << 14) | (s[2] << 7) | s[3];
}
bool At(const std::string& f, std::size_t at, const char* text) {
    const std::size_t n = std::strlen(text);
    return at + n <= f.size() && f.compare(at, n, text) == 0;
}

// The whole ID3v2 tag at `at` (2.2, 2.3 or 2.4, footer included); 0 when there is none.
std::size_t Id3v2Length(const std::string& f, std::size_t at) {
    if (!At(f, at, "ID3") || at + 10 > f.size()) return 0;
    const auto* s = reinterpret_cast<const unsigned char*>(f.data()) + at;
    if (s[3] < 2 || s[3] > 4 || ((s[6] | s[7] | s[8] | s[9]) & 0x80)) return 0;
    return 10 + SyncSafe(s + 6) + ((s[5] & 0x10) ? 10 : 0);
}

// An APEv2 tag starting with its header at `at`: header, items and footer.
std::size_t ApeLength(const std::string& f, std::size_t at) {
    if (!At(f, at, "APETAGEX") || at + 32 > f.size()) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(f.data()) + at;
    return 32 + Le32(p + 12);
}

// A Lyrics3 tag starting at `at` ("LYRICSBEG" … "LYRICS200" or "LYRICSEND").
std::size_t LyricsLength(const std::string& f, std::size_t at) {
    if (!At(f, at, "LYRICSBEG")) return 0;
    for (const char* end : {"LYRICS200", "LYRICSEND"}) {
        const std::size_t found = f.find(end, at);
        if (found != std::string::npos && found - at < 1'000'000) return found + 9 - at;
    }
    return 0;
}

// Where the audio ends: the tags after it stripped from the end, in any order
// (ID3v1, APEv2 with or without its header, Lyrics3, an ID3v2 with footer).
std::size_t AudioEnd(const std::string& f) {
    const auto* b = reinterpret_cast<const unsigned char*>(f.data());
    std::size_t end = f.size();
    for (bool more = true; more;) {
        more = false;
        if (end >= 128 && At(f, end - 128, "TAG")) {
            end -= 128;
            more = true;
        } else if (end >= 32 && At(f, end - 32, "APETAGEX")) {
            const std::uint32_t size = Le32(b + end - 32 + 12), flags = Le32(b + end - 32 + 20);
            const std::size_t whole = size + ((flags & 0x80000000u) ? 32u : 0u);
            if (whole > end) break;
            end -= whole;
            more = true;
        } else if (end >= 15 && (At(f, end - 9, "LYRICS200"))) {
            std::size_t size = 0;
            for (std::size_t i = end - 15; i < end - 9; ++i) {
                if (f[i] < '0' || f[i] > '9') return end;
                size = size * 10 + static_cast<std::size_t>(f[i] - '0');
            }
            if (size + 15 > end || !At(f, end - 15 - size, "LYRICSBEG")) break;
            end -= size + 15;
            more = true;
        } else if (end >= 9 && At(f, end - 9, "LYRICSEND")) {
            const std::size_t from = end > 5100 + 9 ? end - 5100 - 9 : 0;
            const std::size_t begin = f.rfind("LYRICSBEG", end - 9);
            if (begin == std::string::npos || begin < from) break;
            end = begin;
            more = true;
        } else if (end >= 10 && At(f, end - 10, "3DI")) {
            const std::size_t whole = 20 + SyncSafe(b + end - 10 + 6);
            if (whole > end) break;
            end -= whole;
            more = true;
        }
    }
    return end;
}

// Whether a frame at `at` is followed by another (or by the end of the
// audio): one header alone may be junk that happens to look like one.
bool FrameChain(const unsigned char* b, std::size_t at, std::size_t end) {
    if (at + 4 > end) return false;
    const FrameHeader h = ParseFrame(b + at);
    if (!h.valid || at + h.length > end) return false;
    const std::size_t next = at + static_cast<std::size_t>(h.length);
    return next == end || (next + 4 <= end && ParseFrame(b + next).valid) || next + 4 > end;
}

// The frame count and byte count a Xing, Info or VBRI header in the first
// frame promises; zero when it has none.
struct Promise {
    std::uint32_t frames = 0, bytes = 0;
};

Promise PromiseOf(const unsigned char* frame, const FrameHeader& h) {
    Promise p;
    const std::size_t side = h.mpeg1 ? (h.mono ? 17 : 32) : (h.mono ? 9 : 17);
    const unsigned char* x = frame + 4 + side;
    if (4 + side + 16 <= static_cast<std::size_t>(h.length) &&
        (std::memcmp(x, "Xing", 4) == 0 || std::memcmp(x, "Info", 4) == 0)) {
        const std::uint32_t flags = Be32(x + 4);
        std::size_t at = 8;
        if (flags & 1) p.frames = Be32(x + at), at += 4;
        if (flags & 2) p.bytes = Be32(x + at);
        return p;
    }
    const unsigned char* v = frame + 4 + 32;
    if (4 + 32 + 18 <= static_cast<std::size_t>(h.length) && std::memcmp(v, "VBRI", 4) == 0) {
        p.bytes = Be32(v + 10);
        p.frames = Be32(v + 14);
    }
    return p;
}

}  // namespace

std::wstring MinutesAndSeconds(double seconds) {
    const long total = static_cast<long>(seconds + 0.5);
    const long s = total % 60;
    return std::to_wstring(total / 60) + L" 分 " + (s < 10 ? L"0" : L"") + std::to_wstring(s) +
           L" 秒";
}

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
    std::size_t at = 0;
    // One ID3v2 tag or several before the audio.
    while (std::size_t tag = Id3v2Length(file, at)) at += tag;
    const std::size_t end = AudioEnd(file);
    if (at > end) {
        check.problem = L"MP3 文件不完整（标签没有结束），可能没有下载完整";
        return check;
    }
    long long frames = 0, samples = 0, junk = 0;
    int rate = 0;
    std::size_t firstFrame = 0, shortBy = 0, audioBytes = 0;
    FrameHeader first;
    while (at < end) {
        if (at + 4 <= end) {
            const FrameHeader h = ParseFrame(b + at);
            if (h.valid && (frames == 0 ? FrameChain(b, at, end) : h.rate == rate)) {
                if (at + h.length > end) {
                    // A short last frame: players drop it too.
                    shortBy = at + h.length - end;
                    break;
                }
                if (frames == 0) first = h, firstFrame = at, rate = h.rate;
                ++frames;
                samples += h.samples;
                audioBytes += static_cast<std::size_t>(h.length);
                at += static_cast<std::size_t>(h.length);
                continue;
            }
        }
        // Tags between frames: an ID3v2 repeated or appended, an APEv2 with its header, Lyrics3.
        std::size_t tag = Id3v2Length(file, at);
        if (!tag) tag = ApeLength(file, at);
        if (!tag) tag = LyricsLength(file, at);
        if (tag) {
            at += tag;
            continue;
        }
        // Junk: the next frame that another follows, within the bound.
        std::size_t next = at + 1;
        const std::size_t limit = at + kMaxJunk < end ? at + kMaxJunk : end;
        while (next < limit && !(b[next] == 0xFF && FrameChain(b, next, end)) &&
               !At(file, next, "ID3") && !At(file, next, "APETAGEX"))
            ++next;
        if (next >= end) {
            bool zeros = true;
            for (std::size_t i = at; i < end && zeros; ++i) zeros = b[i] == 0;
            if (zeros || frames == 0) break;
            // What remains is shorter than a frame: a frame cut short.
            if (end - at < 4096 && b[at] == 0xFF) {
                shortBy = 1;
                break;
            }
        }
        if (next >= limit && next < end) {
            check.problem = frames == 0 ? L"不是 MP3 文件（MPEG Layer III）"
                                        : L"MP3 文件在第 " + std::to_wstring(at) + L" 字节处已损坏";
            return check;
        }
        junk += static_cast<long long>(next - at);
        at = next;
    }
    if (frames == 0) {
        check.problem = L"不是 MP3 文件（MPEG Layer III）";
        return check;
    }
    // A song shorter than its own header says was cut: a failed download.
    const Promise promise = PromiseOf(b + firstFrame, first);
    if (promise.frames || promise.bytes) {
        // The header frame itself carries no sound.
        const long long soundFrames = frames - 1;
        const double perFrame = static_cast<double>(first.samples) / rate;
        const bool shortFrames = promise.frames && soundFrames + 2 < promise.frames * 0.98;
        const bool shortBytes = promise.bytes && audioBytes + 4096 < promise.bytes * 0.98;
        // Junk where frames should be: any frame the header counts is missing.
        const long long missing = promise.frames ? static_cast<long long>(promise.frames) -
                                                       soundFrames - (shortBy ? 1 : 0)
                                                 : 0;
        if (shortFrames || shortBytes || (junk > 0 && missing >= 1)) {
            const double promised = promise.frames ? promise.frames * perFrame
                                                   : static_cast<double>(promise.bytes) /
                                                         audioBytes * soundFrames * perFrame;
            // Frames lost inside the song are damage; lost at its end, a cut download.
            const double present =
                std::max(0.0, soundFrames * perFrame - 0.5);  // whole seconds there
            check.problem = junk > 0
                                ? L"MP3 文件中间有损坏的部分（缺了 " +
                                      MinutesAndSeconds(promised - soundFrames * perFrame) +
                                      L"），请换一个完整的文件"
                                : L"这首歌应有 " + MinutesAndSeconds(promised) + L"，文件里只有 " +
                                      MinutesAndSeconds(present) + L"，可能没有下载完整";
            return check;
        }
    }
    if (shortBy) check.note = L"最后一帧不完整，已略去（不影响播放）";
    if (junk > 0)
        check.note += (check.note.empty() ? L"" : L"；") + std::wstring(L"跳过了 ") +
                      std::to_wstring(junk) + L" 字节无用数据";
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
