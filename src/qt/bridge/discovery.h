// SPDX-License-Identifier: MIT
#pragma once
// Home Assistant's MQTT discovery for one projector: one device, and an entity for every control the window
// has, with the availability of the bridge and of the projector (both must be online).

#include <QJsonObject>
#include <QString>
#include <vector>

namespace q7 {

struct DiscoveryEntity {
    QString topic; // PREFIX/COMPONENT/UNIQUE_ID/config
    QJsonObject config;
};

std::vector<DiscoveryEntity> discoveryFor(const QString& prefix, const QString& bridgeId, const QString& line,
                                          const QString& projector);

} // namespace q7
