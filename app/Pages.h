#pragma once
// The four page buttons' handlers, bound to the buttons' Click event by the
// start window's set-up. Each changes the start window's background and opens
// its page (the letter handler shows the second letter instead).
#include <windows.h>

class Element;

namespace gift {

LRESULT OnRosePage(Element* parent, Element* button, UINT code, WPARAM wParam, LPARAM lParam);
LRESULT OnFireworksPage(Element* parent, Element* button, UINT code, WPARAM wParam,
                        LPARAM lParam);
LRESULT OnWordsPage(Element* parent, Element* button, UINT code, WPARAM wParam, LPARAM lParam);
LRESULT OnLetterPage(Element* parent, Element* button, UINT code, WPARAM wParam, LPARAM lParam);

}  // namespace gift
