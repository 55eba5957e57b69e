#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace aq {

using Bytes = std::vector<std::uint8_t>;

// The low byte of each value, in order: how every lamp command is spelled.
Bytes commandBytes(std::initializer_list<unsigned long long> values);

// Hex text to bytes. Never fails: an odd last digit is ignored and a character
// that is no hex digit counts as 255, so it gives a wrong byte, not an error.
Bytes bytesFromHexString(std::string_view text);

// Lower-case hex in angle brackets, "<9b00>", as the log shows byte strings.
std::string hexDescription(const Bytes& bytes);

}  // namespace aq
