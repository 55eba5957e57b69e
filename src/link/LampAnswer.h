#pragma once

// Sending lamp commands and reading their answers at fixed positions, shared
// by the command files of BTLEController. A lamp answer is untrusted: every
// reader checks that the bytes it reads are there before it reads them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "link/BTLEController.h"
#include "link/Bytes.h"

namespace aq::lampanswer {

// True when the answer holds bytes 0 ... count - 1; otherwise logs
// "<operation>: answer too short (<n> of <count> bytes)" and returns false.
bool covers(const Bytes& answer, std::size_t count, const char* operation);

// The two bytes at `at` and `at` + 1, least significant first.
inline std::uint16_t le16(const Bytes& answer, std::size_t at) {
    return static_cast<std::uint16_t>(answer[at] | (answer[at + 1] << 8));
}

// Bytes first ... first + count - 1 as characters, 0xFF bytes left out
// wherever they stand (the padding of names and version texts).
std::string textWithoutPadding(const Bytes& answer, std::size_t first, std::size_t count);

// Up to `maxLength` characters from byte 1, ended by the first 0x00. No value
// (and a log line) when the answer ends before the 0x00 or the last character.
std::optional<std::string> terminatedText(const Bytes& answer, std::size_t maxLength,
                                          const char* operation);

// Queues `request`; once answered with at least `needed` bytes, hands
// decode(answer) to the handler, if there is one.
template <typename Handler, typename Decode>
void queueRead(BTLEController& link, const CharacteristicPtr& characteristic, const char* operation,
               const Bytes& request, std::size_t needed, Handler handler, Decode decode) {
    link.fireCommand(request, characteristic,
                     [operation, needed, handler = std::move(handler),
                      decode = std::move(decode)](const Bytes& answer) {
                         if (!covers(answer, needed, operation)) return;
                         auto value = decode(answer);
                         if (handler) handler(value);
                     });
}

// Worker threads only. The answer when the lamp answered with at least
// `needed` bytes; otherwise no value and a log line.
std::optional<Bytes> syncRead(BTLEController& link, const char* operation, const Bytes& request,
                              std::size_t needed);

// Worker threads only. Whether the lamp answered the command at all.
bool syncWrite(BTLEController& link, const char* operation, const Bytes& request);

}  // namespace aq::lampanswer
