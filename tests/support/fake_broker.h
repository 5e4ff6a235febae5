// SPDX-License-Identifier: MIT
#pragma once
// A broker for the venue's tests: what is published, in order, and what is subscribed to.

#include "bridge/venue.h"

#include <string>
#include <vector>

namespace q7::test {

struct Published {
    std::string topic, payload;
    bool retain;
    std::string correlation;
    bool operator==(const Published&) const = default;
};

struct FakeBroker final : Broker {
    void publish(const std::string& topic, const std::string& payload, bool retain,
                 const std::string& correlation) override {
        published.push_back({topic, payload, retain, correlation});
    }
    void subscribe(const std::string& pattern, int qos) override {
        subscribed.push_back(pattern + " " + std::to_string(qos));
    }
    // Each message on the topic since the last take.
    std::vector<std::string> take(const std::string& topic) {
        std::vector<std::string> out;
        for (const Published& p : published)
            if (p.topic == topic) out.push_back(p.payload);
        std::erase_if(published, [&](const Published& p) { return p.topic == topic; });
        return out;
    }
    std::vector<Published> published;
    std::vector<std::string> subscribed;
};

} // namespace q7::test
