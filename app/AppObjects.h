#pragma once
// The application's global objects: the start window's host and controls and
// the state the pages share. Created empty before any window exists and
// configured by the start window's set-up; they live for the whole run.
#include <array>
#include <vector>

#include "runtime/Form.h"
#include "runtime/Picture.h"
#include "toolkit/controls/LinkText.h"
#include "toolkit/controls/Picture.h"
#include "toolkit/controls/PngControl.h"
#include "toolkit/controls/PushButton.h"
#include "toolkit/host/UIHost.h"
#include "toolkit/text/EditBox.h"

namespace gift {

// One copied flower picture box of the rose page.
struct FlowerEntry {
    runtime::UnitRef form;
    runtime::UnitRef control;
};

struct AppObjects {
    AppObjects() = default;
    // Releases in creation order; the host gives the start window its own
    // procedure back first, so no message reaches a released object.
    ~AppObjects();
    AppObjects(const AppObjects&) = delete;
    AppObjects& operator=(const AppObjects&) = delete;

    UIHost startHost;
    std::array<PushButton, 4> pageButtons;  // rose, fireworks, words, letter
    EditBox letterBox;
    LinkText contactLink;
    PictureControl pictureStrip;
    PngControl skinLayer;                                 // the fireworks page's window
    std::array<std::vector<FlowerEntry>, 3> flowerLists;  // 花2, 花3, 花4
    runtime::Picture roseSnapshot;
};

// The objects between start-up and teardown; only valid while GlobalsAlive().
AppObjects& App();

}  // namespace gift
