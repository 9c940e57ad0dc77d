#pragma once
// Where to cut a picture's bytes short in bad-input tests: nothing, the first
// bytes only, cuts inside the header, inside the data and just before the
// end. Sorted, without repeats, each less than `size`.
#include <algorithm>
#include <cstddef>
#include <vector>

inline std::vector<std::size_t> CutPoints(std::size_t size) {
    std::vector<std::size_t> cuts = {0,  1,  2,  3,  5,  6,  8,  11, 12,
                                     13, 16, 24, 26, 33, 40, 50, 64, 100};
    cuts.insert(cuts.end(), {size / 4, size / 2, size * 3 / 4});
    for (std::size_t back : {13u, 12u, 4u, 2u, 1u})
        if (size > back) cuts.push_back(size - back);
    cuts.erase(
        std::remove_if(cuts.begin(), cuts.end(), [size](std::size_t c) { return c >= size; }),
        cuts.end());
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    return cuts;
}
