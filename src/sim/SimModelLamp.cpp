// The lamp's side of the command set: settings, programme, presettings, moon
// and weather on the command characteristic, live control on the test
// characteristic.
#include "sim/SimModelLamp.h"

#include <chrono>
#include <ctime>

#include "link/LampUuids.h"

namespace aq {

namespace {
// A request's argument; one the request does not carry counts as 0.
std::uint8_t arg(const Bytes& data, std::size_t i) {
    return i < data.size() ? data[i] : 0;
}
std::uint16_t arg16(const Bytes& data, std::size_t i) {
    return static_cast<std::uint16_t>(arg(data, i) | (arg(data, i + 1) << 8));
}

void put16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// 11 characters, 0x00 after the text (none when the text fills them).
void putName11(Bytes& out, const std::string& text) {
    for (std::size_t i = 0; i < 11; ++i) {
        out.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0x00);
    }
}

SimDevice* device(SimLampModel& m, std::uint8_t index) {
    return index < m.devices.size() ? &m.devices[index] : nullptr;
}

const std::vector<SimSetPoint>* points(const SimProgramme& programme, std::uint8_t channel) {
    return channel < programme.size() ? &programme[channel] : nullptr;
}

Bytes pointAnswer(std::uint8_t opcode, const std::vector<SimSetPoint>* list, std::uint8_t point) {
    Bytes out{opcode};
    const SimSetPoint p = (list && point < list->size()) ? (*list)[point] : SimSetPoint{};
    put16(out, p.offset);
    out.push_back(p.intensity);
    return out;
}
}  // namespace

LampDateTime localTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return LampDateTime{local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                        static_cast<unsigned>(local.tm_mday), static_cast<unsigned>(local.tm_hour),
                        static_cast<unsigned>(local.tm_min),
                        // A leap second shows as the 59th.
                        static_cast<unsigned>(local.tm_sec > 59 ? 59 : local.tm_sec)};
}

SimModelLamp::SimModelLamp(std::string name, std::string identifier, SimLampModel model,
                           Clock clock)
    : SimLamp(std::move(name), std::move(identifier)),
      _clock(std::move(clock)),
      _model(std::move(model)) {
    _model.clockSetAt = seconds();
}

