#include "maker/SongConvert.h"

#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "maker/Mp3Encoder.h"

namespace maker {

namespace {

// More channels than two keep the front left and right.
constexpr int kMaxChannelsKept = 2;

std::int16_t Clamp16(long long v) {
    return static_cast<std::int16_t>(std::clamp<long long>(v, -32768, 32767));
}

// Samples go to the encoder in blocks of this many frames.
class Feeder {
public:
    bool Start(int rate, int channels) {
        kept_ = std::min(channels, kMaxChannelsKept);
        rate_ = rate;
        return encoder_.Start(rate, kept_);
    }
    void Push(std::int16_t sample, int channel) {
        if (channel >= kept_) return;
        block_.push_back(sample);
        if (channel == kept_ - 1) {
            ++frames_;
            if (block_.size() >= 8192u * kept_) Flush();
        }
    }
    bool Flush() {
        const bool ok = block_.empty() || encoder_.Add(block_.data(), block_.size() / kept_);
        block_.clear();
        return ok;
    }
    Converted Finish() {
        Converted c;
        if (!Flush() || frames_ == 0) {
            c.error = frames_ == 0 ? L"里面没有声音" : L"转换为 MP3 失败";
            return c;
        }
        c.mp3 = encoder_.Finish();
        if (c.mp3.empty()) c.error = L"转换为 MP3 失败";
        c.rate = rate_;
        c.channels = kept_;
        c.seconds = static_cast<double>(frames_) / rate_;
        return c;
    }

private:
    Mp3Encoder encoder_;
    std::vector<std::int16_t> block_;
    int kept_ = 0, rate_ = 0;
    long long frames_ = 0;
};

struct FlacRead {
    const std::string* file = nullptr;
    std::size_t at = 0;
    Feeder feeder;
    bool started = false, failed = false;
    std::wstring error;
};

FLAC__StreamDecoderReadStatus FlacReadBytes(const FLAC__StreamDecoder*, FLAC__byte buffer[],
                                            size_t* bytes, void* context) {
    auto* r = static_cast<FlacRead*>(context);
    const std::size_t n = std::min(*bytes, r->file->size() - r->at);
    std::memcpy(buffer, r->file->data() + r->at, n);
    r->at += n;
    *bytes = n;
    return n ? FLAC__STREAM_DECODER_READ_STATUS_CONTINUE
             : FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
}

FLAC__StreamDecoderWriteStatus FlacWrite(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                         const FLAC__int32* const buffer[], void* context) {
    auto* r = static_cast<FlacRead*>(context);
    const int channels = static_cast<int>(frame->header.channels);
    const int bits = static_cast<int>(frame->header.bits_per_sample);
    if (!r->started) {
        r->started = true;
        if (!r->feeder.Start(static_cast<int>(frame->header.sample_rate), channels)) {
            r->failed = true;
            r->error = L"无法按这个采样率转换为 MP3";
        }
    }
    if (r->failed || bits < 4 || bits > 32) return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    for (unsigned i = 0; i < frame->header.blocksize; ++i)
        for (int c = 0; c < channels; ++c) {
            const long long v = buffer[c][i];
            r->feeder.Push(Clamp16(bits >= 16 ? v >> (bits - 16) : v << (16 - bits)), c);
        }
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void FlacError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status, void* context) {
    // Lost sync is a tag after the audio (an ID3v1 some taggers add); damage
    // shows as a bad header or a checksum mismatch.
    if (status != FLAC__STREAM_DECODER_ERROR_STATUS_LOST_SYNC)
        static_cast<FlacRead*>(context)->failed = true;
}

// A FLAC decoder owned once.
struct FlacDecoder {
    FLAC__StreamDecoder* d = FLAC__stream_decoder_new();
    ~FlacDecoder() {
        if (d) FLAC__stream_decoder_delete(d);
    }
};

std::uint32_t Le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}
unsigned Le16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}

}  // namespace

