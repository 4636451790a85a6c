#pragma once

// The angles every part of the engine works with, written once.
inline constexpr double kPi = 3.141592653589793;
inline constexpr double kHalfPi = 1.5707963267948966;
inline constexpr double kQuarterPi = 0.7853981633974483;
inline constexpr double kTwoPi = 6.283185307179586;
// Degrees to radians, the one factor used everywhere in the engine.
inline constexpr double kDegToRad = 0.017453292519943295;
