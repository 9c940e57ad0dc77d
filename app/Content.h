#pragma once
// The gift's embedded content: photographs, flower pictures, fireworks frames,
// the song, the icon, the letters and the poem. Every binary item is a byte
// block inside the executable; texts are NUL-terminated GBK strings with CR LF
// line breaks. An index out of range gives an empty block or an empty text.
#include "platform/ByteBlock.h"

namespace content {

constexpr int kFlowerCount = 22;      // F1..F22
constexpr int kRainPictureCount = 8;  // R1..R8
constexpr int kFireworksFrameCount = 35;
constexpr int kPoemLineCount = 20;

// Photographs (JPEG), at least twice the size they are shown at so that they
// stay sharp up to 200 %: the four start-window backgrounds cover 972 x 684,
// the strip 656 x 80, and the big rose covers a 2560 x 1440 monitor unenlarged.
ByteBlock StartBackground();      // 1024 x 724, also the rose button's background
ByteBlock FireworksBackground();  // 1024 x 768
ByteBlock WordsBackground();      // 1000 x 750
ByteBlock LetterBackground();     // 1026 x 684
ByteBlock PictureStrip();         // 1024 x 317
ByteBlock BigRose();              // 2560 x 1998

// Flower picture Fn, n = 1..22 (GIF, F6 and F7 JPEG; white is transparent).
ByteBlock Flower(int n);
// Rain picture Rn, n = 1..8, in choice order: F16, F5, F8, F9, F10, F11, F12, F13.
ByteBlock RainPicture(int n);
// The countdown's bottom-row picture (F11).
ByteBlock BottomRowPicture();
// Rose page picture boxes: 2 → 花2, 3 → 花3, 4 → 花4 (animated GIFs).
ByteBlock RoseBox(int n);

// Fireworks frame n = 1..35: 640 x 480 RGBA PNG.
ByteBlock FireworksFrame(int n);

ByteBlock Song();       // MP3, written beside the program and played
ByteBlock StartIcon();  // 32 x 32, 32-bit, one image

const char* FirstLetter();   // the letter box at start
const char* SecondLetter();  // the letter box after "给你的信"
// Poem line n = 1..20, top to bottom as the words page shows it.
const char* PoemLine(int n);
// The line shown by transparent label `label` (1..20) of the words page:
// labels 6 to 9 stand in reverse order on the page.
const char* PoemLabelText(int label);

// The start window's title, the contact link's caption and the address it
// opens (a giver may set them in gift.ini).
const char* Title();
const char* ContactCaption();
const char* ContactAddress();

}  // namespace content
