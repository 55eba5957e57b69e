#include "session/LampSession.h"

#include <algorithm>
#include <atomic>
#include <cctype>

#include "link/HexFile.h"
#include "link/Log.h"
#include "state/Channel.h"

namespace aq {

namespace {

// The lamp keeps six presettings.
constexpr std::uint8_t kPresettings = 6;
// How often the helpers for programs without pages look at what they wait for.
constexpr double kPollStep = 0.005;
// How often a connect looks whether the link became ready.
constexpr double kConnectLookStep = 0.01;

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && upper(a) == upper(b);
}

// "AA:BB:CC:DD:EE:FF" or "aabbccddeeff" as 12 upper-case digits; empty when
// the text is no address.
std::string addressDigits(const std::string& text) {
    std::string digits;
    for (char c : text) {
        if (c == ':' || c == '-') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) return {};
        digits.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
    return digits.size() == 12 ? digits : std::string();
}

// Worker only: asks with a queued read and waits until it is answered or the
// link gave it up.
template <class T, class Ask>
std::optional<T> awaitAnswer(BTLEController& link, Ask ask) {
    std::shared_ptr<WorkerEvent> event = link.dispatch().makeWorkerEvent();
    auto value = std::make_shared<std::optional<T>>();
    ask([value](T answer) { *value = std::move(answer); });
    link.whenIdle([event] { event->notify(); });
    event->wait();
    return *value;
}

}  // namespace

LampChoice chooseLamp(const std::vector<FoundLamp>& lamps, const std::string& query) {
    using Match = LampChoice::Match;
    if (query.empty()) {
        if (lamps.size() == 1) return {Match::Found, 0};
        return {lamps.empty() ? Match::NotFound : Match::Ambiguous, 0};
    }
    const std::string digits = addressDigits(query);
    const std::vector<std::function<bool(const FoundLamp&)>> rules{
        [&](const FoundLamp& l) { return sameIgnoringCase(l.identifier, query); },
        [&](const FoundLamp& l) {
            return !digits.empty() && l.identifier.size() >= 12 &&
                   upper(l.identifier.substr(l.identifier.size() - 12)) == digits;
        },
        [&](const FoundLamp& l) { return l.stored == query; },
        [&](const FoundLamp& l) { return l.advertised == query; },
        [&](const FoundLamp& l) { return l.stored && sameIgnoringCase(*l.stored, query); },
        [&](const FoundLamp& l) { return l.advertised && sameIgnoringCase(*l.advertised, query); },
    };
    for (const auto& rule : rules) {
        std::vector<std::size_t> hits;
        for (std::size_t i = 0; i < lamps.size(); ++i) {
            if (rule(lamps[i])) hits.push_back(i);
        }
        if (hits.size() == 1) return {Match::Found, hits.front()};
        if (hits.size() > 1) return {Match::Ambiguous, 0};
    }
    return {Match::NotFound, 0};
}

bool lampNameAcceptable(const std::string& name) {
    constexpr std::size_t kLongest = 24;
    if (name.size() > kLongest) return false;
    if (std::all_of(name.begin(), name.end(), [](char c) { return c == ' '; })) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x20 && u <= 0x7E;
    });
}

unsigned liveLevel(int percent) {
    return static_cast<unsigned>(static_cast<double>(std::clamp(percent, 0, 100)) / 100.0 * 255.0);
}

std::string serialText(std::uint64_t serial) {
    return format("0x%016llX", static_cast<unsigned long long>(serial));
}

std::vector<std::uint8_t> transferDevices(std::uint8_t device, bool all, std::uint8_t slaves) {
    if (!all) return {device};
    std::vector<std::uint8_t> devices;
    for (unsigned d = 0; d <= slaves; ++d) devices.push_back(static_cast<std::uint8_t>(d));
    return devices;
}

LampSession::LampSession(BleCentral& central, Dispatch& dispatch, LampNameBook* names)
    : _dispatch(dispatch),
      _names(names),
      _link(std::make_unique<BTLEController>(central, dispatch)) {}

LampSession::~LampSession() { *_alive = false; }

LampMemory LampSession::memory() {
    const PeripheralPtr peripheral = _link->peripheral();
    return LampMemory{&_known, peripheral ? peripheral->identifier() : std::string(),
                      _link->linkEpoch()};
}

