#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "link/Bytes.h"
#include "sim/SimBootLoader.h"

namespace aq {

// One way a simulated lamp's answer can go wrong.
enum class SimFault {
    NoAnswer,       // the write is taken but never completed
    ShortAnswer,    // the answer is cut to `shortAnswerLength` bytes
    GarbageAnswer,  // the answer's bytes are noise (its length stays)
    LateAnswer,     // the read completes `lateAnswerBy` seconds late
    DropLink,       // the link drops when the write arrives
};

// What can go wrong on a simulated lamp, switched on by tests.
struct SimFaults {
    // A fault for every command with one opcode (byte 0), on one
    // characteristic or, when it is empty, on any.
    struct ForCommand {
        std::uint8_t opcode = 0;
        SimFault fault = SimFault::NoAnswer;
        std::string characteristic;
    };

    // The connection attempt fails.
    bool refuseConnection = false;
    // The lamp service offers the command characteristic only.
    bool commandCharacteristicOnly = false;
    // From this command on (1-based, counting every write the lamp receives)
    // the lamp takes writes but never completes them.
    std::optional<std::uint64_t> noAnswerFrom;
    // From this command on, the link drops when the write arrives.
    std::optional<std::uint64_t> dropLinkAt;
    // The link drops once, when this command or a later one arrives; the
    // lamp can be connected again afterwards.
    std::optional<std::uint64_t> dropLinkOnceAt;
    // This command alone is taken but never completed.
    std::optional<std::uint64_t> noAnswerAt;
    // Extra seconds before a read completes.
    double lateBy = 0.0;
    // From this command on, answers are cut short, or are noise.
    std::optional<std::uint64_t> shortAnswerFrom;
    std::optional<std::uint64_t> garbageAnswerFrom;
    // What a short answer keeps: by default the opcode alone.
    std::size_t shortAnswerLength = 1;
    // How much later a late answer comes than the usual read.
    double lateAnswerBy = 2.0;
    std::vector<ForCommand> forCommands;
    // The set point written by this command (on the command characteristic)
    // is answered as usual but silently dropped, or kept with its level
    // changed by one.
    std::optional<std::uint64_t> spoilPointAt;
    bool spoilPointByDropping = true;

    // Whether the fault hits the number-th write (1-based) of `data` to the
    // characteristic.
    bool hits(SimFault fault, std::uint64_t number, const std::string& characteristicUuid,
              const Bytes& data) const;
};

// The lamp's side of the link: takes each write and prepares what the read
// that follows returns. Thread-safe.
class SimLamp {
public:
    struct Received {
        std::string characteristic;  // UUID
        Bytes data;
    };

    SimLamp(std::string name, std::string identifier);
    virtual ~SimLamp() = default;

    const std::string& name() const { return _name; }
    const std::string& identifier() const { return _identifier; }

    SimFaults faults() const;
    void setFaults(const SimFaults& faults);

    // Handles one write; returns the value that the next read yields, spoilt
    // as the fault switches say.
    Bytes receive(const std::string& characteristicUuid, const Bytes& data);
    // The most recent writes received (at most kReceivedKept), in order.
    static constexpr std::size_t kReceivedKept = 4096;
    std::vector<Received> received() const;
    std::uint64_t receivedCount() const;
    void clearReceived();

    // What the lamp's boot loader makes of the packets on its characteristic.
    SimBootLoader& bootLoader() { return _bootLoader; }
    const SimBootLoader& bootLoader() const { return _bootLoader; }

protected:
    // The lamp's answer to one command. Byte 0 echoes the opcode.
    virtual Bytes answer(const std::string& characteristicUuid, const Bytes& data);

private:
    const std::string _name;
    const std::string _identifier;
    mutable std::mutex _mutex;
    SimFaults _faults;
    std::deque<Received> _received;
    std::uint64_t _count = 0;
    SimBootLoader _bootLoader;
};

}  // namespace aq
