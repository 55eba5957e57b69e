#include "session/GlobalStore.h"

#include <cstdio>
#include <cstdlib>

#include "link/Log.h"
#include "state/LampNames.h"

namespace aq {

namespace {
struct Configuration {
    BleCentral* central = nullptr;
    Dispatch* dispatch = nullptr;
    Preferences* preferences = nullptr;
};

std::mutex& instanceMutex() {
    static std::mutex m;
    return m;
}
Configuration& configuration() {
    static Configuration c;
    return c;
}
// Never destroyed at exit: the central and dispatch the lamp link holds
// belong to main() and are gone by then. Only reset() ends the store.
GlobalStore*& instance() {
    static GlobalStore* store = nullptr;
    return store;
}
}  // namespace

void GlobalStore::configure(BleCentral& central, Dispatch& dispatch, Preferences& preferences) {
    std::lock_guard lock(instanceMutex());
    if (instance()) {
        // The lamp link is made once; a later choice would be silently lost.
        logLine("GlobalStore: configured after first use, ignored");
        return;
    }
    configuration() = Configuration{&central, &dispatch, &preferences};
}

GlobalStore& GlobalStore::sharedInstance() {
    std::lock_guard lock(instanceMutex());
    GlobalStore*& store = instance();
    if (!store) {
        const Configuration& c = configuration();
        if (!c.central || !c.dispatch || !c.preferences) {
            std::fputs("GlobalStore used before GlobalStore::configure\n", stderr);
            std::abort();
        }
        store = new GlobalStore(*c.central, *c.dispatch, *c.preferences);
    }
    return *store;
}

void GlobalStore::reset() {
    std::unique_ptr<GlobalStore> ended;
    {
        std::lock_guard lock(instanceMutex());
        ended.reset(instance());
        instance() = nullptr;
        configuration() = Configuration{};
    }
}

GlobalStore::GlobalStore(BleCentral& central, Dispatch& dispatch, Preferences& preferences)
    : _preferences(preferences),
      _names(preferences),
      _session(std::make_unique<LampSession>(central, dispatch, &_names)) {}

GlobalStore::~GlobalStore() = default;

std::vector<std::string> GlobalStore::presets() const {
    std::lock_guard lock(_mutex);
    return _presets;
}

void GlobalStore::setPresets(std::vector<std::string> presets) {
    std::lock_guard lock(_mutex);
    _presets = std::move(presets);
}

std::vector<std::shared_ptr<Channel>> GlobalStore::channels() const {
    std::lock_guard lock(_mutex);
    return _channels;
}

void GlobalStore::setChannels(std::vector<std::shared_ptr<Channel>> channels) {
    if (channels.size() > kMaxEntries) {
        logLine(format("GlobalStore: %zu channels, only the first %zu kept", channels.size(),
                       kMaxEntries));
        channels.resize(kMaxEntries);
    }
    std::lock_guard lock(_mutex);
    _channels = std::move(channels);
}

std::vector<Device> GlobalStore::devices() const {
    std::lock_guard lock(_mutex);
    return _devices;
}

void GlobalStore::setDevices(std::vector<Device> devices) {
    if (devices.size() > kMaxEntries) {
        logLine(format("GlobalStore: %zu devices, only the first %zu kept", devices.size(),
                       kMaxEntries));
        devices.resize(kMaxEntries);
    }
    std::lock_guard lock(_mutex);
    _devices = std::move(devices);
}

std::optional<std::string> GlobalStore::connectedUUID() const {
    std::lock_guard lock(_mutex);
    return _connectedUUID;
}

void GlobalStore::setConnectedUUID(std::optional<std::string> uuid) {
    std::lock_guard lock(_mutex);
    _connectedUUID = std::move(uuid);
}

std::shared_ptr<Channel> GlobalStore::channel(std::uint8_t index) const {
    std::lock_guard lock(_mutex);
    if (index >= _channels.size()) return nullptr;
    return _channels[index];
}

std::optional<std::string> GlobalStore::getNameForUUID(const std::string& uuid) {
    return sharedInstance()._names.lookUp(uuid);
}

bool GlobalStore::lampNamesUnreadable() { return sharedInstance()._names.unreadable(); }

void GlobalStore::setNameForUUID(const std::string& uuid, const std::string& name) {
    sharedInstance()._names.save(uuid, name);
}

void GlobalStore::channelAdd(const std::string& name, const Color& color) {
    GlobalStore& store = sharedInstance();
    std::lock_guard lock(store._mutex);
    if (store._channels.size() >= kMaxEntries) {
        logLine(
            format("GlobalStore: channel %s refused, %zu is the most", name.c_str(), kMaxEntries));
        return;
    }
    store._channels.push_back(std::make_shared<Channel>(name, color));
}

void GlobalStore::channelRemove(std::uint8_t index) {
    GlobalStore& store = sharedInstance();
    std::lock_guard lock(store._mutex);
    if (index < store._channels.size()) {
        store._channels.erase(store._channels.begin() + index);
    }
}

std::optional<Color> GlobalStore::channelColor(std::uint8_t index) {
    const auto c = sharedInstance().channel(index);
    if (!c) return std::nullopt;
    return c->color();
}

std::optional<std::string> GlobalStore::channelName(std::uint8_t index) {
    const auto c = sharedInstance().channel(index);
    if (!c) return std::nullopt;
    return c->name();
}

std::uint8_t GlobalStore::channelCount() {
    GlobalStore& store = sharedInstance();
    std::lock_guard lock(store._mutex);
    return static_cast<std::uint8_t>(store._channels.size());
}

void GlobalStore::channelClear() {
    GlobalStore& store = sharedInstance();
    std::lock_guard lock(store._mutex);
    store._channels.clear();
}

std::uint8_t GlobalStore::deviceCount() {
    GlobalStore& store = sharedInstance();
    std::lock_guard lock(store._mutex);
    return static_cast<std::uint8_t>(store._devices.size());
}

void GlobalStore::deviceAdd() {
    GlobalStore& store = sharedInstance();
    std::lock_guard lock(store._mutex);
    if (store._devices.size() >= kMaxEntries) {
        logLine(format("GlobalStore: device refused, %zu is the most", kMaxEntries));
        return;
    }
    store._devices.emplace_back();
}

}  // namespace aq
