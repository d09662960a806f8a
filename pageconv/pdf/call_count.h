// The numbers of a page's device calls, by which raster regions and the bitmap under the text
// name the calls drawn up to or left out. The vector device numbers the calls of the display list
// and the partial renderer numbers them again when it renders, so both count with this one
// record: every entry point of a device counts once, painting or not (clips, masks, groups,
// tiles, layers, render flags, colour spaces), in the order the display list hands them on.
#pragma once

#include <cstddef>

namespace pageconv {

struct CallCount {
    size_t last = 0;  // the number of the call in hand; calls count from 1
};

// Counts the call in hand; its number.
inline size_t countCall(CallCount& count) {
    return ++count.last;
}

}  // namespace pageconv
