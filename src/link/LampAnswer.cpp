#include "link/LampAnswer.h"

#include "link/Log.h"

namespace aq::lampanswer {

bool covers(const Bytes& answer, std::size_t count, const char* operation) {
    if (answer.size() >= count) return true;
    logLine(format("%s: answer too short (%zu of %zu bytes)", operation, answer.size(), count));
    return false;
}

std::string textWithoutPadding(const Bytes& answer, std::size_t first, std::size_t count) {
    std::string text;
    for (std::size_t i = first; i < first + count && i < answer.size(); ++i) {
        if (answer[i] != 0xFF) text.push_back(static_cast<char>(answer[i]));
    }
    return text;
}

std::optional<std::string> terminatedText(const Bytes& answer, std::size_t maxLength,
                                          const char* operation) {
    std::string text;
    for (std::size_t i = 1; i <= maxLength; ++i) {
        if (i >= answer.size()) {
            logLine(format("%s: answer too short (%zu bytes, name not ended)", operation,
                           answer.size()));
            return std::nullopt;
        }
        if (answer[i] == 0x00) break;
        text.push_back(static_cast<char>(answer[i]));
    }
    return text;
}

std::optional<Bytes> syncRead(BTLEController& link, const char* operation, const Bytes& request,
                              std::size_t needed) {
    std::optional<Bytes> answer = link.fireSyncCommand(request, link.rw_characteristic());
    if (!answer) {
        logLine(format("%s: no answer", operation));
        return std::nullopt;
    }
    if (!covers(*answer, needed, operation)) return std::nullopt;
    return answer;
}

bool syncWrite(BTLEController& link, const char* operation, const Bytes& request) {
    // Every lamp answer carries at least its opcode; an empty one is a
    // failed read.
    return syncRead(link, operation, request, 1).has_value();
}

}  // namespace aq::lampanswer
