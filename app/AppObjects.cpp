#include "app/AppObjects.h"

namespace gift {
namespace {

void Release(Element& element) {
    if (element.handle) element.Destroy();
}

}  // namespace

AppObjects::~AppObjects() {
    // Detaching gives the start window its procedure back and empties every
    // control the host still holds; the rest only matters for a control that
    // outlived its host's tree.
    startHost.OnDestroy(startHost.hwnd);
    for (PushButton& button : pageButtons) Release(button);
    Release(letterBox);
    Release(contactLink);
    Release(pictureStrip);
    skinLayer = PngControl();
    for (auto& list : flowerLists) list.clear();
    roseSnapshot = runtime::Picture();
}

}  // namespace gift
