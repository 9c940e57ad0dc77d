// "给你的信": no page opens; the start window changes its photograph and the
// letter box shows the second, longer letter.
#include <optional>

#include "app/AppObjects.h"
#include "app/Content.h"
#include "app/Pages.h"

namespace gift {

LRESULT OnLetterPage(Element*, Element*, UINT, WPARAM, LPARAM) {
    AppObjects& app = App();
    app.startHost.Render(content::LetterBackground(), std::nullopt);
    app.letterBox.Text(std::string(content::SecondLetter()));
    return -1;
}

}  // namespace gift