std::vector<FoundLamp> LampSession::found() const {
    std::vector<FoundLamp> lamps;
    for (const PeripheralPtr& p : _link->peripherals()) {
        if (!p) continue;
        FoundLamp lamp{p, p->identifier(), p->name(), std::nullopt, p->rssi()};
        if (_names) lamp.stored = _names->lookUp(lamp.identifier);
        lamps.push_back(std::move(lamp));
    }
    return lamps;
}

std::vector<FoundLamp> LampSession::scan(
    double seconds, const std::function<bool(const std::vector<FoundLamp>&)>& enough) {
    auto reported = std::make_shared<std::atomic<bool>>(true);
    _link->start_scanning([reported] { reported->store(true); });
    runUntil(
        [&] {
            // Looked at again only after a new report.
            if (!enough || !reported->exchange(false)) return false;
            return enough(found());
        },
        seconds);
    std::vector<FoundLamp> lamps = found();
    _link->stop_scanning();
    return lamps;
}

bool LampSession::connect(std::size_t index) {
    bool ready = false;
    // Nothing else happens while a program connects: the wait looks for
    // readiness often rather than once a second.
    const double period = _link->readyPeriod();
    _link->setReadyPeriod(kConnectLookStep);
    _link->connect_periperal_at(
        index, [&ready] { ready = true; }, [] {});
    _link->setReadyPeriod(period);
    if (!ready) _link->disconnect();
    return ready;
}

void LampSession::disconnect() {
    _link->disconnect();
    _known.forget();
    std::lock_guard lock(_mutex);
    _description.reset();
}

bool LampSession::connected() const {
    return _link->is_connected();
}

std::optional<LampDescription> LampSession::readLamp() {
    BTLEController& lamp = *_link;
    LampDescription d;
    const std::optional<std::string> name =
        awaitAnswer<std::string>(lamp, [&](auto h) { lamp.getName(std::move(h)); });
    if (!name) return std::nullopt;
    d.name = lampNameText(*name);
    const PeripheralPtr peripheral = lamp.peripheral();
    // The lamp's own name is recorded for its identifier, so lists show it.
    if (_names && peripheral) _names->save(peripheral->identifier(), d.name);

    const std::optional<std::uint8_t> count = lamp.getChannels();
    if (!count) return std::nullopt;
    for (std::uint8_t i = 0; i < *count; ++i) {
        const std::optional<std::string> channel = lamp.getChannelName(i);
        if (!channel) return std::nullopt;
        const std::optional<LampColor> color = lamp.getChannelColor(i);
        if (!color) return std::nullopt;
        d.channels.push_back(ChannelLook{*channel, colorFromLamp(*color)});
    }
    for (std::uint8_t i = 0; i < kPresettings; ++i) {
        const std::optional<std::string> presetting = lamp.getPresettingName(i);
        if (!presetting) return std::nullopt;
        d.presettings.push_back(*presetting);
    }
    const std::optional<std::uint8_t> slaves =
        awaitAnswer<std::uint8_t>(lamp, [&](auto h) { lamp.getSlaves(std::move(h)); });
    if (!slaves) return std::nullopt;
    d.slaves = *slaves;
    std::lock_guard lock(_mutex);
    _description = d;
    return d;
}

std::optional<LampDescription> LampSession::description() const {
    std::lock_guard lock(_mutex);
    return _description;
}