Converted FlacToMp3(const std::string& file) {
    FlacRead read;
    read.file = &file;
    FlacDecoder decoder;
    Converted failed;
    failed.error = L"FLAC 文件已损坏，无法解码";
    if (!decoder.d) return failed;
    FLAC__stream_decoder_set_md5_checking(decoder.d, true);
    if (FLAC__stream_decoder_init_stream(decoder.d, FlacReadBytes, nullptr, nullptr, nullptr,
                                         nullptr, FlacWrite, nullptr, FlacError,
                                         &read) != FLAC__STREAM_DECODER_INIT_STATUS_OK)
        return failed;
    const bool ok = FLAC__stream_decoder_process_until_end_of_stream(decoder.d) &&
                    FLAC__stream_decoder_finish(decoder.d);
    if (!read.error.empty()) failed.error = read.error;
    if (!ok || read.failed || !read.started) return failed;
    return read.feeder.Finish();
}

Converted WavToMp3(const std::string& file) {
    Converted failed;
    const auto* b = reinterpret_cast<const unsigned char*>(file.data());
    if (file.size() < 12 || std::memcmp(b, "RIFF", 4) != 0 || std::memcmp(b + 8, "WAVE", 4) != 0) {
        failed.error = L"不是 WAV 文件";
        return failed;
    }
    unsigned format = 0, channels = 0, bits = 0;
    std::uint32_t rate = 0;
    std::size_t data = 0, dataSize = 0;
    for (std::size_t at = 12; at + 8 <= file.size();) {
        const std::uint32_t size = Le32(b + at + 4);
        const std::size_t body = at + 8;
        if (std::memcmp(b + at, "fmt ", 4) == 0 && size >= 16 && body + 16 <= file.size()) {
            format = Le16(b + body);
            channels = Le16(b + body + 2);
            rate = Le32(b + body + 4);
            bits = Le16(b + body + 14);
            // WAVE_FORMAT_EXTENSIBLE: the sub-format's first two bytes are the format.
            if (format == 0xFFFE && size >= 26 && body + 26 <= file.size())
                format = Le16(b + body + 24);
        } else if (std::memcmp(b + at, "data", 4) == 0) {
            data = body;
            // A recorder that never finished leaves the size open: the rest of the file.
            dataSize = std::min<std::size_t>(size, file.size() - body);
            break;
        }
        at = body + size + (size & 1);
    }
    const bool pcm = format == 1 && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
    const bool floats = format == 3 && (bits == 32 || bits == 64);
    if (!data || channels == 0 || rate == 0 || !(pcm || floats)) {
        failed.error = format == 0 ? L"WAV 文件已损坏（找不到格式或声音数据）"
                                   : L"这种 WAV 编码（格式 " + std::to_wstring(format) + L"，" +
                                         std::to_wstring(bits) +
                                         L" 位）转换不了，请用 16 位 PCM 的 WAV 或 MP3";
        return failed;
    }
    Feeder feeder;
    if (!feeder.Start(static_cast<int>(rate), static_cast<int>(channels))) {
        failed.error = L"无法按这个采样率转换为 MP3";
        return failed;
    }
    const std::size_t bytes = bits / 8, frame = bytes * channels;
    for (std::size_t at = data; at + frame <= data + dataSize; at += frame)
        for (unsigned c = 0; c < channels; ++c) {
            const unsigned char* s = b + at + c * bytes;
            long long v = 0;
            if (floats) {
                double x;
                if (bits == 32) {
                    float f;
                    std::memcpy(&f, s, 4);
                    x = f;
                } else {
                    std::memcpy(&x, s, 8);
                }
                v = static_cast<long long>(x * 32767.0);
            } else if (bits == 8) {
                v = (static_cast<int>(s[0]) - 128) << 8;
            } else {
                std::int32_t wide = 0;  // the top 16 bits of the sample
                std::memcpy(reinterpret_cast<unsigned char*>(&wide) + 4 - bytes, s, bytes);
                v = wide >> 16;
            }
            feeder.Push(Clamp16(v), static_cast<int>(c));
        }
    return feeder.Finish();
}

}  // namespace maker
