// The edit box's input: keys, typed characters, input-method results, mouse
// presses and drags, the wheel, the caret blink, and the two editing
// primitives InsertText and DeleteSelection.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>
#include <utility>

#include "toolkit/core/Text.h"
#include "toolkit/text/EditBox.h"

namespace {

constexpr UINT kBlinkInterval = 500;
constexpr DWORD kTripleClickTime = 500;
// Measuring a huge insertion costs more than it tells: beyond this its
// height is counted in rows instead.
constexpr size_t kMeasuredInsertLimit = 4096;

int Trunc(float value) {
    return static_cast<int>(value);
}

bool KeyHeld(int key) {
    return (GetKeyState(key) & 0x8000) != 0;
}

int SignedLow(LPARAM value) {
    return static_cast<short>(LOWORD(value));
}
int SignedHigh(LPARAM value) {
    return static_cast<short>(HIWORD(value));
}

UINT_PTR TimerId(Element* element) {
    return reinterpret_cast<UINT_PTR>(element);
}

// The longest line, in bytes, that a paste or an input-method result may
// make: every keystroke measures and draws its whole line, so a line of a
// megabyte would make each key take seconds.
constexpr size_t kMaxInsertedLine = 16 * 1024;

// Cut before the character that would make a line of the text longer than
// the limit; lines end at CR LF.
std::string ClipLongLines(std::string text) {
    size_t run = 0;
    for (size_t i = 0; i < text.size();) {
        if (text.compare(i, 2, "\r\n") == 0) {
            run = 0;
            i += 2;
            continue;
        }
        const size_t width = static_cast<unsigned char>(text[i]) > 0x7F ? 2 : 1;
        if (run + width > kMaxInsertedLine) {
            text.resize(i);
            break;
        }
        run += width;
        i += width;
    }
    return text;
}

// Text from the clipboard or the input method in the box's own alphabet:
// ASCII and two-byte GBK characters, lines ending in CR LF. Code page 936 holds the euro sign as
// the lone byte 0x80, which the box would take for the first half of a pair and so split the
// characters after it; it becomes one '?', like any character GBK has no place for. A surrogate
// pair is one character and one '?'.
std::string FromOutside(std::wstring_view wide) {
    auto high = [](wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; };
    auto low = [](wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; };
    std::wstring kept;
    kept.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        const wchar_t c = wide[i];
        if (high(c) && i + 1 < wide.size() && low(wide[i + 1])) {
            kept += L'?';
            ++i;
        } else if (high(c) || low(c) || c == 0x20AC) {
            kept += L'?';
        } else {
            kept += c;
        }
    }
    return ClipLongLines(WithLineBreaks(FromWide(kept.c_str())));
}

// Clipboard text crosses as UTF-16; our texts are GBK.
std::string ReadClipboardText(HWND owner) {
    std::string text;
    if (!OpenClipboard(owner)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
            // The block may lack its terminator: never read past its size.
            const size_t units = GlobalSize(data) / sizeof(wchar_t);
            const std::wstring copy(wide, wcsnlen(wide, units));
            GlobalUnlock(data);
            text = FromOutside(copy);
        }
    }
    CloseClipboard();
    return text;
}

void WriteClipboardText(HWND owner, const std::string& text) {
    const std::wstring wide = ToWide(text);
    const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!block) return;
    if (void* target = GlobalLock(block)) {
        std::memcpy(target, wide.c_str(), bytes);
        GlobalUnlock(block);
    }
    if (!OpenClipboard(owner)) {
        GlobalFree(block);
        return;
    }
    EmptyClipboard();
    // On success the clipboard owns the block.
    if (!SetClipboardData(CF_UNICODETEXT, block)) GlobalFree(block);
    CloseClipboard();
}

// Letters and digits make words; a two-byte character never does.
bool IsWordByte(unsigned char c) {
    if (c > 0x7F) return false;
    const int lower = std::tolower(c);
    return (lower >= '0' && lower <= '9') || (lower >= 'a' && lower <= 'z');
}

// The first byte of the character at `column` of a line, or -1 past its end.
int ByteAtColumn(const std::string& line, int column) {
    const int offset = BytesOfChars(line, column);
    if (column < 0 || offset >= static_cast<int>(line.size())) return -1;
    return static_cast<unsigned char>(line[static_cast<size_t>(offset)]);
}

