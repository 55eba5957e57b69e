#pragma once

// Intel HEX records as the tests write them into files.
#include <cstdint>
#include <string>
#include <vector>

namespace aq::test {

// One record with a correct checksum (or one off by `checksumDelta`), no line end.
inline std::string hexRecord(unsigned address, unsigned type, const std::vector<std::uint8_t>& data,
                             int checksumDelta = 0) {
    static const char* digits = "0123456789ABCDEF";
    std::vector<std::uint8_t> bytes = {
        static_cast<std::uint8_t>(data.size()), static_cast<std::uint8_t>(address >> 8),
        static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(type)};
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (auto b : bytes) sum += b;
    bytes.push_back(static_cast<std::uint8_t>(0x100 - (sum & 0xFF) + checksumDelta));
    std::string out = ":";
    for (auto b : bytes) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 0x0F]);
    }
    return out;
}

// A data record.
inline std::string dataRecord(std::uint16_t address, const std::vector<std::uint8_t>& bytes) {
    return hexRecord(address, 0x00, bytes);
}

}  // namespace aq::test
