#pragma once
// The menu screen's bitmaps, by resource name: the side bar, the title and the foot, each in
// a portrait and a landscape version. bitmaps_qt.h draws them.

#include <string_view>

namespace tm47 {

inline constexpr std::string_view kBitmapSideBarPortrait = "STATICBMPAAR";
inline constexpr std::string_view kBitmapSideBarLandscape = "STATICBMPA";
inline constexpr std::string_view kBitmapTitlePortrait = "STATICTITTM47KVBAR";
inline constexpr std::string_view kBitmapTitleLandscape = "STATICTITTM47KVBMX";
inline constexpr std::string_view kBitmapFootPortrait = "STATICLEADAR";
inline constexpr std::string_view kBitmapFootLandscape = "STATICLEAD";

} // namespace tm47
