#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "link/RegularFile.h"

namespace aq {

// The lamp's firmware as a 128 KiB memory image read from an Intel HEX file,
// with one flag per 256-byte page that holds data from the file, and the
// position (page, 16-byte part) of the next part packet for the boot loader.
struct HexFile {
    static constexpr std::size_t kImageSize = 0x20000;
    static constexpr std::size_t kPageSize = 256;
    static constexpr std::size_t kPageCount = kImageSize / kPageSize;  // 512
    static constexpr std::size_t kPartSize = 16;
    static constexpr std::size_t kPartPacketSize = 2 + kPartSize;  // 0x03, part, 16 bytes
    // No HEX text of a full image comes near this: one byte per record with
    // CR LF line ends is 15 characters a byte, under 2 MiB for the image.
    // Anything larger is no firmware for this lamp and is not read.
    static constexpr std::size_t kMaxFileSize = 4 * 1024 * 1024;

    HexFile() {
        buffer.fill(0xFF);
        bitmap.fill(0);
    }

    std::array<std::uint8_t, kImageSize> buffer;  // unwritten bytes are 0xFF
    std::array<std::uint8_t, kPageCount> bitmap;  // non-zero: the page holds file data
    std::uint32_t wadr = 0;                       // next data address while parsing
    std::uint8_t seg = 0;                         // data base is seg × 4096
    std::uint8_t cpart = 0;                       // part of cpage sent next, 0 .. 15
    std::uint16_t cpage = 0;                      // current page, 0 .. 511
};

using HexPartPacket = std::array<std::uint8_t, HexFile::kPartPacketSize>;

// Results of hexfile_parse_line.
enum HexLineResult : int {
    kHexBadLine = 0,     // not a record we take: the reading stops here
    kHexRecordRead = 1,  // a good data or segment record
    kHexEndOfFile = 2,   // a good end-of-file record
};

// How a load went, beyond whether the file could be opened. The firmware
// update refuses a file that stopped at a bad line or gave no data, before it
// sends the lamp anything.
struct HexLoadReport {
    FileReadStatus file = FileReadStatus::Read;  // why the file was not read, if it was not
    bool badLine = false;           // the reading ended at a line that is no good record
    std::size_t badLineNumber = 0;  // that line, counting carriage-return-ended lines from 1
    bool endOfFile = false;         // the reading ended at a good end-of-file record
    bool anyData = false;           // at least one page holds data from the file
};

// Reads the file at path (UTF-8) into the image: all 0xFF and no page flags
// first, then record by record. A carriage return ends a line, line feeds are
// skipped, a line is cut at 200 characters, and the reading stops at a bad
// line, at the end-of-file record or at the end of the file. Returns false,
// leaving the image as it was, when the file cannot be opened or is no
// regular file of at most kMaxFileSize bytes (report.file says which);
// otherwise true, whatever the records held: see the report for that.
bool hexfile_load(const std::string& path, HexFile& image, HexLoadReport* report = nullptr);

// Parses one record (the line without its end) into the image. Records 00
// (data), 01 (end of file) and 02 (segment base, low byte 0 only) are taken;
// the checksum is the line's last two characters. Data bytes are stored
// before the checksum is tested. A line with a character that is no hex
// digit, a count running past its line or data at or beyond 0x20000 is bad
// and writes nothing.
int hexfile_parse_line(std::string_view line, HexFile& image);

// cpage = the lowest page with data (page 0 when there is none), cpart = 0.
void hexfile_first_page(HexFile& image);

// The part packet of cpage and cpart: 0x03, the part, its 16 image bytes;
// then the next part (15 wraps to 0).
void hexfile_get_part(HexFile& image, HexPartPacket& packet);

// Moves cpage to the next page with data and returns true, or returns false
// and leaves cpage where it was.
bool hexfile_next_page(HexFile& image);

}  // namespace aq
