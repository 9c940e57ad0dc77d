// Making a gift from a folder, end to end: the made copy is started and shows
// the giver's content; bad folders give a clear report and write nothing; the
// real program does the same from its command line.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>

#include "app/AppObjects.h"
#include "app/Content.h"
#include "app/StartWindow.h"
#include "app/Startup.h"
#include "maker/Maker.h"
#include "runtime/Music.h"
#include "tests/maker/MakerTestSupport.h"
#include "tests/support/TestData.h"
#include "tests/toolkit/host/HostTestSupport.h"
#include "toolkit/core/Text.h"

using namespace makertest;

namespace {

std::wstring Joined(const maker::Report& report) {
    std::wstring all;
    for (const std::wstring& line : report.lines) all += line + L"\n";
    return all;
}

// The folder of the end-to-end test: a portrait phone photo stored sideways
// with EXIF orientation 6 (red at the top once upright, turning blue towards
// the bottom),
// a PNG strip of odd size, a UTF-8 letter with its mark, a GBK poem, a 48 kHz
// mono song and gift.ini.
void FillGiversFolder(const std::wstring& folder) {
    // Stored 1600 x 1200: upright row y is stored column x = y.
    const Pixels stored = Paint(1600, 1200, [](int x, int) {
        const std::uint32_t t = static_cast<std::uint32_t>(x * 255 / 1599);
        return 0xFF000000u | ((255 - t) << 16) | t;
    });
    WriteBytes(folder + L"\\Start_Background.JPG", JpegWithOrientation(stored, 6, false));
    WriteBytes(
        folder + L"\\picture_strip.png",
        Png(Paint(517, 161, [](int x, int y) { return 0xFF000000u | (x << 8) | (y & 0xFF); }),
            false));
    WriteBytes(folder + L"\\letter1.txt",
               Utf8(u8"\uFEFF亲爱的：\n今年七夕，我给你做了这个礼物。\r\n[LF]\n想你。"));
    WriteBytes(folder + L"\\poem.txt", "月光\r\n照在你的窗前\r\n");  // a GBK literal
    WriteBytes(folder + L"\\song.mp3", Song48kMono());
    WriteBytes(folder + L"\\gift.ini",
               Utf8(u8"[gift]\r\ntitle = "
                    u8"给小芳的七夕礼物\r\ncontact=找我\r\nlink=https://example.com/小芳\r\n"));
    WriteBytes(folder + L"\\readme.docx", "not for the gift");
}

struct Played {
    std::atomic<int> rate{0}, channels{0};
    std::atomic<long long> samples{0};
} played;

class RecordingOutput : public audio::AudioOutput {
public:
    bool Open(int rate, int channels) override {
        played.rate = rate;
        played.channels = channels;
        return true;
    }
    bool Write(const std::int16_t*, std::size_t count) override {
        played.samples += static_cast<long long>(count);
        return true;
    }
    void Drain() override {}
    void Abort() override {}
    void Close() override {}
};

struct Seen {
    bool window = false;
    std::string letter, link, caption;
    std::uint32_t top = 0, bottom = 0;
    int ticks = 0;
} seen;

void CALLBACK InspectMadeGift(HWND, UINT, UINT_PTR id, DWORD) {
    HWND start = FindWindowW(nullptr, L"给小芳的七夕礼物");
    if (start && !seen.window && GlobalsAlive()) {
        seen.window = true;
        gift::AppObjects& app = gift::App();
        seen.letter = app.letterBox.Text();
        seen.link = app.contactLink.LinkTarget();
        seen.top = hosttest::BackPixel(app.startHost, 12, 60);
        seen.bottom = hosttest::BackPixel(app.startHost, 12, 240);
    }
    // Until the song has been heard for a while, or 10 s.
    if (++seen.ticks > 200 || (seen.window && played.samples > 48000)) {
        KillTimer(nullptr, id);
        if (start) PostMessageW(start, WM_CLOSE, 0, 0);
    }
}

}  // namespace

// Runs only inside the made copy of this test program, started by the test below.
TEST(MadeGiftChild, ShowsTheGiversContent) {
    if (!GetEnvironmentVariableW(L"GIFT_MADE_CHILD", nullptr, 0)) GTEST_SKIP();
    runtime::SetAudioOutputFactory(
        [] { return std::unique_ptr<audio::AudioOutput>(new RecordingOutput); });
    SetTimer(nullptr, 0, 50, InspectMadeGift);
    EXPECT_EQ(RunGift(), 0);
    runtime::SetAudioOutputFactory(nullptr);

    ASSERT_TRUE(seen.window) << "no start window titled with gift.ini's title";
    EXPECT_EQ(seen.letter, "亲爱的：\r\n今年七夕，我给你做了这个礼物。\r\n\n想你。");
    EXPECT_EQ(seen.link, "https://example.com/小芳");
    EXPECT_STREQ(content::ContactCaption(), "找我");
    EXPECT_STREQ(content::PoemLine(2), "照在你的窗前");
    EXPECT_STREQ(content::PoemLine(3), "");  // fewer lines leave the lower labels empty
    // Upright: redder above than below in the same column (the photo runs
    // from red at its top to blue at its bottom; sideways, the column would
    // be one colour).
    const int redAbove = hosttest::R(seen.top) - hosttest::B(seen.top);
    const int redBelow = hosttest::R(seen.bottom) - hosttest::B(seen.bottom);
    EXPECT_GT(redAbove, 40);
    EXPECT_GT(redAbove, redBelow + 40);
    EXPECT_EQ(ReadBytes(ToWide(gift::MusicPath())), Song48kMono());
    EXPECT_EQ(played.rate, 48000);
    EXPECT_EQ(played.channels, 1);
    EXPECT_GT(played.samples, 0);
    DeleteFileW(ToWide(gift::MusicPath()).c_str());
}

