// The files givers really have, made by the test in the shapes phones,
// cameras, music apps, editors and Explorer leave them in: each folder gives
// its report line and exit, the report lists errors before warnings before
// what was used, and nothing is written where it must not be.
#include <windows.h>
#include <imagehlp.h>

#include <FLAC/stream_encoder.h>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <webp/encode.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "maker/Maker.h"
#include "maker/SongCheck.h"
#include "platform/decode/ImageDecode.h"
#include "tests/maker/MakerTestSupport.h"
#include "tests/support/TestData.h"

using namespace makertest;

namespace {

std::string Le32(std::uint32_t v) {
    return {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
}
std::string Le16(unsigned v) {
    return {char(v & 0xFF), char(v >> 8)};
}
std::string SyncSafe(std::uint32_t v) {
    return {char((v >> 21) & 0x7F), char((v >> 14) & 0x7F), char((v >> 7) & 0x7F), char(v & 0x7F)};
}

// Cover art as taggers store it: bytes with frame-sync look-alikes in them.
std::string Noise(std::size_t n) {
    std::string s(n, '\0');
    std::uint32_t x = 12345;
    for (char& c : s) c = char((x = x * 1103515245u + 12345u) >> 24);
    return s;
}

// An ID3v2 tag of version 2, 3 or 4 with `payload`; `flags` 0x80 is
// unsynchronisation, 0x10 a footer (2.4).
std::string Id3v2(int version, const std::string& payload, char flags = 0) {
    std::string tag = "ID3";
    tag += char(version);
    tag += '\0';
    tag += flags;
    tag += SyncSafe(static_cast<std::uint32_t>(payload.size())) + payload;
    if (flags & 0x10) tag += "3DI" + tag.substr(3, 7);
    return tag;
}

// An APEv2 tag, with or without its header.
std::string Ape(bool header) {
    const std::string item = Le32(5) + Le32(0) + "Title" + '\0' + "Hello";
    const std::uint32_t size = static_cast<std::uint32_t>(item.size() + 32);
    auto block = [&](std::uint32_t flags) {
        return "APETAGEX" + Le32(2000) + Le32(size) + Le32(1) + Le32(flags) + std::string(8, '\0');
    };
    return (header ? block(0xA0000000u) : std::string()) + item + block(header ? 0x80000000u : 0u);
}

std::string Lyrics3v2() {
    const std::string body = "LYRICSBEGIND00003110LYR00011hello world";
    char size[8];
    std::snprintf(size, sizeof size, "%06u", static_cast<unsigned>(body.size()));
    return body + size + "LYRICS200";
}

std::string Id3v1() {
    return "TAG" + std::string(125, ' ');
}

// One second of a 440 Hz tone, 16-bit stereo at `rate`.
std::vector<std::int16_t> Tone(int rate) {
    std::vector<std::int16_t> pcm;
    for (int i = 0; i < rate; ++i) {
        const auto v = static_cast<std::int16_t>(8000 * std::sin(i * 2 * 3.14159265 * 440 / rate));
        pcm.push_back(v);
        pcm.push_back(v);
    }
    return pcm;
}

std::string Wav(int rate) {
    const std::vector<std::int16_t> pcm = Tone(rate);
    const std::string data(reinterpret_cast<const char*>(pcm.data()), pcm.size() * 2);
    const std::string fmt = Le16(1) + Le16(2) + Le32(rate) + Le32(rate * 4) + Le16(4) + Le16(16);
    return "RIFF" + Le32(static_cast<std::uint32_t>(4 + 8 + fmt.size() + 8 + data.size())) +
           "WAVEfmt " + Le32(16) + fmt + "data" + Le32(static_cast<std::uint32_t>(data.size())) +
           data;
}

FLAC__StreamEncoderWriteStatus CollectFlac(const FLAC__StreamEncoder*, const FLAC__byte buffer[],
                                           size_t bytes, uint32_t, uint32_t, void* out) {
    static_cast<std::string*>(out)->append(reinterpret_cast<const char*>(buffer), bytes);
    return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
}

std::string Flac(int rate) {
    const std::vector<std::int16_t> pcm = Tone(rate);
    std::vector<FLAC__int32> wide(pcm.begin(), pcm.end());
    std::string out;
    FLAC__StreamEncoder* e = FLAC__stream_encoder_new();
    FLAC__stream_encoder_set_channels(e, 2);
    FLAC__stream_encoder_set_bits_per_sample(e, 16);
    FLAC__stream_encoder_set_sample_rate(e, static_cast<uint32_t>(rate));
    FLAC__stream_encoder_init_stream(e, CollectFlac, nullptr, nullptr, nullptr, &out);
    FLAC__stream_encoder_process_interleaved(e, wide.data(), static_cast<uint32_t>(rate));
    FLAC__stream_encoder_finish(e);
    FLAC__stream_encoder_delete(e);
    return out;
}

std::string Webp(const Pixels& p) {
    std::uint8_t* out = nullptr;
    const std::size_t n = WebPEncodeBGRA(reinterpret_cast<const std::uint8_t*>(p.data.data()),
                                         p.width, p.height, p.width * 4, 90, &out);
    std::string bytes(reinterpret_cast<const char*>(out), n);
    WebPFree(out);
    return bytes;
}

// A CMYK JPEG as print software writes it: Adobe's marker and inverted ink
// values, all one colour.
std::string CmykJpeg(int w, int h, const unsigned char inverted[4]) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, JCS_YCCK);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(static_cast<std::size_t>(w) * 4);
    for (int x = 0; x < w; ++x) std::copy(inverted, inverted + 4, row.begin() + x * 4);
    while (c.next_scanline < c.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&c);
    free(buffer);
    return bytes;
}

