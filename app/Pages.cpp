#include "app/Pages.h"

#include <optional>

#include "app/AppObjects.h"
#include "app/Content.h"
#include "app/PageForms.h"
#include "runtime/Form.h"

// The rose, fireworks and words buttons: the start window takes the page's
// photograph as its background, then the page runs over it until it closes.
namespace gift {
namespace {

void OpenPage(ByteBlock background, const runtime::FormDescription& page) {
    App().startHost.Render(background, std::nullopt);
    runtime::LoadForm(page, {}, true);
}

}  // namespace

LRESULT OnRosePage(Element*, Element*, UINT, WPARAM, LPARAM) {
    OpenPage(content::StartBackground(), RosePageForm());
    return 0;
}

LRESULT OnFireworksPage(Element*, Element*, UINT, WPARAM, LPARAM) {
    OpenPage(content::FireworksBackground(), FireworksPageForm());
    return 0;
}

LRESULT OnWordsPage(Element*, Element*, UINT, WPARAM, LPARAM) {
    OpenPage(content::WordsBackground(), WordsPageForm());
    return 0;
}

}  // namespace gift
