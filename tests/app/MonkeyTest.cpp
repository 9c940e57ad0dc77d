// A seeded random stream of mouse, keyboard, input-method and clipboard input
// thrown at the real start window and its controls, with presses dragged off
// the window and let go outside it, and the fireworks and words pages opened
// now and then and closed by Alt+F4. Nothing may crash or hang, no press may
// stay held, every page must give the start window back, the letter must stay
// well-formed GBK after every batch, and the process's GDI and USER objects
// must stay flat after warm-up and return when the window closes.
//
// GIFT_MONKEY_EVENTS sets the number of events (600 by default: most events
// present the layered window, which costs 20-40 ms under Xvfb), and
// GIFT_MONKEY_SEED the seed; both are printed so a failing run can be replayed.
#include <windows.h>
#include <imm.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/AppObjects.h"
#include "app/PageForms.h"
#include "app/Pages.h"
#include "app/StartForm.h"
#include "app/StartWindow.h"
#include "app/Startup.h"
#include "platform/ProcessStats.h"
#include "runtime/Form.h"
#include "runtime/Music.h"
#include "runtime/Program.h"
#include "tests/support/Gbk.h"
#include "tests/toolkit/host/HostTestSupport.h"
#include "toolkit/controls/CaptionButton.h"
#include "toolkit/core/Text.h"
#include "tests/support/Keyboard.h"
#include "tests/app/AppTestSupport.h"

namespace {

using testkeys::PutOnClipboard;

// No sound device: the song is written and the player gives up at once,
// so no thread competes with the input for the processor.
class NoDevice : public audio::AudioOutput {
public:
    bool Open(int, int) override { return false; }
    bool Write(const std::int16_t*, std::size_t) override { return false; }
    void Drain() override {}
    void Abort() override {}
    void Close() override {}
};
std::unique_ptr<audio::AudioOutput> MakeNoDevice() {
    return std::make_unique<NoDevice>();
}

unsigned long EnvNumber(const char* name, unsigned long fallback) {
    const char* value = std::getenv(name);
    if (!value || !*value) return fallback;
    char* end = nullptr;
    const unsigned long parsed = std::strtoul(value, &end, 10);
    return end && *end == '\0' ? parsed : fallback;
}

void HoldModifiers(bool control, bool shift) {
    BYTE state[256];
    GetKeyboardState(state);
    for (int key : {VK_CONTROL, VK_LCONTROL, VK_SHIFT, VK_LSHIFT, VK_LBUTTON}) state[key] = 0;
    if (control) state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
    if (shift) state[VK_SHIFT] = state[VK_LSHIFT] = 0x80;
    SetKeyboardState(state);
}

// Text as a user, an input method or another program might supply it: ASCII,
// Chinese, full-width punctuation, line breaks, and characters GBK has no
// place for (Hangul, emoji and a CJK Extension B character as surrogate
// pairs, a lone surrogate).
std::wstring RandomText(std::mt19937& rng, int maxLength) {
    static const std::wstring pieces[] = {
        L"a",
        L"Z",
        L"7",
        L" ",
        L"\u4E2D",
        L"\u6587",
        L"\u7231",
        L"\u4F60",
        L"\u3002",
        L"\uFF0C",
        L"\u201C",
        L"\u2026",
        L"\r\n",
        L"\n",
        L"\t",
        L"\u20AC",
        L"\uD55C",
        L"\uAE00",
        L"\U0001F339",
        L"\U00020000",
        L"\u00E9",
        L"\u0E01",
        L"\u9F98",
        L"\u4E42",
        L"\u3000",
        std::wstring(1, static_cast<wchar_t>(0xD800))};  // a lone surrogate: no literal holds one
    std::uniform_int_distribution<int> length(1, maxLength);
    std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
    std::wstring text;
    for (int i = length(rng); i > 0; --i) text += pieces[pick(rng)];
    return text;
}

// Whether this system's input method hands back a result string set on it;
// when it does, results travel the real WM_IME_COMPOSITION path.
bool SetImeResult(HWND window, const std::wstring& text) {
    HIMC context = ImmGetContext(window);
    if (!context) return false;
    const DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    bool ok = ImmSetCompositionStringW(context, SCS_SETSTR, const_cast<wchar_t*>(text.c_str()),
                                       bytes, nullptr, 0) &&
              ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
    if (ok) {
        std::wstring back(text.size() + 8, L'\0');
        const LONG got = ImmGetCompositionStringW(context, GCS_RESULTSTR, back.data(),
                                                  static_cast<DWORD>(back.size() * 2));
        ok = got == static_cast<LONG>(bytes) && back.compare(0, text.size(), text) == 0;
    }
    ImmReleaseContext(window, context);
    return ok;
}

class Monkey {
public:
    Monkey(std::uint32_t seed, UIHost& host, gift::AppObjects& app)
        : rng_(seed), host_(host), app_(app), window_(host.hwnd) {
        imeWorks_ = SetImeResult(window_, L"\u6D4B");
        // Drain whatever the probe queued.
        hosttest::Pump();
    }

