// waveOut through a ring of buffers, each handed to the device when full. The
// device signals an event whenever it finishes one.
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "platform/Handle.h"
#include "platform/audio/AudioOutput.h"

namespace audio {

namespace {

constexpr int kBufferCount = 4;

class WaveOutput : public AudioOutput {
public:
    WaveOutput() : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~WaveOutput() override { Close(); }

    bool Open(int rate, int channels) override {
        Close();
        // An abort is for good: a stop that came while the player thread was
        // on its way here must not be undone by the open.
        if (aborted_ || !event_ || rate <= 0 || channels < 1 || channels > 2) return false;
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = static_cast<WORD>(channels);
        format.nSamplesPerSec = static_cast<DWORD>(rate);
        format.wBitsPerSample = 16;
        format.nBlockAlign = static_cast<WORD>(channels * 2);
        format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
        if (waveOutOpen(&device_, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(event_.get()),
                        0, CALLBACK_EVENT) != MMSYSERR_NOERROR) {
            device_ = nullptr;
            return false;
        }
        std::size_t samples = kWaveBufferFrames * static_cast<std::size_t>(channels);
        for (auto& b : buffers_) {
            b.data.assign(samples, 0);
            b.header = WAVEHDR{};
            b.header.lpData = reinterpret_cast<LPSTR>(b.data.data());
            b.header.dwBufferLength = static_cast<DWORD>(samples * sizeof(std::int16_t));
            b.header.dwFlags = 0;
            waveOutPrepareHeader(device_, &b.header, sizeof(WAVEHDR));
            b.header.dwFlags |= WHDR_DONE;  // free to fill
            b.filled = 0;
        }
        current_ = 0;
        return true;
    }

    bool Write(const std::int16_t* samples, std::size_t count) override {
        while (count > 0) {
            if (aborted_ || !device_) return false;
            Buffer& b = buffers_[current_];
            if (!(b.header.dwFlags & WHDR_DONE)) {
                WaitForSingleObject(event_.get(), 200);
                continue;
            }
            std::size_t room = b.data.size() - b.filled;
            std::size_t n = count < room ? count : room;
            std::memcpy(b.data.data() + b.filled, samples, n * sizeof(std::int16_t));
            b.filled += n;
            samples += n;
            count -= n;
            if (b.filled == b.data.size() && !Submit(b)) return false;
        }
        return true;
    }

    void Drain() override {
        if (!device_) return;
        Buffer& b = buffers_[current_];
        if (b.filled > 0 && (b.header.dwFlags & WHDR_DONE)) Submit(b);
        for (;;) {
            if (aborted_) return;
            bool busy = false;
            for (auto& x : buffers_) busy = busy || !(x.header.dwFlags & WHDR_DONE);
            if (!busy) return;
            WaitForSingleObject(event_.get(), 200);
        }
    }

    void Abort() override {
        aborted_ = true;
        if (event_) SetEvent(event_.get());
    }

    void Close() override {
        if (!device_) return;
        waveOutReset(device_);
        for (auto& b : buffers_) waveOutUnprepareHeader(device_, &b.header, sizeof(WAVEHDR));
        waveOutClose(device_);
        device_ = nullptr;
    }

private:
    struct Buffer {
        std::vector<std::int16_t> data;
        WAVEHDR header{};
        std::size_t filled = 0;
    };

    bool Submit(Buffer& b) {
        b.header.dwBufferLength = static_cast<DWORD>(b.filled * sizeof(std::int16_t));
        b.header.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
        b.filled = 0;
        if (waveOutWrite(device_, &b.header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
            b.header.dwFlags |= WHDR_DONE;
            return false;
        }
        current_ = (current_ + 1) % kBufferCount;
        return true;
    }

    UniqueKernelHandle event_;
    HWAVEOUT device_ = nullptr;
    Buffer buffers_[kBufferCount];
    int current_ = 0;
    std::atomic<bool> aborted_{false};
};

}  // namespace

std::unique_ptr<AudioOutput> CreateWaveOutput() {
    return std::make_unique<WaveOutput>();
}

}  // namespace audio
