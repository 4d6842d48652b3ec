#pragma once
// One rounding of refresh rates for every Linux backend: the enumeration and the mode in
// force must agree to the hertz, or the mode in force is never found among the modes.
#include <cmath>
#include <cstdint>

// The rate to the nearest whole hertz (59.94 gives 60); 0 for a rate that is not one.
inline int32_t RoundedHz(double hz) { return hz > 0 && hz < 1e6 ? static_cast<int32_t>(std::lround(hz)) : 0; }
