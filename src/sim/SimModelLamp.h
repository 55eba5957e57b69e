#pragma once

#include <functional>
#include <mutex>

#include "sim/SimLamp.h"
#include "sim/SimLampModel.h"

namespace aq {

// A simulated lamp that plays the lamp's side of every command against a
// model of its state: the master answers for itself and for its slaves,
// reached by device index. Each answer carries the opcode in byte 0 and the
// values at the positions the link reads. Arguments missing from a short
// request count as 0; an index beyond what the lamp has reads as zeros and
// is ignored when written. Thread-safe.
class SimModelLamp : public SimLamp {
public:
    // Seconds on the time source that runs the lamp's clock.
    using Clock = std::function<double()>;

    // Without a clock, the lamp's clock runs on the process's steady clock.
    SimModelLamp(std::string name, std::string identifier, SimLampModel model, Clock clock = {});

    // A copy of the state as it is now.
    SimLampModel model() const;
    // Changes the state in place, for tests and demos.
    void updateModel(const std::function<void(SimLampModel&)>& change);
    // Sets the lamp's clock, which runs on from there.
    void setClock(const LampDateTime& time);
    LampDateTime clock() const;

protected:
    Bytes answer(const std::string& characteristicUuid, const Bytes& data) override;

private:
    double seconds() const;
    Bytes answerCommand(const Bytes& data);
    Bytes answerLive(const Bytes& data);

    Clock _clock;
    mutable std::mutex _modelMutex;
    SimLampModel _model;
};

// The wall-clock local time now, as a lamp's clock shows it.
LampDateTime localTimeNow();

}  // namespace aq
