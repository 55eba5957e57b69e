#include "link/Bytes.h"

namespace aq {

Bytes commandBytes(std::initializer_list<unsigned long long> values) {
    Bytes out;
    out.reserve(values.size());
    for (unsigned long long v : values) out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    return out;
}

namespace {
unsigned hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    return 255;
}
}  // namespace

Bytes bytesFromHexString(std::string_view text) {
    Bytes out;
    out.reserve(text.size() / 2);
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        const unsigned high = hexDigitValue(text[i]);
        const unsigned low = hexDigitValue(text[i + 1]);
        out.push_back(static_cast<std::uint8_t>((high * 16 + low) % 256));
    }
    return out;
}

std::string hexDescription(const Bytes& bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2 + 2);
    out.push_back('<');
    for (std::uint8_t b : bytes) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 0x0F]);
    }
    out.push_back('>');
    return out;
}

}  // namespace aq
