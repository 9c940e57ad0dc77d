#pragma once
// The rose page: the frozen desktop, the big rose, the hearts traced with
// flower pictures and the rows of flower boxes. The page stays open after its
// show for the flower rain and the countdown; Esc or a right click closes it.
#include <windows.h>

#include "runtime/Form.h"

namespace gift {

// Event handlers bound by the rose page's form.
int OnRoseCreated(const runtime::Event& event);
int OnRoseKey(const runtime::Event& event);
int OnRoseRightButton(const runtime::Event& event);
int OnRoseDestroyed(const runtime::Event& event);

// A pause of the rose page's show or rain. Ends at once, returning false,
// when the user has asked the page to close (Esc or the right button, also
// while the pause runs); the caller then skips the rest of its drawing.
bool RosePause(int ms);

}  // namespace gift