    // One random event; returns its name for the log.
    const char* Step() {
        const int roll = Uniform(0, 99);
        if (roll < 22) return Move();
        if (roll < 40) return Click();
        if (roll < 44) return Drag();
        if (roll < 46) return DragOff();
        if (roll < 51) return Wheel();
        if (roll < 75) return Key();
        if (roll < 87) return Character();
        if (roll < 93) return InputMethod();
        if (roll < 97) return Paste();
        if (roll < 99) return RightClick();
        return StrayTimer();
    }

    bool imeWorks() const { return imeWorks_; }
    int stuckPresses() const { return stuckPresses_; }

private:
    int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

    // A point in the window's client pixels: mostly on a control, sometimes
    // anywhere, now and then outside the window altogether.
    POINT Point() {
        const int where = Uniform(0, 99);
        const RectF* r = nullptr;
        if (where < 45)
            r = &app_.letterBox.rect;
        else if (where < 60)
            r = &app_.pageButtons[static_cast<size_t>(Uniform(0, 3))].rect;
        else if (where < 68)
            r = &app_.contactLink.rect;
        else if (where < 74)
            r = &app_.pictureStrip.rect;
        if (r) {
            return {static_cast<LONG>(r->X) + Uniform(-3, static_cast<int>(r->Width) + 3),
                    static_cast<LONG>(r->Y) + Uniform(-3, static_cast<int>(r->Height) + 3)};
        }
        if (where < 96)
            return {Uniform(0, host_.size.width - 1), Uniform(0, host_.size.height - 1)};
        return {Uniform(-200, 900), Uniform(-200, 700)};
    }
    // Never onto the close button: closing the window would end the run.
    POINT ClickPoint() {
        for (;;) {
            const POINT p = Point();
            bool onClose = false;
            for (const auto& element : host_.captionButtons) {
                auto* button = dynamic_cast<CaptionButton*>(element.get());
                const RectF& r = element->rect;
                if (button && button->buttonKind == kCaptionButtonClose && p.x >= r.X - 1 &&
                    p.x <= r.X + r.Width + 1 && p.y >= r.Y - 1 && p.y <= r.Y + r.Height + 1)
                    onClose = true;
            }
            if (!onClose) return p;
        }
    }
    LPARAM At(POINT p) { return MAKELPARAM(static_cast<short>(p.x), static_cast<short>(p.y)); }
    LRESULT Send(UINT msg, WPARAM wParam, LPARAM lParam) {
        return SendMessageW(window_, msg, wParam, lParam);
    }