std::wstring BuiltGift() {
    std::wstring here = ThisProgram();
    here.resize(here.find_last_of(L'\\'));
    return here + L"\\..\\gift.exe";
}

// A small program of the system's for the writer to copy: the shapes need
// its resources, not the gift's 30 MB.
std::wstring SmallProgram() {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\hostname.exe";
}

std::wstring Joined(const std::vector<std::wstring>& lines) {
    std::wstring all;
    for (const std::wstring& line : lines) all += line + L"\n";
    return all;
}

// Errors, then warnings, then the rest.
int Rank(const std::wstring& line) {
    return line.starts_with(L"错误：") ? 0 : line.starts_with(L"注意：") ? 1 : 2;
}

std::string ResourceOf(const std::wstring& exe, const wchar_t* name) {
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return "(not loadable)";
    std::string bytes;
    if (HRSRC found = FindResourceW(module, name, MAKEINTRESOURCEW(10))) {
        const auto* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
        if (data) bytes = std::string(data + 8, SizeofResource(module, found) - 9);
    }
    FreeLibrary(module);
    return bytes;
}

}  // namespace

TEST(MakeGift, RealWorldFilesGiveTheirReportLineAndExit) {
    Scratch scratch(L"real");
    const std::string song = Song48kMono();  // LAME's Info header in its first frame
    const std::string noHeader = Song22kMono();
    const Pixels photo = Paint(1200, 900, [](int x, int y) { return 0xFF000000u | (x << 8) | y; });
    const std::string jpeg = maker::EncodeJpeg(photo);
    const unsigned char red[4] = {255, 0, 0, 255};  // Adobe-inverted C=0 M=Y=100% K=0
    const std::string fireworks =
        Png(Paint(640, 480, [](int x, int y) { return 0x80000000u | (x * y); }), true);

    struct Case {
        const wchar_t* name;
        std::vector<std::pair<std::wstring, std::string>> files;
        std::vector<const wchar_t*> expected;  // each somewhere in the report
        bool written;
        std::function<maker::Report(const std::wstring& folder)> run = nullptr;
    };
    const std::wstring desk = scratch.Folder(L"桌面");
    const std::vector<Case> cases = {
        {L"tags at both ends",
         {{L"song.mp3", Id3v2(3, Noise(70000)) + Id3v2(4, std::string(4, '\0')) + song + Ape(true) +
                            Lyrics3v2() + Id3v1()}},
         {L"歌曲 song.mp3：0 分 01 秒，48000 Hz，单声道，已采用"},
         true},
        {L"tags appended",
         {{L"歌.mp3", Id3v2(2, std::string(30, '\0'), char(0x80)) + song +
                          Id3v2(4, std::string(40, '\0'), 0x10) + Ape(false) + Id3v1()}},
         {L"歌曲 歌.mp3：0 分 01 秒"},
         true},
        {L"junk after cover art",
         {{L"song.mp3", Id3v2(3, Noise(70000)) + "\x01" + song}},
         {L"跳过了 1 字节无用数据", L"已采用"},
         true},
        {L"short last frame",
         {{L"song.mp3", song.substr(0, song.size() - 7)}},
         {L"最后一帧不完整，已略去", L"已采用"},
         true},
        {L"cut download with header",
         {{L"song.mp3", song.substr(0, song.size() / 2)}},
         {L"这首歌应有 0 分 01 秒，文件里只有 0 分 00 秒，可能没有下载完整"},
         false},
        {L"cut without header",
         {{L"song.mp3", noHeader.substr(0, noHeader.size() * 2 / 3)}},
         {L"最后一帧不完整", L"22050 Hz，单声道，已采用"},
         true},
        {L"flac",
         {{L"song.flac", Flac(44100)}},
         {L"0 分 01 秒，44100 Hz，立体声，FLAC 已转换为 MP3"},
         true},
        {L"wav", {{L"歌曲.wav", Wav(48000)}}, {L"48000 Hz，立体声，WAV 已转换为 MP3"}, true},
        {L"m4a",
         {{L"song.m4a", std::string("\0\0\0\x20"
                                    "ftypM4A ",
                                    12) +
                            Noise(200)}},
         {L"M4A/AAC", L"iTunes"},
         false},
        {L"ncm", {{L"song.ncm", "CTENFDAM" + Noise(200)}}, {L"网易云音乐的加密格式（NCM）"}, false},
        {L"webp and cmyk",
         {{L"big_rose.webp", Webp(photo)}, {L"开场照片.jpg", CmykJpeg(1024, 724, red)}},
         {L"大玫瑰 big_rose.webp：1200×900", L"启动窗口的照片 开场照片.jpg：1024×724 已采用"},
         true},
        {L"heic",
         {{L"start_background.heic", std::string("\0\0\0\x18"
                                                 "ftypheic\0\0\0\0mif1heic",
                                                 24) +
                                         Noise(500)}},
         {L"start_background.heic：这是 HEIC 照片", L"兼容性最佳"},
         false},
        {L"tiny photo",
         {{L"words_background.jpg",
           maker::EncodeJpeg(Paint(8, 8, [](int, int) { return 0xFF336699u; }))}},
         {L"8×8 已放大并裁剪为 1000×750", L"注意：words_background.jpg 只有 8×8 像素"},
         true},
        {L"half-copied photo",
         {{L"letter_background.jfif", jpeg.substr(0, jpeg.size() / 2)}},
         {L"照片不完整或已损坏"},
         false},
        {L"cut fireworks frame",
         {{L"fireworks_07.png", fireworks.substr(0, fireworks.size() - 40)}},
         {L"fireworks_07.png：图片不完整或已损坏"},
         false},
        {L"doubled extensions and Chinese names",
         {{L"letter1.txt.txt", Utf8(u8"你好")},
          {L"第二封信.txt", Utf8(u8"再见")},
          {L"picture_strip.jpg.jpeg", jpeg},
          {L"诗.txt", Utf8(u8"一\n二\n三\n四\n五\n六\n七\n八\n九\n十\n一\n二\n三\n四\n五\n六\n七\n"
                           u8"八\n九\n十\r\n\r\n")}},
         {L"letter1.txt.txt 的名字多了一个扩展名", L"已当作 letter1.txt 使用",
          L"第二封信 第二封信.txt", L"信下面的图片条 picture_strip.jpg.jpeg",
          L"诗 诗.txt：UTF-8，20 行"},
         true},
        {L"two files for one role",
         {{L"start_background.jpg", jpeg}, {L"开场照片.png", Png(photo, false)}},
         {L"start_background.jpg 和 开场照片.png 都是启动窗口的照片，请只留一个"},
         false},
        {L"role names in unusable formats",
         {{L"letter1.docx", "PK\x03\x04" + Noise(100)},
          {L"poem.txt", Utf8(u8"月光\n照在你的窗前\xE5\n")}},
         {L"letter1.docx：这是 Word 或 WPS 文档",
          L"poem.txt：是 UTF-8 编码，但第 2 行有损坏的字节"},
         false},
        {L"example texts and settings",
         {{L"letter1.txt", Utf8(u8"【示例】把这封信换成你自己想说的话\n亲爱的：")},
          {L"gift.ini", Utf8(u8"[ gift ] ; 礼物的设置\ntitle=给你\nlink=https://example.com\n")},
          {L"readme1.md", "x"},
          {L"a.doc", "x"},
          {L"b.psd", "x"},
          {L"c.zip", "x"},
          {L"d.png", "x"},
          {L"e.png", "x"}},
         {L"注意：letter1.txt 还是示例信", L"注意：gift.ini：联系链接还是示例的地址",
          L"窗口标题：给你",
          L"已忽略 6 个不是礼物用的文件名的文件：a.doc、b.psd、c.zip、d.png、e.png 等"},
         true},
        {L"drive root",
         {{L"letter2.txt", "ok"}},
         {L"礼物已写好：", L"桌面\\我的礼物（"},
         true,
         [&](const std::wstring& folder) {
             maker::MakeRequest r{folder, L"", SmallProgram()};
             r.rootOutputFolder = desk;
             r.folderIsDriveRoot = true;
             return maker::MakeGift(r);
         }},
        {L"output not a program",
         {{L"letter2.txt", "ok"}},
         {L"不会覆盖不是程序的文件"},
         false,
         [&](const std::wstring& folder) {
             WriteBytes(scratch.path() + L"\\notes.exe", "my notes");
             return maker::MakeGift({folder, scratch.path() + L"\\notes.exe", SmallProgram()});
         }},
        {L"output inside by another spelling",
         {{L"letter2.txt", "ok"}},
         {L"礼物不能写进素材文件夹里面"},
         false,
         [&](const std::wstring& folder) {
             // The folder by its short 8.3 name, which no text comparison matches.
             wchar_t shortName[MAX_PATH] = {};
             GetShortPathNameW(folder.c_str(), shortName, MAX_PATH);
             return maker::MakeGift(
                 {folder, std::wstring(shortName) + L"\\礼物.exe", SmallProgram()});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring folder = scratch.Folder(c.name);
        for (const auto& [name, bytes] : c.files) WriteBytes(folder + L"\\" + name, bytes);
        const maker::Report report =
            c.run ? c.run(folder) : maker::MakeGift({folder, L"", SmallProgram()});
        const std::wstring text = Joined(report.lines);
        EXPECT_EQ(report.written, c.written) << text;
        for (const wchar_t* expected : c.expected)
            EXPECT_NE(text.find(expected), std::wstring::npos) << expected << L"\n" << text;
        for (std::size_t i = 1; i + 1 < report.lines.size(); ++i)
            EXPECT_LE(Rank(report.lines[i - 1]), Rank(report.lines[i])) << text;
        if (report.written) {
            EXPECT_TRUE(Exists(report.output));
        }
    }
    // The CMYK photo is red, and the FLAC became an MP3 the gift plays.
    const std::wstring pictures = scratch.path() + L"\\webp and cmyk.exe";
    const std::string background = ResourceOf(pictures, L"GIFT_START_BACKGROUND");
    const decode::Image image = decode::DecodeJpeg(background.data(), background.size());
    ASSERT_FALSE(image.Empty());
    const std::uint32_t centre =
        image.frames[0].pixels[image.width * (image.height / 2) + image.width / 2];
    EXPECT_GT((centre >> 16) & 0xFF, 230u) << std::hex << centre;
    EXPECT_LT((centre >> 8) & 0xFF, 30u) << std::hex << centre;
    const maker::SongCheck converted =
        maker::CheckSong(ResourceOf(scratch.path() + L"\\flac.exe", L"GIFT_SONG"));
    EXPECT_TRUE(converted.ok) << converted.problem;
    EXPECT_EQ(converted.rate, 44100);
    EXPECT_NEAR(converted.seconds, 1.0, 0.1);

    // A folder of 200 camera photos: the box keeps to the screen and still
    // shows the error and the outcome.
    std::vector<std::wstring> many = {L"错误：song.m4a：这是 M4A/AAC 格式的音乐"};
    for (int i = 0; i < 200; ++i) many.push_back(L"已采用 IMG_" + std::to_wstring(i) + L".jpg");
    many.push_back(L"没有写出礼物。");
    const std::wstring box = maker::BoxText(many, false, 30);
    EXPECT_LE(std::count(box.begin(), box.end(), L'\n'), 30);
    for (const wchar_t* shown : {L"错误：song.m4a", L"行没有显示", L"没有写出礼物。"})
        EXPECT_NE(box.find(shown), std::wstring::npos) << shown;

    // A folder and the guide dropped together: nothing is taken for the output.
    const std::wstring folder = scratch.Folder(L"我的礼物");
    WriteBytes(folder + L"\\letter1.txt", Utf8(u8"新的信"));
    const std::wstring guide = scratch.path() + L"\\使用说明.txt";
    WriteBytes(guide, "guide");
    EXPECT_EQ(maker::RunMaker({L"--no-window", L"--program", BuiltGift(), folder, guide}), 1);
    EXPECT_EQ(ReadBytes(guide), "guide");
    maker::MakeRequest request;
    EXPECT_NE(maker::CheckArguments({folder, guide}, request).find(L"一次拖上来了 2 项"),
              std::wstring::npos);

    // Re-made by dropping the folder onto the made gift of its name: the
    // running program is replaced by the new gift.
    const std::wstring made = folder + L".exe";
    ASSERT_TRUE(CopyFileW(BuiltGift().c_str(), made.c_str(), FALSE));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + made + L"\" --no-window \"" + folder + L"\"";
    ASSERT_TRUE(CreateProcessW(made.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &si, &pi));
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(ResourceOf(made, L"GIFT_LETTER1"), "新的信");
    // Its PE checksum is the one the system computes.
    DWORD inHeader = 0, computed = 0;
    EXPECT_EQ(MapFileAndCheckSumW(made.c_str(), &inHeader, &computed), 0u);
    EXPECT_EQ(inHeader, computed);
}
