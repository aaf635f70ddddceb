// Where a control stands in its form: client pixels, given at 96 DPI.
#pragma once

namespace framework {

struct Bounds {
    int left, top, width, height;
};

} // namespace framework