TEST(MakeGift, TheMadeCopyShowsThePhotoUprightTheLetterTitleAndSong) {
    Scratch scratch(L"made");
    const std::wstring folder = scratch.Folder(L"我的礼物");
    FillGiversFolder(folder);
    // This test program stands in for the gift: its copy runs the child test.
    const std::wstring made = scratch.path() + L"\\我的礼物.exe";
    const maker::Report report = maker::MakeGift({folder, L"", ThisProgram()});
    const std::wstring text = Joined(report);
    ASSERT_TRUE(report.written) << text;
    EXPECT_TRUE(Exists(made));
    for (const wchar_t* expected :
         {L"1200×1600（按拍摄方向转正） 已裁剪为 1024×724", L"517×161 已放大并裁剪为 1024×317",
          L"48000 Hz，单声道", L"已忽略 1 个不是礼物用的文件名的文件：readme.docx"})
        EXPECT_NE(text.find(expected), std::wstring::npos) << expected << L"\n" << text;

    SetEnvironmentVariableW(L"GIFT_MADE_CHILD", L"1");
    std::wstring command = L"\"" + made + L"\" --gtest_filter=MadeGiftChild.*";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(made.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               scratch.path().c_str(), &si, &pi));
    SetEnvironmentVariableW(L"GIFT_MADE_CHILD", nullptr);
    const DWORD waited = WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 99;
    if (waited != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 98);
    WaitForSingleObject(pi.hProcess, 5000);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 0u) << "the made copy's own test failed (its output is above)";
}