double SimModelLamp::seconds() const {
    if (_clock) return _clock();
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

SimLampModel SimModelLamp::model() const {
    std::lock_guard lock(_modelMutex);
    return _model;
}

void SimModelLamp::updateModel(const std::function<void(SimLampModel&)>& change) {
    std::lock_guard lock(_modelMutex);
    change(_model);
}

void SimModelLamp::setClock(const LampDateTime& time) {
    const double now = seconds();
    std::lock_guard lock(_modelMutex);
    _model.setClock(time, now);
}

LampDateTime SimModelLamp::clock() const {
    const double now = seconds();
    std::lock_guard lock(_modelMutex);
    return _model.clockAt(now);
}

Bytes SimModelLamp::answer(const std::string& characteristicUuid, const Bytes& data) {
    if (data.empty()) return {};
    if (characteristicUuid == kCommandCharacteristicUUID) return answerCommand(data);
    if (characteristicUuid == kTestCharacteristicUUID) return answerLive(data);
    return SimLamp::answer(characteristicUuid, data);
}

Bytes SimModelLamp::answerLive(const Bytes& data) {
    const std::uint8_t op = data[0];
    std::lock_guard lock(_modelMutex);
    SimLampModel& m = _model;
    switch (op) {
        case 0x0A: {
            const SimLiveValue v{arg(data, 1), arg(data, 2), arg(data, 3)};
            m.liveLog.push_back(v);
            SimDevice* d = device(m, v.device);
            if (d && v.channel < d->liveValues.size()) d->liveValues[v.channel] = v.value;
            break;
        }
        case 0x01:
            m.navKeys.push_back(arg(data, 1));
            break;
        case 0x0C:
            ++m.testClouds;
            break;
        case 0x0B:
            ++m.testBolts;
            break;
        default:
            break;
    }
    return Bytes{op};
}

Bytes SimModelLamp::answerCommand(const Bytes& data) {
    const std::uint8_t op = data[0];
    const double now = seconds();
    std::lock_guard lock(_modelMutex);
    SimLampModel& m = _model;
    Bytes out{op};
    switch (op) {
        // --- writes: the answer is the opcode alone --------------------------
        case 0x01:
            m.boltsPerHour = arg(data, 2);
            break;
        case 0x02:
            m.boltsStart = arg16(data, 2);
            m.boltsEnd = arg16(data, 4);
            break;
        case 0x03:
            m.cloudDimming = arg(data, 2);
            break;
        case 0x04:
            m.cloudDuration = arg16(data, 2);
            break;
        case 0x05:
            m.cloudsPerDay = arg(data, 2);
            break;
        case 0x06:
            m.demoLoop = arg(data, 2);
            break;
        case 0x07:
            if (SimDevice* d = device(m, arg(data, 1))) d->moonActive = arg(data, 2);
            break;
        case 0x08:
            m.moonDay = arg(data, 2);
            break;
        case 0x09:
            m.moonMax = arg(data, 2);
            break;
        case 0x0A:
            m.moonStart = arg16(data, 2);
            m.moonEnd = arg16(data, 4);
            break;
        case 0x0B:
        case 0x0C: {
            const std::size_t half = op == 0x0B ? 0 : 12;
            for (std::size_t i = 0; i < 12; ++i) m.name[half + i] = arg(data, 2 + i);
            break;
        }
        case 0x0E: {
            SimDevice* d = device(m, arg(data, 1));
            if (d && arg(data, 2) < d->programme.size())
                d->programme[arg(data, 2)].resize(arg(data, 3));
            break;
        }
        case 0x0F: {
            SimDevice* d = device(m, arg(data, 1));
            if (!d || arg(data, 2) >= d->programme.size()) break;
            auto& list = d->programme[arg(data, 2)];
            // A point beyond the count the lamp was given is not kept.
            if (arg(data, 3) < list.size()) list[arg(data, 3)] = {arg16(data, 4), arg(data, 6)};
            break;
        }
        case 0x11:
            m.setClock(LampDateTime{2000 + arg(data, 8), arg(data, 7), arg(data, 6), arg(data, 4),
                                    arg(data, 3), arg(data, 2)},
                       now);
            break;
        case 0x12:
            m.mode = arg(data, 2);
            break;
        case 0x13:
            if (SimDevice* d = device(m, arg(data, 1))) d->moonChannel = arg(data, 2);
            break;

        // --- reads ------------------------------------------------------------
        case 0x81:
            out.push_back(m.boltsPerHour);
            break;
        case 0x82:
            put16(out, m.boltsStart);
            put16(out, m.boltsEnd);
            break;
        case 0x83:
            out.push_back(m.cloudDimming);
            break;
        case 0x84:
            put16(out, m.cloudDuration);
            break;
        case 0x85:
            out.push_back(m.cloudsPerDay);
            break;
        case 0x86:
            out.push_back(m.demoLoop);
            break;
        case 0x87: {
            const SimDevice* d = device(m, arg(data, 1));
            out.push_back(d ? d->moonActive : 0);
            break;
        }
        case 0x88:
            out.push_back(m.moonDay);
            break;
        case 0x89:
            out.push_back(m.moonMax);
            break;
        case 0x8A:
            put16(out, m.moonStart);
            put16(out, m.moonEnd);
            break;
        case 0x8B:
        case 0x8C: {
            const std::size_t half = op == 0x8B ? 0 : 12;
            out.insert(out.end(), m.name.begin() + half, m.name.begin() + half + 12);
            break;
        }
        case 0x8E: {
            const SimDevice* d = device(m, arg(data, 1));
            const auto* list = d ? points(d->programme, arg(data, 2)) : nullptr;
            out.push_back(list ? static_cast<std::uint8_t>(list->size()) : 0);
            break;
        }
        case 0x8F: {
            const SimDevice* d = device(m, arg(data, 1));
            return pointAnswer(op, d ? points(d->programme, arg(data, 2)) : nullptr, arg(data, 3));
        }
        case 0x90:
            out.push_back(static_cast<std::uint8_t>(m.devices.size() - 1));
            break;
        case 0x91: {
            const LampDateTime t = m.clockAt(now);
            out.insert(out.end(),
                       {static_cast<std::uint8_t>(t.second), static_cast<std::uint8_t>(t.minute),
                        static_cast<std::uint8_t>(t.hour),
                        static_cast<std::uint8_t>(t.weekday().value_or(0)),
                        static_cast<std::uint8_t>(t.day), static_cast<std::uint8_t>(t.month),
                        static_cast<std::uint8_t>(t.year - 2000)});
            break;
        }
        case 0x92:
            out.push_back(m.mode);
            break;
        case 0x93: {
            const SimDevice* d = device(m, arg(data, 1));
            out.push_back(d ? d->moonChannel : 0);
            break;
        }
        case 0x95:
            out.insert(out.end(), m.firmware.begin(), m.firmware.end());
            break;
        case 0x96:
            putName11(out, arg(data, 2) < m.channels.size() ? m.channels[arg(data, 2)].name : "");
            break;
        case 0x97:
            out.push_back(static_cast<std::uint8_t>(m.channels.size()));
            break;
        case 0x98:
            for (int shift = 24; shift >= 0; shift -= 8) {
                out.push_back(static_cast<std::uint8_t>(m.powerConsumption >> shift));
            }
            break;
        case 0x99: {
            const SimChannel c =
                arg(data, 2) < m.channels.size() ? m.channels[arg(data, 2)] : SimChannel{};
            out.insert(out.end(), {c.red, c.green, c.blue});
            break;
        }
        case 0x9B:
            put16(out, m.actualPower);
            break;
        case 0x9C:
            for (int shift = 0; shift < 64; shift += 8) {
                out.push_back(static_cast<std::uint8_t>(m.serialNumber >> shift));
            }
            break;
        case 0x9F:
            putName11(out,
                      arg(data, 2) < m.presettings.size() ? m.presettings[arg(data, 2)].name : "");
            break;
        case 0xA0: {
            const auto* p =
                arg(data, 2) < m.presettings.size() ? &m.presettings[arg(data, 2)] : nullptr;
            const auto* list = p ? points(p->programme, arg(data, 3)) : nullptr;
            out.push_back(list ? static_cast<std::uint8_t>(list->size()) : 0);
            break;
        }
        case 0xA1: {
            const auto* p =
                arg(data, 2) < m.presettings.size() ? &m.presettings[arg(data, 2)] : nullptr;
            return pointAnswer(op, p ? points(p->programme, arg(data, 3)) : nullptr, arg(data, 4));
        }
        default:
            break;
    }
    return out;
}

}  // namespace aq
