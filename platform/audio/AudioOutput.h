#pragma once
// Where decoded music goes: the sound card through waveOut, or, in tests, a
// counter. One player thread writes; Abort may come from any thread.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace audio {

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // False when there is no device for this format.
    virtual bool Open(int rate, int channels) = 0;
    // Queues interleaved samples, blocking while every buffer is full. False
    // once aborted or when the device fails.
    virtual bool Write(const std::int16_t* samples, std::size_t count) = 0;
    // Waits until everything written has been played (or the output aborted).
    virtual void Drain() = 0;
    // Makes a blocked Write or Drain return at once. For good: further
    // writes fail and Open refuses, whenever the abort came.
    virtual void Abort() = 0;
    // Stops the device and releases it. Open may follow.
    virtual void Close() = 0;
};

// The system's waveform output through a few buffers of this many frames
// each (about 0.19 s at 44.1 kHz): a stop ends the sound within one of them.
constexpr std::size_t kWaveBufferFrames = 8192;
std::unique_ptr<AudioOutput> CreateWaveOutput();

}  // namespace audio
