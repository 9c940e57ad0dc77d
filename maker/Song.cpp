#include "maker/Song.h"

#include <cstring>
#include <cwctype>

#include "maker/SongCheck.h"
#include "maker/SongConvert.h"

namespace maker {

namespace {

bool Starts(const std::string& f, std::size_t at, const char* magic, std::size_t n) {
    return f.size() >= at + n && std::memcmp(f.data() + at, magic, n) == 0;
}

std::wstring Extension(const std::wstring& name) {
    const std::size_t dot = name.find_last_of(L'.');
    std::wstring e = dot == std::wstring::npos ? std::wstring() : name.substr(dot + 1);
    for (wchar_t& c : e) c = static_cast<wchar_t>(std::towlower(c));
    return e;
}

constexpr wchar_t kConvert[] =
    L"请用格式工厂、iTunes（“文件 → 转换 → 创建 MP3 版本”）等软件转成 MP3，"
    L"或者换一个 MP3 文件（FLAC 和 WAV 也可以直接用）";
constexpr wchar_t kDownload[] =
    L"它加了密，只能在那个软件里播放，也转换不了。请在音乐软件里把下载格式选为 MP3 "
    L"重新下载，或者换一个 MP3 文件";

// The song formats we cannot use, by their first bytes or, for the music
// apps' encrypted downloads (whose bytes look like noise), by the extension.
std::wstring Unusable(const std::string& f, const std::wstring& extension) {
    const std::wstring head = L"这是";
    if (Starts(f, 0, "CTENFDAM", 8) || extension == L"ncm")
        return head + L"网易云音乐的加密格式（NCM），" + kDownload;
    if (extension.starts_with(L"qmc") || extension == L"mflac" || extension == L"mgg")
        return head + L"QQ 音乐的加密格式（" + extension + L"），" + kDownload;
    if (extension == L"kgm" || extension == L"kgma" || extension == L"vpr")
        return head + L"酷狗音乐的加密格式（KGM），" + kDownload;
    if (extension == L"kwm" || Starts(f, 0, "yeelion-kuwo", 12))
        return head + L"酷我音乐的加密格式（KWM），" + kDownload;
    if (extension == L"xm") return head + L"喜马拉雅的加密格式（XM），" + kDownload;
    if (Starts(f, 4, "ftyp", 4))
        return head + L"M4A/AAC 格式的音乐（苹果设备和很多音乐软件用它），礼物里只能放 MP3。" +
               kConvert;
    if (f.size() >= 2 && static_cast<unsigned char>(f[0]) == 0xFF &&
        (static_cast<unsigned char>(f[1]) & 0xF6) == 0xF0)
        return head + L"AAC 格式的音乐，礼物里只能放 MP3。" + kConvert;
    if (Starts(f, 0, "OggS", 4))
        return head + L"OGG 格式的音乐（Vorbis 或 Opus），礼物里只能放 MP3。" + kConvert;
    if (Starts(f, 0, "\x30\x26\xB2\x75\x8E\x66\xCF\x11", 8))
        return head + L"WMA 格式的音乐，礼物里只能放 MP3。" + kConvert;
    if (Starts(f, 0, "MAC ", 4)) return head + L"APE 格式的音乐，礼物里只能放 MP3。" + kConvert;
    return {};
}

std::wstring Channels(int channels) {
    return channels == 1 ? L"单声道" : L"立体声";
}

}  // namespace

SongTaken TakeSong(const std::string& file, const std::wstring& fileName) {
    SongTaken taken;
    const std::wstring extension = Extension(fileName);
    if (const std::wstring why = Unusable(file, extension); !why.empty()) {
        taken.line = fileName + L"：" + why;
        return taken;
    }
    const bool riff = Starts(file, 0, "RIFF", 4) && Starts(file, 8, "WAVE", 4);
    const bool flac =
        Starts(file, 0, "fLaC", 4) ||
        (Starts(file, 0, "ID3", 3) && file.find("fLaC") < 1u << 20 && extension == L"flac");
    if (riff || flac) {
        const Converted c = flac ? FlacToMp3(file) : WavToMp3(file);
        if (c.mp3.empty()) {
            taken.line = fileName + L"：" + c.error;
            return taken;
        }
        if (c.mp3.size() > kMaxSongBytes) {
            taken.line = fileName + L"：歌曲有 " + MinutesAndSeconds(c.seconds) +
                         L"，转换成 MP3 后超过 20 MB，太长了";
            return taken;
        }
        taken.bytes = c.mp3;
        taken.ok = true;
        taken.line = L"歌曲 " + fileName + L"：" + MinutesAndSeconds(c.seconds) + L"，" +
                     std::to_wstring(c.rate) + L" Hz，" + Channels(c.channels) + L"，" +
                     (flac ? L"FLAC" : L"WAV") + L" 已转换为 MP3（192 kbit/s）";
        return taken;
    }
    const SongCheck song = CheckSong(file);
    if (!song.ok) {
        taken.line = fileName + L"：" + song.problem;
        return taken;
    }
    taken.bytes = file;
    taken.ok = true;
    taken.warning = song.note.empty() ? std::wstring() : fileName + L"：" + song.note;
    taken.line = L"歌曲 " + fileName + L"：" + MinutesAndSeconds(song.seconds) + L"，" +
                 std::to_wstring(song.rate) + L" Hz，" + Channels(song.channels) + L"，已采用";
    return taken;
}

}  // namespace maker