    const char* Move() {
        Send(WM_MOUSEMOVE, 0, At(Point()));
        return "move";
    }
    const char* Click() {
        const POINT p = ClickPoint();
        Send(WM_MOUSEMOVE, 0, At(p));
        if (Uniform(0, 4) == 0) {
            Send(WM_LBUTTONDOWN, MK_LBUTTON, At(p));
            Send(WM_LBUTTONUP, 0, At(p));
            Send(WM_LBUTTONDBLCLK, MK_LBUTTON, At(p));
            Send(WM_LBUTTONUP, 0, At(p));
            return "double click";
        }
        Send(WM_LBUTTONDOWN, MK_LBUTTON, At(p));
        Send(WM_LBUTTONUP, 0, At(p));
        return "click";
    }
    const char* Drag() {
        POINT p = ClickPoint();
        Send(WM_MOUSEMOVE, 0, At(p));
        Send(WM_LBUTTONDOWN, MK_LBUTTON, At(p));
        for (int i = Uniform(1, 12); i > 0; --i) {
            p.x += Uniform(-60, 60);
            p.y += Uniform(-40, 40);
            Send(WM_MOUSEMOVE, MK_LBUTTON, At(p));
        }
        Send(WM_LBUTTONUP, 0, At(ClickPoint()));
        return "drag";
    }
    // Press a page button, leave the window with the button held and let go
    // outside it: the press must end there, wherever the release lands.
    const char* DragOff() {
        const RectF& r = app_.pageButtons[static_cast<size_t>(Uniform(0, 3))].rect;
        const POINT on{static_cast<LONG>(r.X + r.Width / 2), static_cast<LONG>(r.Y + r.Height / 2)};
        const POINT off{Uniform(0, 1) ? -Uniform(5, 200) : host_.size.width + Uniform(5, 200),
                        Uniform(-100, host_.size.height + 100)};
        Send(WM_MOUSEMOVE, 0, At(on));
        Send(WM_LBUTTONDOWN, MK_LBUTTON, At(on));
        Send(WM_MOUSEMOVE, MK_LBUTTON, At(off));
        Send(WM_MOUSELEAVE, 0, 0);
        // The window hears the release only while it holds the capture.
        if (GetCapture() == window_) Send(WM_LBUTTONUP, 0, At(off));
        if (host_.pressing) ++stuckPresses_;
        return "drag off";
    }
    const char* Wheel() {
        const short delta =
            static_cast<short>(Uniform(0, 1) ? 120 * Uniform(1, 3) : -120 * Uniform(1, 3));
        Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), At(Point()));
        return "wheel";
    }
    const char* RightClick() {
        const POINT p = ClickPoint();
        Send(WM_RBUTTONDOWN, MK_RBUTTON, At(p));
        Send(WM_RBUTTONUP, 0, At(p));
        return "right click";
    }
    const char* Key() {
        static const WPARAM shortcuts[] = {'A',      'C',   'V',     'X',     'Z',   VK_LEFT,
                                           VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END};
        static const WPARAM keys[] = {
            VK_LEFT, VK_RIGHT,  VK_UP,    VK_DOWN,   VK_HOME,  VK_END,  VK_BACK,   VK_DELETE,
            VK_TAB,  VK_RETURN, VK_SPACE, VK_ESCAPE, VK_PRIOR, VK_NEXT, VK_INSERT, VK_F5};
        const bool control = Uniform(0, 99) < 30;
        const bool shift = Uniform(0, 99) < 30;
        const WPARAM key = control ? shortcuts[Uniform(0, std::size(shortcuts) - 1)]
                                   : keys[Uniform(0, std::size(keys) - 1)];
        if (control && key == 'V' && Uniform(0, 2) == 0) PutOnClipboard(RandomText(rng_, 40));
        HoldModifiers(control, shift);
        for (int repeat = Uniform(0, 3) == 0 ? Uniform(2, 6) : 1; repeat > 0; --repeat)
            Send(WM_KEYDOWN, key, 1);
        Send(WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
        HoldModifiers(false, false);
        return control ? "ctrl shortcut" : "key";
    }
    const char* Character() {
        // Mostly printable ASCII; the rest are control codes and stray high
        // bytes that a box must ignore.
        for (int i = Uniform(1, 8); i > 0; --i) {
            const int roll = Uniform(0, 9);
            const WPARAM c =
                roll < 8 ? static_cast<WPARAM>(Uniform(32, 126))
                         : static_cast<WPARAM>(roll == 8 ? Uniform(0, 31) : Uniform(127, 255));
            Send(WM_CHAR, c, 1);
        }
        return "characters";
    }
    const char* InputMethod() {
        // Where the input method cannot be given a result the message still
        // goes out and finds nothing to insert.
        if (imeWorks_) SetImeResult(window_, RandomText(rng_, 6));
        Send(WM_IME_COMPOSITION, 0, GCS_RESULTSTR | GCS_RESULTREADSTR);
        return "input method";
    }
    const char* Paste() {
        PutOnClipboard(RandomText(rng_, Uniform(0, 9) == 0 ? 2000 : 60));
        HoldModifiers(true, false);
        Send(WM_KEYDOWN, 'V', 1);
        HoldModifiers(false, false);
        return "paste";
    }
    const char* StrayTimer() {
        Send(WM_TIMER, static_cast<WPARAM>(Uniform(1, 1 << 30)), 0);
        return "stray timer";
    }

    std::mt19937 rng_;
    UIHost& host_;
    gift::AppObjects& app_;
    HWND window_;
    bool imeWorks_ = false;
    int stuckPresses_ = 0;
};

