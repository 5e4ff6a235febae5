// SPDX-License-Identifier: MIT
#pragma once
// Window heights in twips, title bar and borders included (client depth + 370).

namespace q7 {

inline constexpr int kFrameAllowance = 370;
inline constexpr int kCompactHeight = 5350;
inline constexpr int kDataHeight = 6645;
inline constexpr int kUnlockedHeight = 7200;
inline constexpr int kExtendedHeight = 9100;
// Command34 shows the data view below this height and returns to the compact view from it and above.
inline constexpr int kDataViewThreshold = 6000;

inline constexpr const char* kShowData = "データを表示する";
inline constexpr const char* kHideData = "データを表示しない";
inline constexpr const char* kClose = "CLOSE";

// Key codes and the modifier mask of the key-down event.
inline constexpr int kKeyJ = 0x4A;
inline constexpr int kShiftMask = 1;
inline constexpr int kCtrlMask = 2;
inline constexpr int kAltMask = 4;

} // namespace q7
