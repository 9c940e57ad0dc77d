#include "app/Content.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "app/StartWindow.h"
#include "maker/Roles.h"

// Symbols of the embedded blocks (cmake/Content.cmake); each names the first
// data byte, with the byte count in the word in front of it.
extern "C" {
extern const unsigned char ContentStartBackground[];
extern const unsigned char ContentFireworksBackground[];
extern const unsigned char ContentWordsBackground[];
extern const unsigned char ContentLetterBackground[];
extern const unsigned char ContentPictureStrip[];
extern const unsigned char ContentBigRose[];
extern const unsigned char ContentFlower01[], ContentFlower02[], ContentFlower03[],
    ContentFlower04[], ContentFlower05[], ContentFlower06[], ContentFlower07[], ContentFlower08[],
    ContentFlower09[], ContentFlower10[], ContentFlower11[], ContentFlower12[], ContentFlower13[],
    ContentFlower14[], ContentFlower15[], ContentFlower16[], ContentFlower17[], ContentFlower18[],
    ContentFlower19[], ContentFlower20[], ContentFlower21[], ContentFlower22[];
extern const unsigned char ContentFireworks01[], ContentFireworks02[], ContentFireworks03[],
    ContentFireworks04[], ContentFireworks05[], ContentFireworks06[], ContentFireworks07[],
    ContentFireworks08[], ContentFireworks09[], ContentFireworks10[], ContentFireworks11[],
    ContentFireworks12[], ContentFireworks13[], ContentFireworks14[], ContentFireworks15[],
    ContentFireworks16[], ContentFireworks17[], ContentFireworks18[], ContentFireworks19[],
    ContentFireworks20[], ContentFireworks21[], ContentFireworks22[], ContentFireworks23[],
    ContentFireworks24[], ContentFireworks25[], ContentFireworks26[], ContentFireworks27[],
    ContentFireworks28[], ContentFireworks29[], ContentFireworks30[], ContentFireworks31[],
    ContentFireworks32[], ContentFireworks33[], ContentFireworks34[], ContentFireworks35[];
extern const unsigned char ContentRoseBox2[], ContentRoseBox3[], ContentRoseBox4[];
extern const unsigned char ContentSong[];
extern const unsigned char ContentStartIcon[];
extern const unsigned char ContentFirstLetter[];
extern const unsigned char ContentSecondLetter[];
extern const unsigned char ContentPoem[];
}

namespace content {
namespace {

const unsigned char* const kFlowers[kFlowerCount] = {
    ContentFlower01, ContentFlower02, ContentFlower03, ContentFlower04, ContentFlower05,
    ContentFlower06, ContentFlower07, ContentFlower08, ContentFlower09, ContentFlower10,
    ContentFlower11, ContentFlower12, ContentFlower13, ContentFlower14, ContentFlower15,
    ContentFlower16, ContentFlower17, ContentFlower18, ContentFlower19, ContentFlower20,
    ContentFlower21, ContentFlower22};

const unsigned char* const kFireworks[kFireworksFrameCount] = {
    ContentFireworks01, ContentFireworks02, ContentFireworks03, ContentFireworks04,
    ContentFireworks05, ContentFireworks06, ContentFireworks07, ContentFireworks08,
    ContentFireworks09, ContentFireworks10, ContentFireworks11, ContentFireworks12,
    ContentFireworks13, ContentFireworks14, ContentFireworks15, ContentFireworks16,
    ContentFireworks17, ContentFireworks18, ContentFireworks19, ContentFireworks20,
    ContentFireworks21, ContentFireworks22, ContentFireworks23, ContentFireworks24,
    ContentFireworks25, ContentFireworks26, ContentFireworks27, ContentFireworks28,
    ContentFireworks29, ContentFireworks30, ContentFireworks31, ContentFireworks32,
    ContentFireworks33, ContentFireworks34, ContentFireworks35};

constexpr int kRainOrder[kRainPictureCount] = {16, 5, 8, 9, 10, 11, 12, 13};

// A made gift carries the giver's content as RCDATA resources of the program
// itself, each laid out as a byte block with a NUL after it; an item without
// its resource is the one built in.
ByteBlock Resource(const wchar_t* name) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (!found) return {};
    const DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    const auto* bytes = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
    if (!bytes || size < 9) return {};
    std::uint32_t one = 0, count = 0;
    std::memcpy(&one, bytes, 4);
    std::memcpy(&count, bytes + 4, 4);
    if (one != 1 || count > size - 9 || bytes[8 + count] != 0) return {};
    return ByteBlock::FromDataPointer(bytes + 8);
}

ByteBlock Block(const wchar_t* resource, const unsigned char* builtIn) {
    const ByteBlock given = Resource(resource);
    return given.data ? given : ByteBlock::FromDataPointer(builtIn);
}

const char* Text(const wchar_t* resource, const char* builtIn) {
    const ByteBlock given = Resource(resource);
    return given.data ? reinterpret_cast<const char*>(given.data) : builtIn;
}

const char* Text(const unsigned char* data) {
    return reinterpret_cast<const char*>(data);
}

}  // namespace

