#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "link/LampDateTime.h"

namespace aq {

// One set point of a day programme in the lamp's units.
struct SimSetPoint {
    std::uint16_t offset = 0;    // minutes after midnight
    std::uint8_t intensity = 0;  // 0 ... 255

    friend bool operator==(const SimSetPoint&, const SimSetPoint&) = default;
};

// Set points per channel.
using SimProgramme = std::vector<std::vector<SimSetPoint>>;

struct SimChannel {
    std::string name;  // up to 11 characters
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

// One lamp behind the connection: the master (device 0) or a slave.
struct SimDevice {
    SimProgramme programme;
    std::uint8_t moonActive = 1;  // kept as received; non-zero is on
    std::uint8_t moonChannel = 2;
    std::vector<std::uint8_t> liveValues;  // per channel, the last live value
};

struct SimPresetting {
    std::string name;  // up to 11 characters
    SimProgramme programme;
};

struct SimLiveValue {
    std::uint8_t device = 0;
    std::uint8_t channel = 0;
    std::uint8_t value = 0;

    friend bool operator==(const SimLiveValue&, const SimLiveValue&) = default;
};

// Everything a lamp with its slaves holds, as plain data. The simulated lamp
// answers from it and changes it as commands arrive; tests read and change
// it directly.
struct SimLampModel {
    static constexpr std::size_t kNameLength = 24;
    static constexpr std::size_t kMaxSetPoints = 255;
    static constexpr std::size_t kPresettings = 6;

    // The lamp's name as raw bytes, 0xFF after the text.
    std::array<std::uint8_t, kNameLength> name{};
    // The clock: it showed `clockSetTo` at `clockSetAt` seconds of the lamp's
    // time source and has run since.
    LampDateTime clockSetTo;
    double clockSetAt = 0.0;
    std::uint8_t mode = 0;
    std::uint8_t demoLoop = 0;
    // Five bytes, 0xFF for the unused ones.
    std::array<std::uint8_t, 5> firmware{};
    std::uint64_t serialNumber = 0;
    std::uint16_t actualPower = 0;       // watts
    std::uint32_t powerConsumption = 0;  // kWh
    std::vector<SimChannel> channels;
    std::vector<SimDevice> devices;  // [0] is the master
    std::vector<SimPresetting> presettings;
    std::uint8_t moonDay = 1;
    std::uint8_t moonMax = 0;
    std::uint16_t moonStart = 0;
    std::uint16_t moonEnd = 0;
    std::uint8_t boltsPerHour = 0;
    std::uint16_t boltsStart = 0;
    std::uint16_t boltsEnd = 0;
    std::uint8_t cloudDimming = 0;
    std::uint16_t cloudDuration = 0;
    std::uint8_t cloudsPerDay = 0;

    // What live control did, in order of arrival.
    std::vector<SimLiveValue> liveLog;
    std::vector<std::uint8_t> navKeys;
    unsigned testClouds = 0;
    unsigned testBolts = 0;

    // Six channels with the usual names and colours, no set points, six
    // named presettings, the given number of slaves.
    static SimLampModel standard(std::size_t slaves);
    // `standard` with a day programme on every lamp and in the presettings,
    // moon and weather values set, and a name, as a lamp in use would have.
    static SimLampModel demo(std::size_t slaves);

    std::string nameText() const;
    // Stores the text as the lamp would receive it: 24 bytes, 0xFF padded.
    void setNameText(const std::string& text);
    std::string firmwareText() const;
    void setFirmwareText(const std::string& text);

    // Adds or removes slaves; new ones start with empty programmes.
    void setSlaveCount(std::size_t slaves);
    // Adds channels (unnamed, white) or removes them, on every lamp.
    void setChannelCount(std::size_t count);

    // The clock's reading at `seconds` of the lamp's time source.
    LampDateTime clockAt(double seconds) const;
    void setClock(const LampDateTime& time, double seconds);
};

}  // namespace aq
