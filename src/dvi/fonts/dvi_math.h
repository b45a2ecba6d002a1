// Conversions shared by the DVI, TFM and VF readers.
#pragma once

#include <cmath>
#include <cstdint>

namespace quirn {

// Truncation toward zero into 32 bits. A value that has no 32-bit integer (not a
// number, infinite or out of range, as a zero design size or a wild scale produces)
// gives INT32_MIN, the processor's "integer indefinite", instead of undefined behaviour.
inline int32_t TruncToInt32(double value) {
    if (!std::isfinite(value) || value <= -2147483649.0 || value >= 2147483648.0) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}

}  // namespace quirn
