// The self-drawn caption bar: caption buttons at the top right and the
// haloed window title.
#include "toolkit/host/UIHost.h"

// Not built yet: Attach creates no caption buttons.
void UIHost::CreateCaptionButtons() {}

// Not built yet: the render pass calls it on every full redraw, after the
// frame and before the elements.
void UIHost::DrawCaption() {}