int CountPairs(const std::string& text) {
    int pairs = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
        ++pairs;
    return pairs;
}

}  // namespace

LRESULT EditBox::MessageProc(UINT code, WPARAM wParam, LPARAM lParam) {
    // Only the very next message may rely on creation's painting.
    const bool freshFromCreate = std::exchange(paintedAtCreate, false);
    switch (code) {
        case WM_CREATE:
            surfaceCaret.shown = false;
            OnCreateMessage();
            break;
        case WM_DESTROY:
            surfaceCaret.shown = false;
            OnDestroyMessage();
            break;
        case kResized:  // a new, empty surface
            surfaceCaret.shown = false;
            break;
        case WM_PAINT:  // Repaint
            if (!freshFromCreate) RenderBox(false);
            break;
        case WM_KEYDOWN:
            return KeyDown(wParam);
        case WM_CHAR: {
            // Printable ASCII only; two-byte characters come from the input method.
            const WPARAM c = wParam;
            if (c <= 27 || c >= 127) break;
            if (inputMode == kDigits && !(c >= '0' && c <= '9')) break;
            if (inputMode == kNumber && !((c >= '0' && c <= '9') || c == '.')) break;
            InsertText(std::string(1, static_cast<char>(c)));
            break;
        }
        case WM_IME_STARTCOMPOSITION:
            PlaceImeWindow();
            break;
        case WM_IME_COMPOSITION:
            OnImeComposition(lParam);
            break;
        case WM_TIMER:
            if (Disabled() || !HasFocus()) {
                KillTimer(hostWindow, TimerId(handle));
            } else {
                ++blinkCount;
                DrawCaret((blinkCount & 1) != 0);
            }
            break;
        case WM_MOUSEMOVE:
            OnDrag(wParam, lParam);
            break;
        case WM_LBUTTONDOWN:
            OnPress(wParam, lParam);
            break;
        case WM_MOUSEWHEEL:
            OnWheel(wParam);
            break;
        case kFocusGained:
            if (inputMode == kPassword && hostWindow) {
                // No input method while a password is typed.
                if (HIMC context = ImmGetContext(hostWindow)) {
                    ImmAssociateContext(hostWindow, nullptr);
                    ImmReleaseContext(hostWindow, context);
                    savedImeContext = context;
                }
            }
            if (hostWindow) SetTimer(hostWindow, TimerId(handle), kBlinkInterval, nullptr);
            PlaceImeWindow();
            break;
        case kFocusLost:
            RestoreIme();
            if (hostWindow) KillTimer(hostWindow, TimerId(handle));
            CollapseSelection();
            DrawCaret(false);
            RenderBox(false);
            break;
        default:
            break;
    }
    return -1;
}

void EditBox::RestoreIme() {
    if (!savedImeContext) return;
    if (hostWindow && IsWindow(hostWindow)) ImmAssociateContext(hostWindow, savedImeContext);
    savedImeContext = nullptr;
}

void EditBox::PlaceImeWindow() {
    if (!hostWindow || !HasFocus()) return;
    HIMC context = ImmGetContext(hostWindow);
    if (!context) return;
    COMPOSITIONFORM form{};
    form.dwStyle = CFS_POINT;
    form.ptCurrentPos.x = static_cast<LONG>(rect.X + caretRect.X);
    form.ptCurrentPos.y = static_cast<LONG>(rect.Y + caretRect.Y + 2);
    ImmSetCompositionWindow(context, &form);
    ImmReleaseContext(hostWindow, context);
}

void EditBox::OnImeComposition(LPARAM lParam) {
    PlaceImeWindow();
    if (!(lParam & GCS_RESULTSTR) || !hostWindow) return;
    HIMC context = ImmGetContext(hostWindow);
    if (!context) return;
    const LONG bytes = ImmGetCompositionStringW(context, GCS_RESULTSTR, nullptr, 0);
    std::wstring result;
    if (bytes > 0) {
        result.assign(static_cast<size_t>(bytes) / sizeof(wchar_t), L'\0');
        const LONG got = ImmGetCompositionStringW(context, GCS_RESULTSTR, result.data(),
                                                  static_cast<DWORD>(bytes));
        result.resize(static_cast<size_t>(std::max<LONG>(got, 0)) / sizeof(wchar_t));
    }
    ImmReleaseContext(hostWindow, context);
    const std::string text = FromOutside(result.c_str());
    if (!text.empty()) InsertText(text);
}