// Pages opened for real from their buttons, each closed by Alt+F4 from
// inside its own loop once it shows.
struct PageRuns {
    int opened = 0;
    int startHidden = 0;    // the start window did not come back visible
    int startDisabled = 0;  // or came back unusable
    int leftOpen = 0;       // the page outlived its opening
};

std::uint32_t openingPage = 0;

void CALLBACK AltF4OnceThePageShows(HWND, UINT, UINT_PTR id, DWORD) {
    const HWND page = runtime::FormWindowHandle(runtime::FindForm(openingPage));
    if (!page || !IsWindowVisible(page)) return;
    KillTimer(nullptr, id);
    PostMessageW(page, WM_SYSKEYDOWN, VK_F4, 0x20000001);
    PostMessageW(page, WM_SYSKEYUP, VK_F4, static_cast<LPARAM>(0xC0000001));
}

// Opens the page of button `index` (1 fireworks, 2 words) as its button
// does, and closes it by Alt+F4; returns when it has closed.
void OpenAndAltF4(int index, HWND start, PageRuns& runs) {
    openingPage = index == 1 ? gift::kFireworksPageId : gift::kWordsPageId;
    SetTimer(nullptr, 0, 100, AltF4OnceThePageShows);
    if (index == 1)
        gift::OnFireworksPage(nullptr, nullptr, kClick, 0, 0);
    else
        gift::OnWordsPage(nullptr, nullptr, kClick, 0, 0);
    ++runs.opened;
    runs.startHidden += !IsWindowVisible(start);
    runs.startDisabled += !IsWindowEnabled(start);
    runs.leftOpen += runtime::IsAlive(runtime::FindForm(openingPage));
}

class MonkeyTest : public apptest::GiftFixture {
protected:
    void SetUp() override {
        GiftFixture::SetUp();
        runtime::SetAudioOutputFactory(MakeNoDevice);
        previousOpener = LinkText::SetOpener([this](const std::wstring&) -> INT_PTR {
            ++linkOpens;
            return 33;
        });
    }
    void TearDown() override {
        HoldModifiers(false, false);
        GiftFixture::TearDown();
        LinkText::SetOpener(previousOpener);
    }

    LinkOpener previousOpener;
    int linkOpens = 0;
};