void LampSession::readInfo(bool settings, InfoStep step,
                           std::function<void(const LampInfo&)> done) {
    struct Run {
        LampInfo info;
        bool finished = false;
        InfoStep step;
        std::function<void(const LampInfo&)> done;
        void told(InfoField field) {
            if (step) step(info, field);
        }
        void finish() {
            if (finished) return;
            finished = true;
            if (done) done(info);
        }
    };
    auto run = std::make_shared<Run>();
    run->step = std::move(step);
    run->done = std::move(done);
    BTLEController* lamp = _link.get();
    // Each value is asked for once the one before has come, in the order the
    // info page shows them.
    auto demoLoop = [lamp, run] {
        lamp->getDemoLoop([run](bool on) {
            run->info.demoLoop = on;
            run->told(InfoField::DemoLoop);
            run->finish();
        });
    };
    auto mode = [lamp, run, demoLoop] {
        lamp->getMode([run, demoLoop](std::uint64_t m) {
            run->info.mode = static_cast<unsigned>(m);
            run->told(InfoField::Mode);
            demoLoop();
        });
    };
    auto energy = [lamp, run, settings, mode] {
        lamp->getPowerConsumption([run, settings, mode](std::uint32_t kWh) {
            run->info.energyKWh = kWh;
            run->told(InfoField::Energy);
            if (settings) {
                mode();
            } else {
                run->finish();
            }
        });
    };
    auto serial = [lamp, run, energy] {
        lamp->getSerialNo([run, energy](std::uint64_t s) {
            run->info.serial = s;
            run->told(InfoField::Serial);
            energy();
        });
    };
    auto firmware = [lamp, run, serial] {
        lamp->getFirmware([run, serial](const std::string& text) {
            run->info.firmware = text;
            run->told(InfoField::Firmware);
            serial();
        });
    };
    auto slaves = [lamp, run, firmware] {
        lamp->getSlaves([run, firmware](std::uint8_t count) {
            run->info.slaves = count;
            run->told(InfoField::Slaves);
            firmware();
        });
    };
    lamp->getRTC([run, slaves](const LampDateTime& time) {
        run->info.clock = time;
        run->told(InfoField::Clock);
        slaves();
    });
    // The chain only goes quiet when it has ended, read whole or not.
    lamp->whenIdle([run, alive = _alive] {
        if (*alive) run->finish();
    });
}

void LampSession::readMoon(std::function<void(const MoonSettings&)> done) {
    auto moon = std::make_shared<MoonSettings>();
    BTLEController* lamp = _link.get();
    const std::optional<LampDescription> d = description();
    const unsigned devices = d ? d->slaves + 1u : 1u;
    moon->active.resize(devices);
    lamp->getMoonDay([moon](std::uint8_t v) { moon->day = v; });
    lamp->getMoonMax([moon](std::uint8_t v) { moon->intensity = v; });
    lamp->getMoonWnd([moon](std::uint16_t start, std::uint16_t end) {
        moon->start = start;
        moon->end = end;
    });
    for (unsigned i = 0; i < devices; ++i) {
        lamp->getMoonActive(static_cast<std::uint8_t>(i),
                            [moon, i](bool on) { moon->active[i] = on; });
    }
    lamp->whenIdle([moon, alive = _alive, done = std::move(done)] {
        if (*alive && done) done(*moon);
    });
}

void LampSession::readWeather(std::function<void(const WeatherSettings&)> done) {
    auto w = std::make_shared<WeatherSettings>();
    BTLEController* lamp = _link.get();
    lamp->getCloudsPerDay([w](unsigned v) { w->cloudsPerDay = v; });
    lamp->getCloudDuration([w](unsigned v) { w->cloudDuration = v; });
    lamp->getCloudDimming([w](unsigned v) { w->cloudDimming = v; });
    lamp->getBoltsPerHour([w](unsigned v) { w->boltsPerHour = v; });
    lamp->getBoltsWnd([w](unsigned start, unsigned end) {
        w->boltStart = start;
        w->boltEnd = end;
    });
    lamp->whenIdle([w, alive = _alive, done = std::move(done)] {
        if (*alive && done) done(*w);
    });
}

void LampSession::writeMoon(const MoonSettings& moon, std::function<void(bool)> done) {
    BTLEController* lamp = _link.get();
    const std::uint64_t epoch = lamp->linkEpoch();
    if (moon.day) lamp->setMoonDay(*moon.day);
    if (moon.intensity) lamp->setMoonMax(*moon.intensity);
    if (moon.start && moon.end) lamp->setMoonWnd(*moon.start, *moon.end);
    for (std::size_t i = 0; i < moon.active.size(); ++i) {
        if (moon.active[i]) lamp->setMoonActive(static_cast<std::uint8_t>(i), *moon.active[i]);
    }
    // A command given up changes the link epoch.
    // Handed over by posting: the session may be gone by then.
    lamp->whenIdle([lamp, alive = _alive, epoch, done = std::move(done)] {
        if (*alive && done) done(lamp->linkEpoch() == epoch);
    });
}

