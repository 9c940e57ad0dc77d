#pragma once
// The fireworks page: a borderless per-pixel-translucent window that plays
// the 35 frames of the fireworks in an endless chain of timers, until the
// right button or Esc closes it.
#include "runtime/Form.h"

namespace gift {

int OnFireworksCreated(const runtime::Event& event);
// Timers 时钟1..时钟35: show frame k, hand over to the next timer.
int OnFireworksFrame(const runtime::Event& event);
// The right button anywhere in the page's rectangle closes it, and so does Esc.
int OnFireworksRightButton(const runtime::Event& event);
int OnFireworksKey(const runtime::Event& event);
int OnFireworksDestroyed(const runtime::Event& event);

}  // namespace gift
