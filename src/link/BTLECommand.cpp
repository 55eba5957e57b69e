#include "link/BTLECommand.h"

#include <cmath>
#include <limits>

#include "link/Log.h"

namespace aq {

namespace {
constexpr double kNotYet = std::numeric_limits<double>::quiet_NaN();

std::uint64_t nextCommandNumber() {
    static std::atomic<std::uint64_t> counter{0};
    return counter.fetch_add(1) + 1;
}

std::optional<double> stamp(const std::atomic<double>& value) {
    const double v = value.load();
    if (std::isnan(v)) return std::nullopt;
    return v;
}
}  // namespace

BTLECommand::BTLECommand(Bytes data, CharacteristicPtr characteristic, double now)
    : _num(nextCommandNumber()),
      _created(now),
      _fired(kNotYet),
      _responsed(kNotYet),
      _data(std::move(data)),
      _characteristic(std::move(characteristic)) {}

std::optional<double> BTLECommand::fired() const {
    return stamp(_fired);
}
std::optional<double> BTLECommand::responsed() const {
    return stamp(_responsed);
}

void BTLECommand::fire(double now) {
    _fired.store(now);
    logLine(
        format("%06lu --> %s", static_cast<unsigned long>(_num), hexDescription(_data).c_str()));
}

void BTLECommand::setResponsedData(const Bytes& response, double now) {
    _responsed.store(now);
    const double firedAt = fired().value_or(now);
    logLine(format("%06lu <-- %s (%2.4f Sek)", static_cast<unsigned long>(_num),
                   hexDescription(response).c_str(), now - firedAt));
    if (_response) _response(response);
}

void BTLECommand::setError(std::uint8_t flag, double now) {
    const double firedAt = fired().value_or(now);
    logLine(format("%06lu !!! (%2.4f Sek)", static_cast<unsigned long>(_num), now - firedAt));
    if (_error) _error(flag);
}

void BTLECommand::discard() {
    if (_error) _error(0);
}

}  // namespace aq