void EditBox::CaretUpdate() {
    int index = caretColumn - 1;
    caretRect = PosFromsIndex(caretLine, index, true, 0);
    prevCaretRect = caretRect;
    PlaceImeWindow();
}

void EditBox::MoveTail(bool hadSelection, int oldScrollX, int oldScrollY) {
    CaretUpdate();
    UpdateScrollBars(false, true);
    // A plain caret move changes no pixel of the surface: only the caret
    // line moves, which keeps arrow keys cheap.
    if (hadSelection || !SelectionEmpty() || scrollX != oldScrollX || scrollY != oldScrollY)
        RenderBox(false);
    DrawCaret(true);
}

void EditBox::CollapseSelection() {
    anchorColumn = caretColumn;
    anchorLine = caretLine;
}

LRESULT EditBox::KeyDown(WPARAM key) {
    if (KeyHeld(VK_CONTROL)) {
        if (inputMode == kPassword) return 0;  // no shortcut reveals or changes a password
        switch (key) {
            case 'A':
                anchorColumn = 0;
                anchorLine = 1;
                caretLine = lines.LineCount();
                caretColumn = LineChars(caretLine);
                scrollY = Trunc(textArea.Y + textArea.Height) - lines.ContentHeight();
                CaretUpdate();
                RenderBox(false);
                return 0;
            case 'C': {
                const std::string selected = SelectedText();
                if (!selected.empty()) WriteClipboardText(hostWindow, selected);
                return 0;
            }
            case 'V': {
                const std::string pasted = ReadClipboardText(hostWindow);
                if (!pasted.empty()) InsertText(pasted);
                return 0;
            }
            case 'X': {
                if (inputMode == kReadOnly) return -1;
                const std::string selected = SelectedText();
                if (!selected.empty()) {
                    WriteClipboardText(hostWindow, selected);
                    DeleteSelection(false);
                }
                return 0;
            }
            default:
                return -1;
        }
    }
    const bool extend = KeyHeld(VK_SHIFT) && inputMode != kPassword;
    const bool hadSelection = !SelectionEmpty();
    const int oldScrollX = scrollX;
    const int oldScrollY = scrollY;
    switch (key) {
        case VK_RETURN:
            if (multiLine) InsertText("\r\n");
            return 0;
        case VK_BACK:
            Backspace();
            return 0;
        case VK_DELETE:
            DeleteSelection(false);
            return 0;
        case VK_HOME:
        case VK_END: {
            const int column = key == VK_HOME ? 0 : LineChars(caretLine);
            // On a layered host the caret moves in one redraw, by MoveTail.
            if (!CaretOnSurface()) DrawCaret(false);
            caretColumn = column;
            if (!extend) CollapseSelection();
            MoveTail(hadSelection, oldScrollX, oldScrollY);
            return 0;
        }
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            if (!multiLine && (key == VK_UP || key == VK_DOWN)) return 0;
            if (!CaretOnSurface()) DrawCaret(false);
            ArrowMove(key);
            if (!extend) CollapseSelection();
            MoveTail(hadSelection, oldScrollX, oldScrollY);
            return 0;
        case VK_SPACE:
            return 0;  // the space arrives as a character
        default:
            return -1;
    }
}

void EditBox::ArrowMove(WPARAM key) {
    const int lastLine = lines.LineCount();
    switch (key) {
        case VK_LEFT:
            if (caretColumn > 0) {
                --caretColumn;
            } else if (multiLine && caretLine > 1) {
                --caretLine;
                caretColumn = LineChars(caretLine);
            }
            break;
        case VK_RIGHT:
            if (caretColumn < LineChars(caretLine)) {
                ++caretColumn;
            } else if (multiLine && caretLine < lastLine) {
                ++caretLine;
                caretColumn = 0;
            }
            break;
        case VK_UP:
            caretLine = std::max(caretLine - 1, 1);
            caretColumn = std::min(caretColumn, LineChars(caretLine));
            break;
        case VK_DOWN:
            caretLine = std::min(caretLine + 1, lastLine);
            caretColumn = std::min(caretColumn, LineChars(caretLine));
            break;
        default:
            break;
    }
}

