// The music player: one thread per player reads the files, decodes them with
// libmpg123 and streams the samples to the output, the whole list `count`
// times (0: endlessly).
#include <windows.h>

#include <atomic>
#include <thread>

#include "platform/Handle.h"
#include "platform/audio/Mp3Decoder.h"
#include "runtime/Music.h"
#include "runtime/Services.h"
#include "runtime/Text.h"

namespace runtime {

namespace {

AudioOutputFactory outputFactory = nullptr;

class Player {
public:
    Player(std::vector<std::wstring> names, int count, std::unique_ptr<audio::AudioOutput> output)
        : names_(std::move(names)), count_(count), output_(std::move(output)) {
        thread_ = std::thread([this] { Run(); });
    }
    ~Player() { Stop(); }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    void Stop() {
        stop_ = true;
        output_->Abort();
        if (thread_.joinable()) thread_.join();
    }
    bool Finished() const { return finished_; }

private:
    enum class Outcome { Played, Nothing, OutputGone };

    void Run() {
        bool deviceGone = false;
        for (int pass = 0; !deviceGone && !stop_ && (count_ == 0 || pass < count_); ++pass) {
            bool playedAny = false;
            for (const auto& name : names_) {
                if (stop_) break;
                Outcome outcome = PlayFile(name);
                if (outcome == Outcome::OutputGone) {
                    deviceGone = true;
                    break;
                }
                playedAny = playedAny || outcome == Outcome::Played;
            }
            // Nothing in the list plays: repeating it would only spin.
            if (!playedAny) break;
        }
        if (open_ && !stop_ && !deviceGone) output_->Drain();
        output_->Close();
        finished_ = true;
    }

    Outcome PlayFile(const std::wstring& name) {
        UniqueFile file(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return Outcome::Nothing;
        audio::Mp3Decoder decoder;
        if (!decoder.Valid()) return Outcome::Nothing;
        std::vector<unsigned char> input(64 * 1024);
        std::vector<std::int16_t> pcm(32 * 1024);
        bool played = false;
        bool atEnd = false;
        while (!stop_ && !atEnd) {
            DWORD read = 0;
            if (!ReadFile(file.get(), input.data(), static_cast<DWORD>(input.size()), &read,
                          nullptr) ||
                read == 0)
                atEnd = true;
            else
                decoder.Feed(input.data(), read);
            for (;;) {
                if (stop_) return Outcome::Nothing;
                size_t count = 0;
                auto status = decoder.Decode(pcm.data(), pcm.size(), count);
                if (status == audio::Mp3Decoder::Status::Failed) return Done(played);
                if (status == audio::Mp3Decoder::Status::NeedMore) break;
                if (!EnsureOpen(decoder.Rate(), decoder.Channels())) return Outcome::OutputGone;
                if (!output_->Write(pcm.data(), count))
                    return stop_ ? Outcome::Nothing : Outcome::OutputGone;
                played = true;
            }
        }
        return Done(played);
    }

    static Outcome Done(bool played) { return played ? Outcome::Played : Outcome::Nothing; }

    bool EnsureOpen(int rate, int channels) {
        if (open_ && rate == rate_ && channels == channels_) return true;
        if (open_) {
            output_->Drain();
            output_->Close();
            open_ = false;
        }
        if (!output_->Open(rate, channels)) return false;
        open_ = true;
        rate_ = rate;
        channels_ = channels;
        return true;
    }

    std::vector<std::wstring> names_;
    int count_;
    std::unique_ptr<audio::AudioOutput> output_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    bool open_ = false;
    int rate_ = 0;
    int channels_ = 0;
};

std::unique_ptr<Player> current;

void Start(std::optional<int> playCount, std::vector<std::wstring> names) {
    StopMusic();
    int count = playCount.value_or(1);
    if (count == 0) return;
    if (count < 0) count = 0;  // endless
    if (names.empty()) return;
    auto output = outputFactory ? outputFactory() : audio::CreateWaveOutput();
    if (!output) return;
    current = std::make_unique<Player>(std::move(names), count, std::move(output));
}

}  // namespace

void SetAudioOutputFactory(AudioOutputFactory factory) {
    outputFactory = factory;
}

void PlayMusic(std::optional<int> playCount, std::initializer_list<std::string_view> names) {
    std::vector<std::wstring> list;
    for (std::string_view name : names) {
        name = name.substr(0, name.find('\0'));
        if (!name.empty()) list.push_back(detail::Widen(name));
    }
    Start(playCount, std::move(list));
}

void PlayMusic(std::optional<int> playCount, const std::vector<std::string>& names) {
    std::vector<std::wstring> list;
    for (const std::string& full : names) {
        std::string_view name(full);
        name = name.substr(0, name.find('\0'));
        if (!name.empty()) list.push_back(detail::Widen(name));
    }
    Start(playCount, std::move(list));
}

void StopMusic() {
    current.reset();
}

bool MusicPlaying() {
    return current && !current->Finished();
}

bool WaitForMusicEnd(unsigned timeoutMs) {
    DWORD start = GetTickCount();
    while (MusicPlaying()) {
        if (GetTickCount() - start >= timeoutMs) return false;
        ::Sleep(5);
    }
    return true;
}

}  // namespace runtime
