#pragma once
// The words page: the start window steps aside while the poem scrolls up
// through a red, colour-keyed (so invisible) window; then it returns.
#include "runtime/Form.h"

namespace gift {

int OnWordsCreated(const runtime::Event& event);
int OnWordsTick(const runtime::Event& event);
// However the page ends (its scroll, Alt+F4, the taskbar's close), the start
// window it hid comes back, in front: shown when the close is asked.
int OnWordsCloseAsked(const runtime::Event& event);
int OnWordsDestroyed(const runtime::Event& event);

}  // namespace gift
