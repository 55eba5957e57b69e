#include "sim/SimLampModel.h"

#include <algorithm>
#include <cmath>

namespace aq {

namespace {
SimChannel channel(const char* name, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return SimChannel{name, r, g, b};
}

std::uint16_t at(int hour, int minute) {
    return static_cast<std::uint16_t>(hour * 60 + minute);
}

// A reef-style day: blues rise first and set last, red and white follow the
// midday, the moonlight channel glows at night.
SimProgramme dayProgramme(int shiftMinutes) {
    auto s = [shiftMinutes](int hour, int minute) {
        return static_cast<std::uint16_t>(std::clamp(at(hour, minute) + shiftMinutes, 0, 1439));
    };
    return {
        {{s(7, 30), 0},
         {s(9, 0), 180},
         {s(12, 0), 230},
         {s(18, 0), 230},
         {s(21, 0), 120},
         {s(22, 0), 0}},
        {{s(8, 0), 0}, {s(10, 0), 120}, {s(17, 0), 120}, {s(19, 30), 0}},
        {{0, 12}, {s(6, 0), 12}, {s(7, 0), 0}, {s(21, 30), 0}, {s(22, 30), 12}, {1439, 12}},
        {{s(7, 0), 0}, {s(9, 30), 160}, {s(19, 0), 160}, {s(21, 30), 0}},
        {{s(9, 0), 0}, {s(11, 0), 200}, {s(13, 30), 255}, {s(17, 0), 200}, {s(19, 0), 0}},
        {{s(8, 30), 0}, {s(10, 30), 90}, {s(18, 0), 90}, {s(20, 0), 0}},
    };
}

SimProgramme scaled(const SimProgramme& programme, double factor) {
    SimProgramme out = programme;
    for (auto& points : out) {
        for (auto& p : points) {
            p.intensity =
                static_cast<std::uint8_t>(std::min(255.0, std::floor(p.intensity * factor)));
        }
    }
    return out;
}
}  // namespace

SimLampModel SimLampModel::standard(std::size_t slaves) {
    SimLampModel m;
    m.name.fill(0xFF);
    m.setFirmwareText("1.0.7");
    m.serialNumber = 0x0000A0C1'2024'0117ull;
    m.actualPower = 0;
    m.powerConsumption = 0;
    m.channels = {channel("Royal Blue", 0x41, 0x69, 0xE1), channel("Red", 0xE0, 0x20, 0x20),
                  channel("Moonlight", 0x9F, 0xB6, 0xCD),  channel("Navy Blue", 0x00, 0x00, 0x80),
                  channel("White", 0xFF, 0xFF, 0xFF),      channel("Purple", 0x80, 0x00, 0x80)};
    m.devices.resize(1);
    for (const char* n : {"Reef", "Planted", "Cichlid", "Marine", "Nano", "User"}) {
        m.presettings.push_back(SimPresetting{n, SimProgramme{}});
    }
    m.setChannelCount(m.channels.size());
    m.setSlaveCount(slaves);
    m.clockSetTo = LampDateTime{2024, 1, 1, 12, 0, 0};
    return m;
}

SimLampModel SimLampModel::demo(std::size_t slaves) {
    SimLampModel m = standard(slaves);
    m.setNameText("Reef Tank");
    m.actualPower = 78;
    m.powerConsumption = 412;
    for (std::size_t d = 0; d < m.devices.size(); ++d) {
        // Each slave a quarter of an hour behind the one before, as lamps
        // along a long tank are often set.
        m.devices[d].programme = dayProgramme(static_cast<int>(d) * 15);
    }
    const double factors[kPresettings] = {1.0, 0.8, 0.6, 1.1, 0.5, 0.9};
    for (std::size_t p = 0; p < m.presettings.size() && p < kPresettings; ++p) {
        m.presettings[p].programme =
            scaled(dayProgramme(static_cast<int>(p) * 10 - 20), factors[p]);
    }
    m.moonDay = 14;
    m.moonMax = 40;
    m.moonStart = at(21, 0);
    m.moonEnd = at(6, 30);
    m.boltsPerHour = 12;
    m.boltsStart = at(16, 0);
    m.boltsEnd = at(17, 30);
    m.cloudDimming = 35;
    m.cloudDuration = 120;
    m.cloudsPerDay = 8;
    return m;
}

std::string SimLampModel::nameText() const {
    std::string out;
    for (std::uint8_t b : name) {
        if (b != 0xFF) out.push_back(static_cast<char>(b));
    }
    return out;
}

void SimLampModel::setNameText(const std::string& text) {
    name.fill(0xFF);
    for (std::size_t i = 0; i < text.size() && i < name.size(); ++i) {
        name[i] = static_cast<std::uint8_t>(text[i]);
    }
}

std::string SimLampModel::firmwareText() const {
    std::string out;
    for (std::uint8_t b : firmware) {
        if (b != 0xFF) out.push_back(static_cast<char>(b));
    }
    return out;
}

void SimLampModel::setFirmwareText(const std::string& text) {
    firmware.fill(0xFF);
    for (std::size_t i = 0; i < text.size() && i < firmware.size(); ++i) {
        firmware[i] = static_cast<std::uint8_t>(text[i]);
    }
}

void SimLampModel::setSlaveCount(std::size_t slaves) {
    devices.resize(slaves + 1);
    setChannelCount(channels.size());
}

void SimLampModel::setChannelCount(std::size_t count) {
    if (count < channels.size()) {
        channels.resize(count);
    } else {
        while (channels.size() < count) channels.push_back(channel("", 0xFF, 0xFF, 0xFF));
    }
    for (SimDevice& d : devices) {
        d.programme.resize(count);
        d.liveValues.resize(count, 0);
    }
    for (SimPresetting& p : presettings) p.programme.resize(count);
}

LampDateTime SimLampModel::clockAt(double seconds) const {
    const auto start = clockSetTo.toLocalSeconds();
    // A clock set to fields that form no date stands still.
    if (!start) return clockSetTo;
    // A microsecond of slack keeps sums of radio delays that should cancel
    // from losing a whole second to rounding.
    const auto elapsed =
        static_cast<long long>(std::floor(std::max(0.0, seconds - clockSetAt) + 1e-6));
    return LampDateTime::fromLocalSeconds(*start + std::chrono::seconds{elapsed});
}

void SimLampModel::setClock(const LampDateTime& time, double seconds) {
    clockSetTo = time;
    clockSetAt = seconds;
}

}  // namespace aq
