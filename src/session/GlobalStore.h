#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "curve/Color.h"
#include "link/BTLEController.h"
#include "session/LampSession.h"
#include "state/Channel.h"
#include "state/Device.h"
#include "state/LampNames.h"
#include "state/Preferences.h"

namespace aq {

// The one process-wide store through which every page reaches the lamp: the
// lamp session (and its link), the connected lamp's identifier, its channels, the lamps behind
// the connection and the names of its presettings, and the lamp names the
// user chose (kept in the preferences).
//
// Threads: every operation may be called from any thread. The lists are
// filled by workers after a connection and read by the main thread; each is
// guarded by the store's lock, and readers get copies.
class GlobalStore {
public:
    // Chooses once, at start-up and before the first sharedInstance(), what
    // the store is made with: the central its lamp link uses (Qt Bluetooth
    // or simulated lamps), the dispatch, and the preferences. They must
    // outlive the store.
    static void configure(BleCentral& central, Dispatch& dispatch, Preferences& preferences);
    // Made on first use and kept to the end of the process (it is not
    // destroyed at exit). Calling it before configure() is a programming
    // error and ends the process.
    static GlobalStore& sharedInstance();
    // Tests only: ends the store (and its lamp link) and the configuration.
    static void reset();

    GlobalStore(const GlobalStore&) = delete;
    GlobalStore& operator=(const GlobalStore&) = delete;
    ~GlobalStore();

    // --- properties -----------------------------------------------------------
    std::vector<std::string> presets() const;
    void setPresets(std::vector<std::string> presets);
    std::vector<std::shared_ptr<Channel>> channels() const;
    void setChannels(std::vector<std::shared_ptr<Channel>> channels);
    std::vector<Device> devices() const;
    void setDevices(std::vector<Device> devices);
    BTLEController& btController() { return _session->link(); }
    LampSession& session() { return *_session; }
    // The per-user preferences the store was configured with.
    Preferences& preferences() { return _preferences; }
    // Upper-case UUID text of the lamp connected last; none before the first.
    std::optional<std::string> connectedUUID() const;
    void setConnectedUUID(std::optional<std::string> uuid);

    // The channel at index, or none.
    std::shared_ptr<Channel> channel(std::uint8_t index) const;

    // --- class operations: each reaches the single store itself -----------------
    static std::optional<std::string> getNameForUUID(const std::string& uuid);
    // True while a stored name table exists but cannot be read: no lamp has
    // a stored name until the next save starts a new table.
    static bool lampNamesUnreadable();
    // Appends the pair to the persisted table, unless the look-up gives that
    // name already; the table is on disk when this returns.
    static void setNameForUUID(const std::string& uuid, const std::string& name);
    // Holds at most 255 channels and 255 devices (indices are 8-bit); more
    // are refused with a log line.
    static void channelAdd(const std::string& name, const Color& color);
    static void channelRemove(std::uint8_t index);
    static std::optional<Color> channelColor(std::uint8_t index);
    static std::optional<std::string> channelName(std::uint8_t index);
    static std::uint8_t channelCount();
    static void channelClear();
    static std::uint8_t deviceCount();
    static void deviceAdd();

    static constexpr std::size_t kMaxEntries = 255;

private:
    GlobalStore(BleCentral& central, Dispatch& dispatch, Preferences& preferences);
    Preferences& _preferences;
    LampNameBook _names;
    std::unique_ptr<LampSession> _session;

    mutable std::mutex _mutex;
    std::vector<std::string> _presets;
    std::vector<std::shared_ptr<Channel>> _channels;
    std::vector<Device> _devices;
    std::optional<std::string> _connectedUUID;
};

}  // namespace aq
