#pragma once
// The handheld's key codes, as every screen's key table reads them: letters and digits as
// their character codes in either case, and the codes below. key_codes_qt.h turns Qt's key
// events into them.

#include <cstdint>

namespace tm47 {

inline constexpr uint32_t kKeyTab = 9;
inline constexpr uint32_t kKeyEnter = 13;
inline constexpr uint32_t kKeySpace = 32;
inline constexpr uint32_t kKeyPageUp = 33;
inline constexpr uint32_t kKeyPageDown = 34;
inline constexpr uint32_t kKeyEnd = 35;
inline constexpr uint32_t kKeyHome = 36;
inline constexpr uint32_t kKeyLeft = 37;
inline constexpr uint32_t kKeyUp = 38;
inline constexpr uint32_t kKeyRight = 39;
inline constexpr uint32_t kKeyDown = 40;
// A key down with no code above: outside every key table, so only "any key" takes it.
inline constexpr uint32_t kKeyWithoutCode = 0x10000;

} // namespace tm47
