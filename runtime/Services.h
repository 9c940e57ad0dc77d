#pragma once
// The services the application calls: unit properties, moving and copying
// units, drawing panels, files, music, random numbers, pauses, message boxes.
// Texts are GBK.
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ByteBlock.h"
#include "runtime/Form.h"
#include "runtime/Picture.h"

#undef MessageBox
#undef WriteFile
#undef Sleep

namespace runtime {

// Numbered properties.
enum PropertyIndex : int {
    kLeft = 0,
    kTop = 1,
    kWidth = 2,
    kHeight = 3,
    kVisible = 5,
    kCaptionOrInterval = 8,  // a label's caption; a timer's interval (0 stops it)
    kBackgroundPicture = 10,
    kTextColour = 17,
};

// Numeric properties: 0–3 (a form's window in screen pixels, a unit in its
// parent's client pixels), 5, 8 of a timer, 17. Unknown ones read as 0.
int FormProperty(UnitRef unit, int index);
// Property 8 of a label or transparent label.
std::string FormTextProperty(UnitRef unit, int index);
// Property 10 of a drawing panel.
Picture FormPictureProperty(UnitRef unit, int index);

// A change is visible at once.
void SetFormProperty(UnitRef unit, int index, int value);
void SetFormProperty(UnitRef unit, int index, std::string_view text);
void SetFormProperty(UnitRef unit, int index, const Picture& picture);

// Moves/resizes a form's window or a unit; omitted values keep theirs.
void MoveControl(UnitRef unit, std::optional<int> left = {}, std::optional<int> top = {},
                 std::optional<int> width = {}, std::optional<int> height = {});

// A further unit of the same kind and parent with the source's settings and a
// new identifier, placed above its siblings. Nothing for a window or dead unit.
UnitRef CopyControl(UnitRef source);

// Drawing panels. `mode` read as a signed value: 1 copy, 2 AND, 3 OR, 4 XOR,
// 5 inverted copy; negative −c makes picture pixels of colour c (0x00BBGGRR)
// leave the panel unchanged and copies the rest. Width and height not given:
// the picture's own size.
inline constexpr std::uint32_t kWhiteTransparent = 0xFF000001u;  // −0x00FFFFFF
void DrawPicture(UnitRef panel, const Picture& picture, int x, int y, std::optional<int> width = {},
                 std::optional<int> height = {}, std::uint32_t mode = 1);
void ClearPanel(UnitRef panel);
// What the panel now shows beneath its transparent labels, as a picture.
Picture PanelContent(UnitRef panel);

// Directory of the running executable without a trailing separator; empty when
// unavailable. A folder name GBK cannot spell comes in its short (8.3) form.
std::string ProgramDirectory();

// Returns 0 at once for an empty path; otherwise creates or truncates the file
// with no sharing, writes every non-empty block in order and returns 1; any
// file error gives 0.
int WriteFile(std::string_view path, std::initializer_list<ByteBlock> blocks);
template <typename... Blocks>
int WriteFile(std::string_view path, const ByteBlock& first, const Blocks&... rest) {
    return WriteFile(path, std::initializer_list<ByteBlock>{first, ByteBlock(rest)...});
}

// Count not given: 1; −1 and below: endless; 0: nothing. Every non-empty name
// is played in order, the whole list `count` times, in the background; a new
// call stops a running player first.
void PlayMusic(std::optional<int> playCount, std::initializer_list<std::string_view> names);
void PlayMusic(std::optional<int> playCount, const std::vector<std::string>& names);
void StopMusic();
bool MusicPlaying();

// The screen every page uses: the full rectangle of the monitor that holds
// the main form's window (the primary monitor while there is none), in
// virtual-screen coordinates. With one monitor it is (0, 0, width, height).
RECT Screen();
// Its size.
int ScreenWidth();
int ScreenHeight();

// The monitor a form took when it opened (for a page, the one that held the
// start window then), kept however the start window moves, is minimised or
// closes afterwards; and the DPI the form's units are laid out at, that
// monitor's unless the window has since moved to one of another scale. A
// form's places and sizes, and its units', are device pixels: units x DPI / 96.
// A dead reference answers Screen() and its DPI.
RECT FormScreen(UnitRef form);
UINT FormDpi(UnitRef form);

// Pauses for `ms` (negative as 0) on the runtime clock, in short slices that
// peek the message queue without dispatching, so the window is never judged
// hung and no handler is re-entered.
void Sleep(int ms);

// With a seed: srand(seed). Without: seeded from the tick count and a salt, so
// two calls within one tick differ.
void SeedRandom(std::optional<std::uint32_t> seed = {});
// Inclusive bounds; see the runtime's rules for missing, negative and swapped ones.
int Random(std::optional<int> min = {}, std::optional<int> max = {});

// Caption "信息：" when not given; task-modal unless system-modal. Returns 0 OK,
// 1 Cancel, 2 Abort, 3 Retry, 4 Ignore, 5 Yes, 6 No.
int MessageBox(std::string_view text, std::optional<std::string_view> caption = {},
               std::optional<UINT> type = {}, HWND owner = nullptr);

template <typename... Ints>
constexpr int BitOr(Ints... values) {
    return (0 | ... | static_cast<int>(values));
}

}  // namespace runtime
