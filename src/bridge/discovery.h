// SPDX-License-Identifier: MIT
#pragma once
// Home Assistant's MQTT discovery for one projector: one device, and an entity for every control the window
// has, with the availability of the bridge and of the projector (both must be online).

#include "request/json.h"

#include <string>
#include <vector>

namespace q7 {

struct DiscoveryEntity {
    std::string topic; // PREFIX/COMPONENT/UNIQUE_ID/config
    Json config;
};

std::vector<DiscoveryEntity> discoveryFor(const std::string& prefix, const std::string& bridgeId,
                                          const std::string& line, const std::string& projector);

} // namespace q7
