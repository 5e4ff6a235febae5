// SPDX-License-Identifier: MIT
#pragma once
// Where everything of the bridge lives on the broker: under q7/, a projector's topics by line and projector,
// a bridge's own by its id.

#include <string>
#include <string_view>

namespace q7 {

inline constexpr std::string_view kTopicRoot = "q7/";
// The level of a bridge's own topics, which is why no line may be named so.
inline constexpr std::string_view kBridgeLevel = "bridge";

inline std::string projectorTopic(std::string_view line, std::string_view projector, std::string_view leaf) {
    return std::string(kTopicRoot).append(line).append("/").append(projector).append("/").append(leaf);
}

inline std::string bridgeTopic(std::string_view id, std::string_view leaf) {
    return std::string(kTopicRoot).append(kBridgeLevel).append("/").append(id).append("/").append(leaf);
}

} // namespace q7
