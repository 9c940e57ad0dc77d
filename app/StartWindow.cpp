#include "app/StartWindow.h"

#include <optional>
#include <string>
#include <string_view>

#include "platform/Dpi.h"

#include "app/AppObjects.h"
#include "app/Content.h"
#include "app/FormScale.h"
#include "app/Pages.h"
#include "app/SongFile.h"
#include "app/StartForm.h"
#include "runtime/Services.h"
#include "toolkit/draw/Colour.h"

namespace gift {
namespace {

struct Slot {
    int left = 0, top = 0, width = 0, height = 0;
};

// The rectangle of placeholder 标签n in units: the runtime lays it out in the
// form's device pixels, the toolkit scales units itself.
Slot Placeholder(runtime::UnitRef form, int n) {
    const runtime::UnitRef label = runtime::FindUnit(form, "标签" + std::to_string(n));
    const UINT scale = runtime::FormDpi(form);
    const auto units = [&](int index) {
        return dpi::ToUnits(runtime::FormProperty(label, index), scale);
    };
    return {units(runtime::kLeft), units(runtime::kTop), units(runtime::kWidth),
            units(runtime::kHeight)};
}

struct ButtonLook {
    const char* caption;
    COLORREF textColour;
    EventHandler handler;
};

const ButtonLook kButtons[4] = {
    {"玫瑰盛宴", 0x000080, OnRosePage},
    {"爱的烟花", 0xFF00FF, OnFireworksPage},
    {"想说的话", 0x800080, OnWordsPage},
    {"给你的信", 0xFFA8FF, OnLetterPage},
};

constexpr UINT_PTR kSongTimer = 0x50A6;

void CALLBACK StartSong(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    const std::string path = WriteSong();
    runtime::PlayMusic(2, {std::string_view(path)});
}

}  // namespace

void SetUpStartWindow(runtime::UnitRef form) {
    AppObjects& app = App();
    const HWND window = runtime::FormWindowHandle(form);

    PlaceAtScale(window, StartForm());

    // Before Attach: Show has no window to act on yet, and the background is
    // the constant photograph itself, decoded by the render pass.
    app.startHost.Show(5);
    app.startHost.SetUserValueB(5);
    app.startHost.SetBackgroundSourceKind(1);
    app.startHost.SetKeepBackground(0);

    AttachOptions attach;
    attach.bgSource = content::StartBackground();
    attach.captionFlags = runtime::BitOr(128, kCaptionTitle, kCaptionMinimise, kCaptionClose);
    // Fully opaque: the fill and the photograph are drawn at this alpha, so a
    // lower value would hide the photograph the window is meant to show.
    attach.translucency = 255;
    attach.bgMode = 1;
    attach.fixedSize = true;
    attach.noDrag = false;
    app.startHost.Attach(window, attach);

    for (int i = 0; i < 4; ++i) {
        const Slot slot = Placeholder(form, i + 1);
        PushButtonOptions options;
        options.textColour = ToArgb(kButtons[i].textColour);
        options.textEffect = 3;
        options.effectColour = ToArgb(0x00FFFF, 100);
        options.corners = 7;
        app.pageButtons[i].CreateButton(window, slot.left, slot.top, slot.width, slot.height,
                                        kButtons[i].caption, options);
    }

    const Slot letter = Placeholder(form, 5);
    EditBoxOptions letterOptions;
    letterOptions.text = content::FirstLetter();
    letterOptions.multiLine = 1;
    letterOptions.frameStyle = 4;
    letterOptions.visible = 1;
    app.letterBox.CreateEditBox(window, letter.left, letter.top, letter.width, letter.height,
                                letterOptions);

    const Slot link = Placeholder(form, 6);
    LinkTextOptions linkOptions;
    linkOptions.textEffect = 3;
    linkOptions.backColour = 0;
    app.contactLink.Create(window, link.left, link.top, link.width, link.height,
                           content::ContactCaption(), linkOptions);
    app.contactLink.LinkTarget(content::ContactAddress());

    const Slot strip = Placeholder(form, 7);
    PictureOptions stripOptions;
    stripOptions.playing = 0;
    app.pictureStrip.CreatePicture(window, strip.left, strip.top, strip.width, strip.height,
                                   content::PictureStrip(), stripOptions);

    for (int i = 0; i < 4; ++i) app.pageButtons[i].BindEvent(kClick, kButtons[i].handler);

    // Writing the 4 MB song and opening the player are not needed for the
    // first frame: they run from the message loop once the window is on the
    // screen. The timer is the window's, so it goes with the window.
    SetTimer(window, kSongTimer, 0, StartSong);
}

}  // namespace gift
