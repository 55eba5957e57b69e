#pragma once

// The service's record of one served lamp (private to the service).
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bridge/BridgeService.h"
#include "session/LampConnector.h"
#include "session/LampSession.h"

namespace aq::bridge {

// The host's local wall-clock time as the lamp keeps time.
LampDateTime hostTime();

struct BridgeService::Lamp {
    enum class Phase { Searching, Reading, Ready, Waiting };

    QString query;    // how the configuration names it (or its identifier)
    QString key;      // its topic level, once it has been found
    LampIdentity identity;
    // In this order: the connector and session go before their central.
    std::unique_ptr<BleCentral> central;
    std::unique_ptr<LampSession> session;
    std::unique_ptr<LampConnector> connector;
    Phase phase = Phase::Searching;
    double backoff = 0.0;
    Dispatch::TimerId retryTimer = 0;
    bool retryArmed = false;
    Dispatch::TimerId refreshTimer = 0;
    bool refreshArmed = false;
    bool refreshing = false;
    bool refreshAgain = false;
    bool announced = false;
    bool uploading = false;
    LampDescription description;
    LampValues values;
    std::vector<ChannelLight> lights;
    bool live = false;  // the bridge put it in live mode
    // The link was lost while live: the lamp may still be in live mode.
    bool liveWhenLost = false;
    // What clouds and lightning are switched back on with.
    unsigned cloudsLast = 1;
    unsigned boltsLast = 1;

    std::uint8_t channelCount() const {
        return static_cast<std::uint8_t>(description.channels.size());
    }
    QString label() const { return key.isEmpty() ? query : key; }
};

}  // namespace aq::bridge
