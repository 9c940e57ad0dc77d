// The application's services other than music.
#include "runtime/Services.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "platform/Handle.h"
#include "platform/Monitors.h"
#include "runtime/Clock.h"
#include "runtime/Internal.h"
#include "runtime/Text.h"

namespace runtime {

using detail::Resolve;

int FormProperty(UnitRef unitRef, int index) {
    detail::Unit* unit = Resolve(unitRef);
    return unit ? unit->GetInt(index) : 0;
}

std::string FormTextProperty(UnitRef unitRef, int index) {
    detail::Unit* unit = Resolve(unitRef);
    return unit ? unit->GetText(index) : std::string();
}

Picture FormPictureProperty(UnitRef unitRef, int index) {
    detail::Unit* unit = Resolve(unitRef);
    return unit ? unit->GetPicture(index) : Picture();
}

void SetFormProperty(UnitRef unitRef, int index, int value) {
    if (detail::Unit* unit = Resolve(unitRef)) unit->SetInt(index, value);
}

void SetFormProperty(UnitRef unitRef, int index, std::string_view text) {
    if (detail::Unit* unit = Resolve(unitRef)) unit->SetText(index, text);
}

void SetFormProperty(UnitRef unitRef, int index, const Picture& picture) {
    if (detail::Unit* unit = Resolve(unitRef)) unit->SetPicture(index, picture);
}

void MoveControl(UnitRef unitRef, std::optional<int> left, std::optional<int> top,
                 std::optional<int> width, std::optional<int> height) {
    if (detail::Unit* unit = Resolve(unitRef)) unit->Move(left, top, width, height);
}

UnitRef CopyControl(UnitRef source) {
    detail::Unit* unit = Resolve(source);
    if (!unit || unit->kind == UnitKind::Window) return {};
    detail::Unit* copy = unit->form->AddCopy(*unit);
    return copy ? copy->Ref() : UnitRef{};
}

void DrawPicture(UnitRef panel, const Picture& picture, int x, int y, std::optional<int> width,
                 std::optional<int> height, std::uint32_t mode) {
    detail::PanelDraw(Resolve(panel), picture, x, y, width, height, mode);
}

void ClearPanel(UnitRef panel) {
    detail::PanelClear(Resolve(panel));
}

Picture PanelContent(UnitRef panel) {
    return detail::PanelContent(Resolve(panel));
}

std::string ProgramDirectory() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return {};
    path.resize(slash);
    return detail::NarrowPath(path);
}

int WriteFile(std::string_view path, std::initializer_list<ByteBlock> blocks) {
    if (path.empty()) return 0;
    std::wstring widePath = detail::Widen(path);
    // Windows refuses to open a read-only file for writing; say so here too,
    // where a file system would let a privileged user through (Wine as root).
    DWORD attributes = GetFileAttributesW(widePath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return 0;
    UniqueFile file(CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    for (const ByteBlock& block : blocks) {
        if (block.empty()) continue;
        const unsigned char* at = block.data;
        std::uint32_t left = block.size;
        while (left > 0) {
            DWORD written = 0;
            if (!::WriteFile(file.get(), at, left, &written, nullptr) || written == 0) return 0;
            at += written;
            left -= written;
        }
    }
    return CloseHandle(file.release()) ? 1 : 0;
}

RECT Screen() {
    return monitors::Holding(FormWindowHandle(detail::MainForm()));
}
int ScreenWidth() {
    const RECT r = Screen();
    return r.right - r.left;
}
int ScreenHeight() {
    const RECT r = Screen();
    return r.bottom - r.top;
}

RECT FormScreen(UnitRef form) {
    const detail::Form* f = detail::ResolveForm(form);
    return f ? f->screen : Screen();
}

UINT FormDpi(UnitRef form) {
    const detail::Form* f = detail::ResolveForm(form);
    return f ? f->dpi : monitors::MonitorHolding(FormWindowHandle(detail::MainForm())).dpi;
}

void Sleep(int ms) {
    constexpr std::uint32_t kSlice = 50;
    Clock& clock = CurrentClock();
    std::uint32_t total = ms > 0 ? static_cast<std::uint32_t>(ms) : 0;
    std::uint32_t start = clock.Ticks();
    for (;;) {
        std::uint32_t elapsed = clock.Ticks() - start;
        if (elapsed >= total) break;
        clock.Wait(std::min(kSlice, total - elapsed));
        // Looking at the queue tells Windows the thread is alive; nothing is
        // removed or dispatched, so no handler runs inside the pause.
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_NOYIELD);
    }
}

namespace {
std::uint32_t randomSalt = 0;
}

void SeedRandom(std::optional<std::uint32_t> seed) {
    if (seed) {
        std::srand(*seed);
        return;
    }
    std::uint32_t t = CurrentClock().Ticks();
    std::uint32_t s = randomSalt;
    randomSalt = s + ((t + s) & 0xFF) + 100;
    std::srand(t + s);
}

int Random(std::optional<int> min, std::optional<int> max) {
    int lo = min.value_or(0);
    int hi = max.value_or(2147483647);
    if (lo < 0) lo = 0;
    if (hi < 0) hi = 0;
    if (lo > hi) std::swap(lo, hi);
    if (lo == hi) return lo;
    std::uint32_t span = static_cast<std::uint32_t>(hi) - static_cast<std::uint32_t>(lo);
    if (span == 0x7FFFFFFFu) span = 0x7FFFFFFEu;
    int r = std::rand();
    std::uint32_t magnitude = static_cast<std::uint32_t>(r < 0 ? -static_cast<std::int64_t>(r) : r);
    return lo + static_cast<int>(magnitude % (span + 1));
}

int MessageBox(std::string_view text, std::optional<std::string_view> caption,
               std::optional<UINT> type, HWND owner) {
    UINT style = type.value_or(0);
    if (!(style & MB_SYSTEMMODAL)) style |= MB_TASKMODAL;
    std::wstring wideText = detail::Widen(text);
    std::wstring wideCaption = detail::Widen(caption.value_or("信息："));
    int result = MessageBoxW(owner, wideText.c_str(), wideCaption.c_str(), style);
    switch (result) {
        case IDOK:
            return 0;
        case IDCANCEL:
            return 1;
        case IDABORT:
            return 2;
        case IDRETRY:
            return 3;
        case IDIGNORE:
            return 4;
        case IDYES:
            return 5;
        case IDNO:
            return 6;
        default:
            return result > 0 ? result - 1 : -1;
    }
}

}  // namespace runtime