void LampSession::writeWeather(const WeatherSettings& w, std::function<void(bool)> done) {
    BTLEController* lamp = _link.get();
    const std::uint64_t epoch = lamp->linkEpoch();
    if (w.cloudsPerDay) lamp->setCloudsPerDay(*w.cloudsPerDay);
    if (w.cloudDuration) lamp->setCloudDuration(*w.cloudDuration);
    if (w.cloudDimming) lamp->setCloudDimming(*w.cloudDimming);
    if (w.boltsPerHour) lamp->setBoltsPerHour(*w.boltsPerHour);
    if (w.boltStart && w.boltEnd) lamp->setBoltsWnd(*w.boltStart, *w.boltEnd);
    // Handed over by posting: the session may be gone by then.
    lamp->whenIdle([lamp, alive = _alive, epoch, done = std::move(done)] {
        if (*alive && done) done(lamp->linkEpoch() == epoch);
    });
}

void LampSession::setClock(const LampDateTime& time,
                           std::function<void(std::optional<LampDateTime>)> done) {
    struct Run {
        std::optional<LampDateTime> read;
        std::function<void(std::optional<LampDateTime>)> done;
    };
    auto run = std::make_shared<Run>();
    run->done = std::move(done);
    BTLEController* lamp = _link.get();
    // What the lamp reads afterwards is the result, so a write that never
    // arrived is not taken for done.
    lamp->setRTC(time,
                 [lamp, run] { lamp->getRTC([run](const LampDateTime& t) { run->read = t; }); });
    lamp->whenIdle([run, alive = _alive] {
        if (*alive && run->done) std::exchange(run->done, nullptr)(run->read);
    });
}

void LampSession::rename(const std::string& name,
                         std::function<void(std::optional<std::string>)> done) {
    BTLEController* lamp = _link.get();
    if (lamp->firedCommand() || lamp->waitingCommandCount() != 0) {
        lamp->whenIdle([this, alive = _alive, name, done = std::move(done)]() mutable {
            if (*alive) rename(name, std::move(done));
        });
        return;
    }
    auto read = std::make_shared<std::optional<std::string>>();
    lamp->setName(name);
    lamp->getName([read](const std::string& reported) { *read = lampNameText(reported); });
    const PeripheralPtr peripheral = lamp->peripheral();
    const std::string identifier = peripheral ? peripheral->identifier() : std::string();
    lamp->whenIdle([names = _names, alive = _alive, read, identifier, done = std::move(done)] {
        if (!*alive) return;
        if (*read && names && !identifier.empty()) names->save(identifier, **read);
        if (done) done(*read);
    });
}

void LampSession::whenSent(std::function<void()> done) {
    _link->whenIdle([alive = _alive, done = std::move(done)] {
        if (*alive && done) done();
    });
}

ProgrammeRead LampSession::downloadProgramme(std::uint8_t device, const TransferControl* control) {
    const std::optional<LampDescription> d = description();
    return readDeviceProgramme(*_link, device, d ? d->channels : std::vector<ChannelLook>{},
                               control, memory());
}

ProgrammeRead LampSession::downloadPresetting(std::uint8_t presetting,
                                              const TransferControl* control) {
    const std::optional<LampDescription> d = description();
    return readPresetting(*_link, presetting, d ? d->channels : std::vector<ChannelLook>{},
                          control);
}

LampSession::Upload LampSession::uploadProgramme(const std::vector<std::uint8_t>& devices,
                                                 const std::vector<LampChannel>& wanted,
                                                 bool everything, bool verify,
                                                 const TransferControl* control) {
    Upload upload;
    const LampMemory known = memory();
    upload.plan = planUpload(devices, wanted, known, everything, verify);
    if (upload.plan.targets.empty()) return upload;
    upload.result = writeProgramme(*_link, upload.plan, wanted, known, control);
    return upload;
}

FirmwareResult LampSession::updateFirmware(const std::string& path,
                                           const std::function<void(double)>& progress) {
    HexFile image;
    return runFirmwareUpdate(*_link, path, image, progress);
}

void LampSession::runOnWorkerAndWait(const std::function<void()>& work) {
    auto finished = std::make_shared<std::atomic<bool>>(false);
    _dispatch.runOnWorker([this, &work, finished] {
        work();
        _dispatch.postToMain([finished] { finished->store(true); });
    });
    while (!finished->load()) _dispatch.runLoopFor(kPollStep);
}

bool LampSession::runUntil(const std::function<bool()>& done, double seconds) {
    const double until = _dispatch.now() + seconds;
    while (!done()) {
        if (_dispatch.now() >= until) return false;
        _dispatch.runLoopFor(kPollStep);
    }
    return true;
}

}  // namespace aq
