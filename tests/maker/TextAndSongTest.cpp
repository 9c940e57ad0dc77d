// The giver's texts in every encoding Notepad writes come out as the same
// GBK; the poem's limits hold; songs of any rate and channel count pass their
// check while cut or damaged ones do not.
#include <gtest/gtest.h>

#include "maker/GiftText.h"
#include "maker/SongCheck.h"
#include "tests/maker/MakerTestSupport.h"
#include "tests/support/TestData.h"

using namespace makertest;

namespace {

std::string Utf16(const std::wstring& text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (wchar_t c : text) {
        const char hi = char(c >> 8), lo = char(c & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

}  // namespace

TEST(GiftText, EveryEncodingAndLineEndingGivesTheSameGbkLetter) {
    // Mixed line endings, the bare-LF marker, a trailing break, and a character
    // whose second GBK byte is a backslash (表).
    const std::wstring wide = L"亲爱的：\r\n表白 ABC\n第三行[LF]\r第四行\r\n";
    const std::string utf8 = Utf8(u8"亲爱的：\r\n表白 ABC\n第三行[LF]\r第四行\r\n");
    const std::string expected = "亲爱的：\r\n表白 ABC\r\n第三行\n第四行";  // a GBK literal
    const std::pair<const char*, std::string> files[] = {
        {"UTF-8", utf8},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + utf8},
        {"UTF-16 LE", Utf16(wide, false)},
        {"UTF-16 BE", Utf16(wide, true)},
        {"GBK", "亲爱的：\r\n表白 ABC\n第三行[LF]\r第四行\r\n"},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const maker::TextTaken letter = maker::TakeLetter(bytes, L"letter1.txt", L"第一封信");
        EXPECT_TRUE(letter.ok) << letter.line;
        EXPECT_EQ(letter.bytes, expected);
    }
    // Neither UTF-8 nor GBK; a letter over 64 KB.
    EXPECT_FALSE(maker::TakeLetter("\x81\x20\xFF\xFF", L"a.txt", L"").ok);
    EXPECT_FALSE(maker::TakeLetter(std::string(70000, 'a'), L"a.txt", L"").ok);
}

TEST(GiftText, ThePoemKeepsToTwentyLinesOfTwentyOneCharacters) {
    const maker::TextTaken three = maker::TakePoem(Utf8(u8"题\n第二行\n第三行\n"), L"poem.txt");
    ASSERT_TRUE(three.ok) << three.line;
    EXPECT_EQ(three.bytes, std::string("题\0第二行\0第三行\0", 3 + 7 + 7));

    std::string twentyOne;
    for (int i = 0; i < 21; ++i) twentyOne += Utf8(u8"月");
    EXPECT_TRUE(maker::TakePoem(twentyOne, L"poem.txt").ok);
    const maker::TextTaken tooWide = maker::TakePoem("x\n" + twentyOne + Utf8(u8"光"), L"poem.txt");
    EXPECT_FALSE(tooWide.ok);
    EXPECT_NE(tooWide.line.find(L"第 2 行有 22 个字"), std::wstring::npos) << tooWide.line;
    std::string lines;
    for (int i = 0; i < 21; ++i) lines += "a\n";
    EXPECT_FALSE(maker::TakePoem(lines, L"poem.txt").ok);
    const maker::TextTaken emoji = maker::TakePoem(Utf8(u8"好\n月光🌙下"), L"poem.txt");
    EXPECT_FALSE(emoji.ok);
    EXPECT_NE(emoji.line.find(L"第 2 行第 3 个字：U+1F319“\xD83C\xDF19”"), std::wstring::npos)
        << emoji.line;
}

TEST(SongCheck, AnyRateAndChannelCountPassesAndCutOrDamagedSongsDoNot) {
    struct Song {
        std::string bytes;
        int rate, channels;
        bool header;  // LAME's Info frame first
    };
    const Song songs[] = {{Bytes(ToneMp3()), 44100, 2, true},
                          {Song48kMono(), 48000, 1, true},
                          {Song22kMono(), 22050, 1, false}};
    for (const Song& song : songs) {
        SCOPED_TRACE(song.rate);
        const maker::SongCheck whole = maker::CheckSong(song.bytes);
        ASSERT_TRUE(whole.ok) << whole.problem;
        EXPECT_EQ(whole.rate, song.rate);
        EXPECT_EQ(whole.channels, song.channels);
        EXPECT_NEAR(whole.seconds, 1.0, 0.1);
        // With ID3 tags at both ends.
        std::string tagged =
            std::string("ID3\x03\0\0\0\0\0\x0A", 10) + std::string(10, '\0') + song.bytes;
        tagged += "TAG" + std::string(125, ' ');
        EXPECT_TRUE(maker::CheckSong(tagged).ok);

        // A last frame a few bytes short is dropped, as players do.
        const maker::SongCheck shortFrame =
            maker::CheckSong(song.bytes.substr(0, song.bytes.size() - 7));
        EXPECT_TRUE(shortFrame.ok) << shortFrame.problem;
        EXPECT_NE(shortFrame.note.find(L"最后一帧不完整"), std::wstring::npos);
        // Damage between frames is stepped over, and said.
        std::string damaged = song.bytes;
        for (std::size_t i = damaged.size() / 2; i < damaged.size() / 2 + 600; ++i)
            damaged[i] = 'x';
        // Damage is stepped over; where a header tells how many frames
        // there should be, the frames it cost refuse the song.
        const maker::SongCheck stepped = maker::CheckSong(damaged);
        EXPECT_EQ(stepped.ok, !song.header);
        EXPECT_NE((song.header ? stepped.problem : stepped.note)
                      .find(song.header ? L"中间有损坏" : L"跳过了"),
                  std::wstring::npos)
            << stepped.problem;
    }
    EXPECT_FALSE(maker::CheckSong("RIFF....WAVEfmt ").ok);
    EXPECT_FALSE(maker::CheckSong(std::string(21u << 20, '\0')).ok);
}