TEST_F(MonkeyTest, RandomInputLeavesTheStartWindowWorkingAndTheLetterWellFormed) {
    const auto seed = static_cast<std::uint32_t>(EnvNumber("GIFT_MONKEY_SEED", 20260807));
    const unsigned long events = EnvNumber("GIFT_MONKEY_EVENTS", 600);
    std::printf("monkey: seed %u, %lu events\n", seed, events);

    // One quiet opening and closing first, each page opened once from it:
    // what the system makes once for the whole process (fonts, classes,
    // caches) is not counted against the run.
    PageRuns pages;
    runtime::LoadForm(gift::StartForm());
    hosttest::Pump();
    OpenAndAltF4(1, gift::App().startHost.hwnd, pages);
    OpenAndAltF4(2, gift::App().startHost.hwnd, pages);
    runtime::Quit();
    hosttest::Pump();
    runtime::InitRuntime();
    CreateGlobals();
    runtime::SetExitRoutine(TeardownGlobals);

    const procstats::Snapshot beforeStart = procstats::Take();
    runtime::LoadForm(gift::StartForm());
    hosttest::Pump();
    gift::AppObjects& app = gift::App();
    UIHost& host = app.startHost;
    const HWND window = host.hwnd;
    ASSERT_TRUE(IsWindow(window));
    // And once more from this window before the count: the start window
    // keeps each page's photograph for good once shown.
    OpenAndAltF4(1, window, pages);
    OpenAndAltF4(2, window, pages);

    // The fireworks and words buttons open their pages for real on their
    // first clicks, each closed by Alt+F4 at once. The rose page's show would
    // take over the run and the second letter would replace what it typed,
    // so those two buttons count their clicks; so are the caption's move and
    // size requests (the system's move loop would wait for a person).
    int pageClicks = 0, systemRequests = 0;
    constexpr int kOpenings = 2;
    for (int i = 0; i < 4; ++i)
        app.pageButtons[static_cast<size_t>(i)].BindEvent(
            kClick,
            [i, window, &pages, &pageClicks](Element*, Element*, UINT, WPARAM, LPARAM) -> LRESULT {
                if ((i == 1 || i == 2) && pages.opened < kOpenings + 4)
                    OpenAndAltF4(i, window, pages);
                ++pageClicks;
                return 0;
            });
    host.SetMessageHook([&systemRequests](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg != WM_NCLBUTTONDOWN && msg != WM_SYSCOMMAND && msg != WM_CLOSE) return -1;
        ++systemRequests;
        return 0;
    });

    // A hang shows up as a test that never ends; this names the last event.
    std::atomic<unsigned long> done{0};
    std::atomic<const char*> last{"start"};
    std::atomic<bool> finished{false};
    std::thread watchdog([&] {
        unsigned long seen = 0;
        int still = 0;
        while (!finished) {
            ::Sleep(250);
            if (done != seen) {
                seen = done;
                still = 0;
            } else if (++still == 240) {
                std::fprintf(stderr, "monkey: no progress for 60 s after event %lu (%s)\n", seen,
                             last.load());
                std::fflush(stderr);
                std::abort();
            }
        }
    });

    Monkey monkey(seed, host, app);
    std::printf("monkey: input-method results %s\n",
                monkey.imeWorks() ? "available" : "not available here");
    struct Tally {
        int count = 0;
        double ms = 0;
    };
    std::map<std::string, Tally> kinds;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    constexpr unsigned long kBatch = 100;
    procstats::Snapshot afterWarmUp;
    std::map<const unsigned char*, procstats::Snapshot> flatFor;  // by photograph
    bool objectsFlat = true;
    int malformedBatches = 0;
    const ULONGLONG start = GetTickCount64();
    for (unsigned long i = 0; i < events; ++i) {
        LARGE_INTEGER before, after;
        QueryPerformanceCounter(&before);
        const char* kind = monkey.Step();
        QueryPerformanceCounter(&after);
        last = kind;
        Tally& tally = kinds[kind];
        ++tally.count;
        tally.ms += 1000.0 * static_cast<double>(after.QuadPart - before.QuadPart) /
                    static_cast<double>(frequency.QuadPart);
        done = i + 1;
        if ((i + 1) % 10 == 0) hosttest::Pump();  // timers, posted sizes, crossfades
        if ((i + 1) % kBatch != 0 && i + 1 != events) continue;

        ASSERT_TRUE(IsWindow(window)) << "after event " << i + 1 << " (" << kind << ")";
        ASSERT_EQ(host.hwnd, window);
        const std::string text = app.letterBox.Text();
        const size_t bad = gbk::FirstMalformed(text);
        if (bad != std::string::npos && ++malformedBatches <= 3)
            ADD_FAILURE() << "letter is not well-formed GBK at byte " << bad << " of "
                          << text.size() << " after event " << i + 1 << " (" << kind << ")";
        // Objects: flat after warm-up, within a tooltip's or a fade's worth.
        // A page changes the start window's photograph, and what the window
        // holds differs by photograph (under Wine by some twenty GDI objects
        // between the fireworks and the words photographs), so each is
        // compared with the first batch that showed it.
        const procstats::Snapshot now = procstats::Take();
        if (i + 1 == kBatch) afterWarmUp = now;
        if (i + 1 >= kBatch && objectsFlat) {
            const procstats::Snapshot& was =
                flatFor.try_emplace(host.bgSource.data, now).first->second;
            // Reported once: a leak would repeat in every batch after it.
            objectsFlat =
                now.userObjects <= was.userObjects + 2 && now.gdiObjects <= was.gdiObjects + 8;
            EXPECT_TRUE(objectsFlat)
                << "after event " << i + 1 << " (" << kind << "): GDI " << was.gdiObjects << " -> "
                << now.gdiObjects << ", USER " << was.userObjects << " -> " << now.userObjects;
        }
    }
    const double seconds = static_cast<double>(GetTickCount64() - start) / 1000.0;
    finished = true;
    watchdog.join();

    std::printf("monkey: %lu events in %.1f s (%.0f per second); letter now %zu bytes\n", events,
                seconds, events / seconds, app.letterBox.Text().size());
    for (const auto& [kind, tally] : kinds)
        std::printf("monkey:   %-14s %5d  %6.1f ms each\n", kind.c_str(), tally.count,
                    tally.ms / tally.count);
    std::printf("monkey: page-button clicks %d, link opens %d, move/size/close requests %d\n",
                pageClicks, linkOpens, systemRequests);
    std::printf(
        "monkey: pages opened and closed by Alt+F4 %d, presses left stuck by a drag off %d\n",
        pages.opened, monkey.stuckPresses());

    // Every page closed by Alt+F4 went, and gave the start window back.
    EXPECT_GE(pages.opened, 4);
    EXPECT_EQ(pages.leftOpen, 0);
    EXPECT_EQ(pages.startHidden, 0);
    EXPECT_EQ(pages.startDisabled, 0);
    // A press ends when its button is let go of, even outside the window.
    EXPECT_EQ(monkey.stuckPresses(), 0);

    // Every control still there and answering.
    for (PushButton& button : app.pageButtons) EXPECT_EQ(button.host, &host);
    EXPECT_EQ(app.letterBox.host, &host);
    EXPECT_EQ(app.contactLink.host, &host);
    EXPECT_EQ(app.pictureStrip.host, &host);
    app.letterBox.Text("still editable");
    EXPECT_EQ(app.letterBox.Text(), "still editable");

    // Everything the run made goes with the window.
    const HDC backDc = host.backDC.get();
    const HBITMAP backBitmap = host.backBitmap.get();
    const HBITMAP cacheBitmap = host.cacheBitmap.get();
    const HWND tooltip = host.tooltipWnd.get();
    const procstats::Snapshot atEnd = procstats::Take();
    runtime::Quit();
    hosttest::Pump();
    const procstats::Snapshot afterQuit = procstats::Take();
    std::printf(
        "monkey: GDI objects %d before, %d after warm-up, %d at the end, %d after closing; "
        "USER objects %d, %d, %d, %d\n",
        beforeStart.gdiObjects, afterWarmUp.gdiObjects, atEnd.gdiObjects, afterQuit.gdiObjects,
        beforeStart.userObjects, afterWarmUp.userObjects, atEnd.userObjects, afterQuit.userObjects);
    EXPECT_LE(afterQuit.gdiObjects, beforeStart.gdiObjects + 2);
    EXPECT_LE(afterQuit.userObjects, beforeStart.userObjects);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(!tooltip || !IsWindow(tooltip));
    EXPECT_EQ(GetObjectType(backDc), 0u);
    EXPECT_EQ(GetObjectType(backBitmap), 0u);
    EXPECT_EQ(GetObjectType(cacheBitmap), 0u);
}

}  // namespace
