#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "link/BleCentral.h"
#include "link/Bytes.h"

namespace aq {

// One exchange with the lamp: the bytes written to a characteristic and the
// handler that receives what is read back afterwards.
class BTLECommand {
public:
    using ResponseHandler = std::function<void(const Bytes& response)>;
    using ErrorHandler = std::function<void(std::uint8_t flag)>;

    // Takes the next number of the process-wide command counter (the first
    // command of a run is 1). `now` is the dispatch clock in seconds.
    BTLECommand(Bytes data, CharacteristicPtr characteristic, double now);

    void setResponseHandler(ResponseHandler handler) { _response = std::move(handler); }
    void setErrorHandler(ErrorHandler handler) { _error = std::move(handler); }

    // Stamps the write time and logs "-->".
    void fire(double now);
    // Stamps the answer time, logs "<--" and hands the bytes to the handler.
    void setResponsedData(const Bytes& response, double now);
    // Logs "!!!" for a command that got no answer and calls the error handler.
    void setError(std::uint8_t flag, double now);

    std::uint64_t num() const { return _num; }
    double created() const { return _created; }
    std::optional<double> fired() const;
    std::optional<double> responsed() const;
    const Bytes& data() const { return _data; }
    const CharacteristicPtr& characteristic() const { return _characteristic; }
    // What a keyed replacing send matches on; empty for every other command.
    const std::string& key() const { return _key; }
    void setKey(std::string key) { _key = std::move(key); }

    // The command leaves the queue unwritten (replaced by a newer one): no
    // log line, no response; a waiter behind the error handler is woken.
    void discard();

private:
    ResponseHandler _response;
    ErrorHandler _error;
    std::uint64_t _num;
    double _created;
    // Read by other threads while the queue decides whether the command is
    // stale, hence atomic; NaN means "not yet".
    std::atomic<double> _fired;
    std::atomic<double> _responsed;
    Bytes _data;
    CharacteristicPtr _characteristic;
    std::string _key;
};

using CommandPtr = std::shared_ptr<BTLECommand>;

}  // namespace aq