TEST(MakeGift, BadFoldersGiveAClearReportAndLeaveTheOlderGiftUntouched) {
    Scratch scratch(L"bad");
    const std::wstring older = scratch.path() + L"\\礼物.exe";
    const std::string tone = Bytes(ToneMp3());
    struct Case {
        const wchar_t* name;
        std::vector<std::pair<const wchar_t*, std::string>> files;
        std::vector<const wchar_t*> expected;  // all in the report
        std::wstring output;                   // empty: the older gift's path
    };
    const std::vector<Case> cases = {
        {L"emoji",
         {{L"letter1.txt", Utf8(u8"第一行\n你好😀呀\n")}},
         {L"letter1.txt 第 2 行第 3 个字", L"U+1F600", L"\xD83D\xDE00"},
         L""},
        {L"truncated song",
         {{L"song.mp3", tone.substr(0, tone.size() * 3 / 5)}},
         {L"song.mp3", L"可能没有下载完整"},
         L""},
        {L"not a picture",
         {{L"big_rose.jpg", "this is a letter, not a photograph"}},
         {L"big_rose.jpg", L"不是"},
         L""},
        {L"absurd size",
         {{L"words_background.png", PngHeaderOnly(30000, 30000)}},
         {L"30000×30000", L"太大"},
         L""},
        {L"wrong flower",
         {{L"f05.gif", Png(Paint(100, 77, [](int, int) { return 0xFFFFFFFFu; }), true)}},
         {L"f05.gif", L"需要 100×77 像素的 GIF"},
         L""},
        {L"empty folder", {}, {L"没有可以放进礼物的文件"}, L""},
        {L"unwritable",
         {{L"letter2.txt", "ok"}},
         {L"无法在目标文件夹里写文件"},
         scratch.path() + L"\\没有这个文件夹\\礼物.exe"},
        {L"not a program's name",
         {{L"letter2.txt", "ok"}},
         {L"必须以 .exe 结尾"},
         scratch.path() + L"\\礼物.txt"},
        {L"into the folder", {{L"letter2.txt", "ok"}}, {L"不能写进素材文件夹"}, L"*inside"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring folder = scratch.Folder(c.name);
        for (const auto& [name, bytes] : c.files) WriteBytes(folder + L"\\" + name, bytes);
        WriteBytes(older, "an older gift");
        const std::wstring output = c.output == L"*inside" ? folder + L"\\礼物.exe"
                                    : c.output.empty()     ? older
                                                           : c.output;
        const maker::Report report = maker::MakeGift({folder, output, L""});
        const std::wstring text = Joined(report);
        EXPECT_FALSE(report.written) << text;
        for (const wchar_t* expected : c.expected)
            EXPECT_NE(text.find(expected), std::wstring::npos) << expected << L"\n" << text;
        EXPECT_NE(report.lines.back().find(L"没有写出礼物"), std::wstring::npos) << text;
        EXPECT_EQ(ReadBytes(older), "an older gift");
        EXPECT_FALSE(Exists(folder + L"\\礼物.exe"));
        const std::vector<std::wstring> left = scratch.Files();
        EXPECT_EQ(left, std::vector<std::wstring>{L"礼物.exe"});  // no temporary file left behind
    }
}

namespace {

struct ProcessRun {
    DWORD code = 99;
    std::string out;  // standard output, UTF-8
};

// Starts `program` with `arguments`, its standard output read through a pipe.
ProcessRun RunProgram(const std::wstring& program, const std::wstring& arguments) {
    ProcessRun run;
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return run;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + program + L"\" " + arguments;
    const BOOL started = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    if (started) {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got)
            run.out.append(buffer, got);
        WaitForSingleObject(pi.hProcess, 60000);
        GetExitCodeProcess(pi.hProcess, &run.code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(readEnd);
    return run;
}

std::wstring BuiltGift() {
    std::wstring here = ThisProgram();
    here.resize(here.find_last_of(L'\\'));
    return here + L"\\..\\gift.exe";
}

// Resource `name` of type `type` in `exe`; for RCDATA the bytes of its byte block.
std::string ResourceOf(const std::wstring& exe, const wchar_t* name, int type = 10) {
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return "(not loadable)";
    std::string bytes;
    if (HRSRC found = FindResourceW(module, name, MAKEINTRESOURCEW(type))) {
        const auto* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
        const DWORD size = SizeofResource(module, found);
        // A byte block: skip the 1 and the count, drop the NUL after the bytes.
        if (data) bytes = type == 10 ? std::string(data + 8, size - 9) : std::string(data, size);
    }
    FreeLibrary(module);
    return bytes;
}

// A 32 x 32, 32-bit icon file of one image in one colour.
std::string Icon(std::uint32_t colour) {
    std::string image(40, '\0');
    const std::int32_t header[] = {40, 32, 64};
    std::memcpy(image.data(), header, sizeof header);
    image[12] = 1, image[14] = 32;  // planes, bits
    for (int i = 0; i < 32 * 32; ++i) image.append(reinterpret_cast<const char*>(&colour), 4);
    image += std::string(32 * 4, '\0');  // the AND mask
    std::string ico("\0\0\1\0\1\0", 6);
    ico += std::string{32, 32, 0, 0, 1, 0, 32, 0};
    const std::uint32_t size = static_cast<std::uint32_t>(image.size()), offset = 22;
    ico.append(reinterpret_cast<const char*>(&size), 4);
    ico.append(reinterpret_cast<const char*>(&offset), 4);
    return ico + image;
}

}  // namespace

// The real program from its command line: a made gift is itself a maker, and
// a second gift made from it keeps what the first one was given.
TEST(MakeGift, TheProgramMakesAGiftFromAFolderArgumentAndTheGiftMakesAnother) {
    Scratch scratch(L"process");
    const std::wstring first = scratch.Folder(L"第一份");
    WriteBytes(first + L"\\letter1.txt", Utf8(u8"第一份礼物的信"));
    const std::wstring second = scratch.Folder(L"第二份");
    WriteBytes(second + L"\\gift.ini", "[gift]\ntitle=第二份\n");
    const std::string icon = Icon(0xFF20C040);
    WriteBytes(second + L"\\start_icon.ico", icon);

    const ProcessRun a = RunProgram(BuiltGift(), L"--no-window \"" + first + L"\"");
    EXPECT_EQ(a.code, 0u) << a.out;
    EXPECT_NE(a.out.find(Utf8(u8"礼物已写好")), std::string::npos) << a.out;
    const std::wstring madeA = first + L".exe";
    const ProcessRun b =
        RunProgram(madeA, L"--no-window \"" + second + L"\" \"" + scratch.path() + L"\\B.exe\"");
    EXPECT_EQ(b.code, 0u) << b.out;
    EXPECT_EQ(ResourceOf(scratch.path() + L"\\B.exe", L"GIFT_LETTER1"), "第一份礼物的信");
    EXPECT_EQ(ResourceOf(scratch.path() + L"\\B.exe", L"GIFT_TITLE"), "第二份");
    // The window's icon, and the one Explorer shows for the file.
    EXPECT_EQ(ResourceOf(scratch.path() + L"\\B.exe", L"GIFT_START_ICON"), icon);
    const std::string group = ResourceOf(scratch.path() + L"\\B.exe", L"GIFT", 14);
    ASSERT_EQ(group.size(), 20u);
    const WORD id = static_cast<WORD>(static_cast<unsigned char>(group[18]) |
                                      (static_cast<unsigned char>(group[19]) << 8));
    EXPECT_EQ(ResourceOf(scratch.path() + L"\\B.exe", MAKEINTRESOURCEW(id), 3), icon.substr(22));

    const ProcessRun bad =
        RunProgram(BuiltGift(), L"--no-window \"" + scratch.Folder(L"空的") + L"\"");
    EXPECT_EQ(bad.code, 1u) << bad.out;
    EXPECT_NE(bad.out.find(Utf8(u8"没有写出礼物")), std::string::npos) << bad.out;
}