void EditBox::Backspace() {
    if (DeleteSelection(false) == 1) return;
    // At the very start there is nothing before the caret to remove.
    if (caretLine <= 1 && caretColumn == 0) return;
    anchorColumn = caretColumn;
    anchorLine = caretLine;
    if (caretColumn == 0 || LineChars(caretLine) == 0) {
        caretLine = std::max(caretLine - 1, 1);
        caretColumn = LineChars(caretLine);
    } else {
        --caretColumn;
    }
    DeleteSelection(false);
}

void EditBox::SelectWord() {
    const std::string anchorText = lines.LineText(anchorLine);
    int column = anchorColumn;
    while (column > 0 && ByteAtColumn(anchorText, column - 1) >= 0 &&
           IsWordByte(static_cast<unsigned char>(ByteAtColumn(anchorText, column - 1))))
        --column;
    anchorColumn = column;

    const std::string caretText = lines.LineText(caretLine);
    const int end = CharCount(caretText);
    column = caretColumn;
    while (column < end && ByteAtColumn(caretText, column) >= 0 &&
           IsWordByte(static_cast<unsigned char>(ByteAtColumn(caretText, column))))
        ++column;
    caretColumn = column;
    // Nothing word-like at the click: the one character after it.
    if (anchorColumn == caretColumn && anchorLine == caretLine)
        caretColumn = std::min(caretColumn + 1, end);
}

void EditBox::OnPress(WPARAM wParam, LPARAM lParam) {
    const int x = SignedLow(lParam);
    const int y = SignedHigh(lParam);
    if (wParam == kDoubleClickMark && inputMode != kPassword) {
        doubleClickPending = 1;
        doubleClickTime = GetTickCount();
        SelectWord();
    } else {
        if (doubleClickPending && GetTickCount() - doubleClickTime <= kTripleClickTime &&
            inputMode != kPassword) {
            anchorColumn = 0;
            anchorLine = caretLine;
            caretColumn = LineChars(caretLine);
        } else {
            const float px = static_cast<float>(x) - rect.X;
            const float py = static_cast<float>(y) - rect.Y;
            if (px >= textArea.X && py >= textArea.Y && px < textArea.X + textArea.Width &&
                py < textArea.Y + textArea.Height) {
                caretColumn = HitTest(x, y, caretLine);
                CollapseSelection();
            }
        }
        doubleClickPending = 0;
    }
    CaretUpdate();
    RenderBox(false);
    DrawCaret(true);
}

void EditBox::OnDrag(WPARAM wParam, LPARAM lParam) {
    // Only while our own press is held (the host passes the pressed element).
    if (reinterpret_cast<Element*>(wParam) != handle || !handle || inputMode == kPassword) return;
    const int x = SignedLow(lParam);
    const int px = x - Trunc(rect.X);
    const int y = multiLine ? SignedHigh(lParam) : Trunc(rect.Y + textArea.Y + 2);
    if (px < 0 && scrollX < 0) scrollX -= px;
    caretColumn = HitTest(x, y, caretLine);
    int index = caretColumn - 1;
    caretRect = PosFromsIndex(caretLine, index, true, 0);
    prevCaretRect = caretRect;
    if (!SelectionEmpty()) RenderBox(false);
}

void EditBox::OnWheel(WPARAM wParam) {
    if (!multiLine) return;
    const int step = Trunc(3 * lines.LineHeight());
    const int delta = static_cast<short>(HIWORD(wParam));
    scrollY += delta < 1 ? -step : step;
    int index = caretColumn - 1;
    PosFromsIndex(caretLine, index, false, 0);  // clamps the offsets
    // Placed once the offsets are final, so the caret blinks where the text is.
    index = caretColumn - 1;
    caretRect = PosFromsIndex(caretLine, index, false, 0);
    prevCaretRect = caretRect;
    RenderBox(false);
}

