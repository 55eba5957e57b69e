#include "pages/PresetFile.h"

namespace aq {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// An optionally signed whole number, blanks allowed around it.
bool isNumber(std::string_view field) {
    field = trimmed(field);
    if (!field.empty() && (field.front() == '-' || field.front() == '+')) field.remove_prefix(1);
    if (field.empty()) return false;
    for (char c : field) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

}  // namespace

bool isChannelText(std::string_view text) {
    if (text.empty()) return true;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(';', start);
        const std::string_view piece = text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        const std::size_t comma = piece.find(',');
        if (comma == std::string_view::npos) return false;
        if (!isNumber(piece.substr(0, comma)) || !isNumber(piece.substr(comma + 1))) return false;
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

std::vector<std::optional<std::string_view>> presetChannels(std::string_view text) {
    std::vector<std::optional<std::string_view>> channels;
    text = trimmed(text);
    if (text.empty()) return channels;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find('?', start);
        const std::string_view piece = trimmed(text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (isChannelText(piece)) {
            channels.emplace_back(piece);
        } else {
            channels.emplace_back(std::nullopt);
        }
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return channels;
}

}  // namespace aq
