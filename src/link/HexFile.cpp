#include "link/HexFile.h"

#include <algorithm>

namespace aq {

namespace {

constexpr std::size_t kMaxLine = 200;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The byte spelled by the two digits at pos; the caller has checked them.
unsigned byteAt(std::string_view line, std::size_t pos) {
    return static_cast<unsigned>(hexDigit(line[pos]) * 16 + hexDigit(line[pos + 1]));
}

}  // namespace

int hexfile_parse_line(std::string_view line, HexFile& image) {
    // ":" count(2) address(4) type(2) checksum(2) is the shortest record.
    if (line.size() < 11 || line[0] != ':') return kHexBadLine;
    // A stray character would otherwise be read as some digit value and its
    // record might still pass; refuse the line before anything is stored.
    for (std::size_t i = 1; i < line.size(); ++i) {
        if (hexDigit(line[i]) < 0) return kHexBadLine;
    }
    const unsigned count = byteAt(line, 1);
    const unsigned addressHigh = byteAt(line, 3);
    const unsigned addressLow = byteAt(line, 5);
    const unsigned type = byteAt(line, 7);
    const std::size_t checksumAt = line.size() - 2;
    unsigned sum = count + addressHigh + addressLow + type + byteAt(line, checksumAt);

    switch (type) {
        case 0x02: {
            // Only the segment's first byte is used: base = that byte × 4096.
            if (9 + 2 > checksumAt) return kHexBadLine;
            image.seg = static_cast<std::uint8_t>(byteAt(line, 9));
            sum += image.seg;
            return (sum & 0xFF) == 0 ? kHexRecordRead : kHexBadLine;
        }
        case 0x01:
            return (sum & 0xFF) == 0 ? kHexEndOfFile : kHexBadLine;
        case 0x00: {
            if (9 + 2 * static_cast<std::size_t>(count) > checksumAt) return kHexBadLine;
            const std::uint32_t start =
                static_cast<std::uint32_t>(image.seg) * 4096u + addressHigh * 256u + addressLow;
            if (start + count > HexFile::kImageSize) return kHexBadLine;
            image.wadr = start;
            for (unsigned i = 0; i < count; ++i) {
                const unsigned b = byteAt(line, 9 + 2 * static_cast<std::size_t>(i));
                image.bitmap[image.wadr / HexFile::kPageSize] = 1;
                image.buffer[image.wadr] = static_cast<std::uint8_t>(b);
                ++image.wadr;
                sum += b;
            }
            return (sum & 0xFF) == 0 ? kHexRecordRead : kHexBadLine;
        }
        default:
            // 03, 04 (linear address) and 05 are not used by the lamp's images.
            return kHexBadLine;
    }
}

bool hexfile_load(const std::string& path, HexFile& image, HexLoadReport* report) {
    HexLoadReport result;
    // Read-only and whole: a pipe, a device or an endless file is refused
    // before anything is parsed, so the reading always ends.
    std::string text;
    result.file = readRegularFile(path, HexFile::kMaxFileSize, text);
    if (result.file != FileReadStatus::Read) {
        if (report) *report = result;
        return false;
    }

    image.buffer.fill(0xFF);
    image.bitmap.fill(0);
    image.wadr = 0;
    image.seg = 0;

    char line[kMaxLine];
    std::size_t length = 0;
    std::size_t lineNumber = 0;
    for (const char c : text) {
        if (c == '\n') continue;
        if (c != '\r') {
            if (length < kMaxLine) line[length++] = c;
            continue;
        }
        ++lineNumber;
        const int parsed = hexfile_parse_line(std::string_view(line, length), image);
        length = 0;
        if (parsed == kHexBadLine) {
            result.badLine = true;
            result.badLineNumber = lineNumber;
            break;
        }
        if (parsed == kHexEndOfFile) {
            result.endOfFile = true;
            break;
        }
    }

    result.anyData = std::any_of(image.bitmap.begin(), image.bitmap.end(),
                                 [](std::uint8_t flag) { return flag != 0; });
    if (report) *report = result;
    return true;
}

void hexfile_first_page(HexFile& image) {
    image.cpage = 0;
    for (std::size_t p = 0; p < HexFile::kPageCount; ++p) {
        if (image.bitmap[p]) {
            image.cpage = static_cast<std::uint16_t>(p);
            break;
        }
    }
    image.cpart = 0;
}

void hexfile_get_part(HexFile& image, HexPartPacket& packet) {
    const std::size_t page = image.cpage % HexFile::kPageCount;
    const std::size_t part = image.cpart % (HexFile::kPageSize / HexFile::kPartSize);
    packet[0] = 0x03;
    packet[1] = static_cast<std::uint8_t>(part);
    const auto from = image.buffer.begin() + static_cast<std::ptrdiff_t>(page * HexFile::kPageSize +
                                                                         part * HexFile::kPartSize);
    std::copy(from, from + HexFile::kPartSize, packet.begin() + 2);
    image.cpart = static_cast<std::uint8_t>((part + 1) % 16);
}

bool hexfile_next_page(HexFile& image) {
    for (std::size_t p = static_cast<std::size_t>(image.cpage) + 1; p < HexFile::kPageCount; ++p) {
        if (image.bitmap[p]) {
            image.cpage = static_cast<std::uint16_t>(p);
            return true;
        }
    }
    return false;
}

}  // namespace aq
