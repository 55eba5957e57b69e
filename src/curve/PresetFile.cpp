#include "curve/PresetFile.h"

#include <algorithm>
#include <array>

#include "curve/DayAdjustmentChannel.h"
#include "curve/DayAdjustmentGraph.h"

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

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF,
// no sequence cut short.
bool isUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t more = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (bytes.size() - i <= more) return false;
        for (std::size_t k = 1; k <= more; ++k) {
            const auto c = static_cast<unsigned char>(bytes[i + k]);
            if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) return false;
        }
        i += more + 1;
    }
    return true;
}

double clampUnit(double v) {
    // NaN cannot come from the text form, but would pass both tests.
    if (!(v >= 0.0)) return 0.0;
    return v > 1.0 ? 1.0 : v;
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

PresetLoad loadPresetText(std::string_view bytes, DayAdjustmentGraph& graph) {
    PresetLoad result;
    if (!isUtf8(bytes)) {
        result.outcome = PresetLoad::Outcome::NotText;
        return result;
    }
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        bytes.remove_prefix(kByteOrderMark.size());
    }
    const auto channels = presetChannels(bytes);
    const std::size_t usable = std::min<std::size_t>(channels.size(), graph.channelCount());
    // Empty channels alone (a file of "?" and noise) do not make a preset.
    bool anyReadable = false;
    for (std::size_t i = 0; i < usable; ++i) {
        if (!channels[i]) {
            result.skipped.push_back(i);
        } else if (!channels[i]->empty()) {
            anyReadable = true;
        }
    }
    if (!anyReadable) {
        result.skipped.clear();
        return result;
    }
    for (std::size_t i = 0; i < usable; ++i) {
        if (!channels[i]) continue;
        const auto channel = graph.channelAtIndex(static_cast<std::uint8_t>(i));
        if (!channel) continue;
        channel->setSelectedPoint(-1);
        if (channels[i]->empty()) {
            channel->clear();
            continue;
        }
        channel->channelFromString(*channels[i]);
        // A point off the chart could be neither seen nor dragged, and would
        // be saved back as it came.
        std::array<CurvePoint, DayAdjustmentChannel::kMaxPoints> points;
        const std::uint8_t count = channel->PointCount();
        for (std::uint8_t p = 0; p < count; ++p) {
            points[p] =
                CurvePoint{clampUnit(channel->Points()[p].x), clampUnit(channel->Points()[p].y)};
        }
        channel->adjust(points.data(), count);
    }
    result.outcome = PresetLoad::Outcome::Loaded;
    return result;
}

}  // namespace aq
