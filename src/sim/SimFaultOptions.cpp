#include "sim/SimFaultOptions.h"

#include <charconv>

#include "sim/SimCentral.h"

namespace aq {

namespace {

// A command count: a whole number from 1.
bool parseCount(const std::string& text, std::uint64_t& count) {
    const char* end = text.data() + text.size();
    const auto [rest, failure] = std::from_chars(text.data(), end, count);
    return failure == std::errc() && rest == end && count > 0;
}

bool addOne(const std::string& fault, SimFaultSetup& setup, std::string& error) {
    const auto equals = fault.find('=');
    const std::string name = fault.substr(0, equals);
    const bool hasValue = equals != std::string::npos;
    const std::string value = hasValue ? fault.substr(equals + 1) : std::string();

    struct Counted {
        const char* name;
        std::optional<std::uint64_t> SimFaults::*field;
    };
    static const Counted counted[] = {
        {"drop-at", &SimFaults::dropLinkOnceAt},
        {"no-answer-at", &SimFaults::noAnswerAt},
        {"no-answer-from", &SimFaults::noAnswerFrom},
    };
    for (const Counted& c : counted) {
        if (name != c.name) continue;
        std::uint64_t count = 0;
        if (!hasValue || !parseCount(value, count)) {
            error = "\"" + fault + "\": " + name + " needs a command number from 1, as in " +
                    name + "=200";
            return false;
        }
        setup.lamp.*c.field = count;
        return true;
    }
    struct Flag {
        const char* name;
        void (*set)(SimFaultSetup&);
    };
    static const Flag flags[] = {
        {"no-adapter", [](SimFaultSetup& s) { s.state = CentralState::Unsupported; }},
        {"adapter-off", [](SimFaultSetup& s) { s.state = CentralState::PoweredOff; }},
        {"no-service",
         [](SimFaultSetup& s) {
             s.state = CentralState::Unsupported;
             s.fault = CentralFault::ServiceNotRunning;
         }},
        {"no-permission", [](SimFaultSetup& s) { s.state = CentralState::Unauthorized; }},
        {"scan-fails", [](SimFaultSetup& s) { s.fault = CentralFault::DiscoveryFailed; }},
        {"refuse-connect", [](SimFaultSetup& s) { s.lamp.refuseConnection = true; }},
        {"no-test-characteristic",
         [](SimFaultSetup& s) { s.lamp.commandCharacteristicOnly = true; }},
    };
    for (const Flag& f : flags) {
        if (name != f.name) continue;
        if (hasValue) {
            error = "\"" + fault + "\": " + name + " takes no value";
            return false;
        }
        f.set(setup);
        return true;
    }
    error = "unknown simulated fault \"" + fault + "\" (see --help)";
    return false;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> simFaultHelp() {
    return {
        {"drop-at=N", "the link drops when the lamp receives its N-th command (once)"},
        {"no-answer-at=N", "the lamp leaves its N-th command unanswered"},
        {"no-answer-from=N", "the lamp answers nothing from its N-th command on"},
        {"no-adapter", "no Bluetooth adapter is found"},
        {"adapter-off", "the adapter is switched off (it can be turned on)"},
        {"no-service", "the Bluetooth service is not running"},
        {"no-permission", "access to Bluetooth is not permitted"},
        {"scan-fails", "searching for lamps fails"},
        {"refuse-connect", "the lamp refuses connections"},
        {"no-test-characteristic", "the lamp offers no test characteristic"},
    };
}

bool addSimFaults(const std::string& value, SimFaultSetup& setup, std::string& error) {
    SimFaultSetup result = setup;
    std::size_t start = 0;
    while (start <= value.size()) {
        const std::size_t comma = value.find(',', start);
        const std::size_t end = comma == std::string::npos ? value.size() : comma;
        const std::string fault = value.substr(start, end - start);
        if (fault.empty()) {
            error = "an empty simulated fault in \"" + value + "\"";
            return false;
        }
        if (!addOne(fault, result, error)) return false;
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    setup = result;
    return true;
}

void applySimFaults(const SimFaultSetup& setup, SimCentral& central, SimLamp& lamp) {
    lamp.setFaults(setup.lamp);
    central.setState(setup.state, setup.fault);
}

}  // namespace aq