int EditBox::InsertHeight(const std::string& text) {
    const float rowHeight = lines.LineHeight();
    if (text.size() > kMeasuredInsertLimit || !surfaceGraphics)
        return Trunc(static_cast<float>(CountPairs(text) + 1) * rowHeight);
    RectF area;
    if (scrollBars & kHorizontalBar)
        area = RectF(textArea.X, textArea.Y, 0, 0);
    else if (scrollBars == kVerticalBar)
        area = RectF(textArea.X, textArea.Y, textArea.Width, 0);
    RectF bounds;
    const std::wstring wide = ToWide(text);
    if (gp::GdipMeasureString(surfaceGraphics.get(), wide.c_str(), -1, font, &area, format.Handle(),
                              &bounds, nullptr, nullptr) != Gdiplus::Ok)
        return Trunc(rowHeight);
    return Trunc(bounds.Height);
}

void EditBox::InsertText(const std::string& given) {
    if (inputMode == kReadOnly) return;
    const EditMark before = MarkEdit();
    // A lone CR or LF is a line break here as it is when drawn; a single-line
    // box takes what comes before the first one, and keeps its own text.
    std::string text = WithLineBreaks(given);
    if (!multiLine) text.resize(std::min(text.size(), text.find("\r\n")));
    // The selection goes first; the measuring and painting below cover both.
    DeleteSelectionNow(true, false);
    lines.InsertAt(TextIndex(caretLine, caretColumn), text, multiLine);
    int extraHeight = 0;
    const size_t firstPair = text.find("\r\n");
    if (multiLine) {
        extraHeight = InsertHeight(text);
        if (firstPair == std::string::npos) {
            caretColumn = std::min(caretColumn + CharCount(text), LineChars(caretLine));
        } else if (text == "\r\n") {
            caretColumn = 0;
            caretLine += 1;
        } else {
            caretLine += CountPairs(text);
            caretColumn = CharCount(std::string_view(text).substr(text.rfind("\r\n") + 2));
        }
    } else {
        caretLine = 1;
        caretColumn = std::min(caretColumn + CharCount(text), LineChars(1));
    }
    CollapseSelection();
    MeasureLines(true);
    if (caretLine == lines.LineCount())
        scrollY = Trunc(textArea.Y + textArea.Height) - lines.ContentHeight();
    int index = caretColumn - 1;
    caretRect = PosFromsIndex(caretLine, index, true, extraHeight);
    prevCaretRect = caretRect;
    PlaceImeWindow();
    UpdateScrollBars(false, true);
    RepaintEdit(before);
    DrawCaret(true);
    FireChanged();
}

int EditBox::DeleteSelection(bool quiet) {
    return DeleteSelectionNow(quiet, true);
}

int EditBox::DeleteSelectionNow(bool quiet, bool finish) {
    if (inputMode == kReadOnly) return 1;
    if (SelectionEmpty()) return 0;
    const EditMark before = MarkEdit();
    const int a = TextIndex(anchorLine, anchorColumn);
    const int b = TextIndex(caretLine, caretColumn);
    if (a == b) {
        // Two columns for one place (past a line's end): nothing to delete,
        // nothing changed.
        CollapseSelection();
        return 0;
    }
    if (a < b) {
        caretLine = anchorLine;
        caretColumn = anchorColumn;
    } else {
        anchorLine = caretLine;
        anchorColumn = caretColumn;
        prevCaretRect = caretRect;
    }
    const size_t startBytes = lines.LineText(caretLine).size();
    lines.DeleteRange(a, b, multiLine);
    // Inside InsertText the insertion measures and paints for both edits.
    if (!finish) return 1;
    MeasureLines(true);
    int index = caretColumn - 1 - (startBytes == 0 ? 1 : 0);
    caretRect = PosFromsIndex(caretLine, index, true, 0);
    prevCaretRect = caretRect;
    if (!lines.IsValidLine(firstVisibleLine)) firstVisibleLine = 0;
    if (!lines.IsValidLine(lastDrawnLine)) lastDrawnLine = 0;
    PlaceImeWindow();
    UpdateScrollBars(false, true);
    RepaintEdit(before);
    DrawCaret(true);
    if (!quiet) FireChanged();
    return 1;
}