ByteBlock StartBackground() {
    return Block(maker::ResourceFor(L"start_background"), ContentStartBackground);
}
ByteBlock FireworksBackground() {
    return Block(maker::ResourceFor(L"fireworks_background"), ContentFireworksBackground);
}
ByteBlock WordsBackground() {
    return Block(maker::ResourceFor(L"words_background"), ContentWordsBackground);
}
ByteBlock LetterBackground() {
    return Block(maker::ResourceFor(L"letter_background"), ContentLetterBackground);
}
ByteBlock PictureStrip() {
    return Block(maker::ResourceFor(L"picture_strip"), ContentPictureStrip);
}
ByteBlock BigRose() {
    return Block(maker::ResourceFor(L"big_rose"), ContentBigRose);
}

ByteBlock Flower(int n) {
    if (n < 1 || n > kFlowerCount) return {};
    return Block(maker::FlowerResource(n), kFlowers[n - 1]);
}

ByteBlock RainPicture(int n) {
    if (n < 1 || n > kRainPictureCount) return {};
    return Flower(kRainOrder[n - 1]);
}

ByteBlock BottomRowPicture() {
    return Flower(11);
}

ByteBlock RoseBox(int n) {
    switch (n) {
        case 2:
            return Block(maker::ResourceFor(L"rose_box_2"), ContentRoseBox2);
        case 3:
            return Block(maker::ResourceFor(L"rose_box_3"), ContentRoseBox3);
        case 4:
            return Block(maker::ResourceFor(L"rose_box_4"), ContentRoseBox4);
        default:
            return {};
    }
}

ByteBlock FireworksFrame(int n) {
    if (n < 1 || n > kFireworksFrameCount) return {};
    return Block(maker::FireworksResource(n).c_str(), kFireworks[n - 1]);
}

ByteBlock Song() {
    return Block(maker::ResourceFor(L"song"), ContentSong);
}
ByteBlock StartIcon() {
    return Block(maker::ResourceFor(L"start_icon"), ContentStartIcon);
}

const char* FirstLetter() {
    return Text(maker::ResourceFor(L"letter1"), Text(ContentFirstLetter));
}
const char* SecondLetter() {
    return Text(maker::ResourceFor(L"letter2"), Text(ContentSecondLetter));
}

const char* Title() {
    return Text(maker::kTitleResource, "七夕快乐");
}
const char* ContactCaption() {
    return Text(maker::kContactResource, "<< 联系作者");
}
const char* ContactAddress() {
    return Text(maker::kLinkResource, gift::kContactAddress);
}

const char* PoemLine(int n) {
    if (n < 1 || n > kPoemLineCount) return "";
    // The poem block holds its lines one after the other, each NUL-terminated.
    const ByteBlock poem = Block(maker::ResourceFor(L"poem"), ContentPoem);
    const char* line = Text(poem.data);
    const char* const end = line + poem.size;
    for (int i = 1; i < n; ++i) {
        while (line < end && *line) ++line;
        if (line >= end) return "";
        ++line;
    }
    return line < end ? line : "";
}

const char* PoemLabelText(int label) {
    if (label >= 6 && label <= 9) return PoemLine(15 - label);
    return PoemLine(label);
}

}  // namespace content
