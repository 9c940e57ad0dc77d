#include "app/Pages.h"

// The rose, fireworks and words pages open from here; until they exist the
// buttons do nothing.
namespace gift {

LRESULT OnRosePage(Element*, Element*, UINT, WPARAM, LPARAM) {
    return -1;
}
LRESULT OnFireworksPage(Element*, Element*, UINT, WPARAM, LPARAM) {
    return -1;
}
LRESULT OnWordsPage(Element*, Element*, UINT, WPARAM, LPARAM) {
    return -1;
}

}  // namespace gift
