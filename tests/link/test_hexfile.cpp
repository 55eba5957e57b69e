#include "link/HexFile.h"
#include "support/HexRecord.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace aq {
namespace {

using ByteList = std::vector<std::uint8_t>;
using test::hexRecord;

ByteList run(unsigned first, unsigned count) {
    ByteList out;
    for (unsigned i = 0; i < count; ++i) out.push_back(static_cast<std::uint8_t>(first + i));
    return out;
}

const std::string kEnd = ":00000001FF";

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class HexFileTest : public testing::Test {
protected:
    std::unique_ptr<HexFile> image = std::make_unique<HexFile>();
    HexLoadReport report;

    std::string write(const std::string& content) {
        const std::string path = testing::TempDir() + "hexfile_" +
                                 testing::UnitTest::GetInstance()->current_test_info()->name() +
                                 std::to_string(counter++) + ".hex";
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    // The lines joined with CR LF, each line ended.
    bool load(const std::vector<std::string>& lines, const char* end = "\r\n") {
        std::string content;
        for (const auto& line : lines) content += line + end;
        return hexfile_load(write(content), *image, &report);
    }
    std::vector<int> flaggedPages() const {
        std::vector<int> pages;
        for (int p = 0; p < 512; ++p) {
            if (image->bitmap[static_cast<std::size_t>(p)]) pages.push_back(p);
        }
        return pages;
    }
    bool allErased() const {
        for (auto b : image->buffer) {
            if (b != 0xFF) return false;
        }
        return flaggedPages().empty();
    }

private:
    int counter = 0;
};

TEST_F(HexFileTest, TwoLineFileGivesPageZeroAndItsPackets) {
    ASSERT_TRUE(load({":10000000000102030405060708090A0B0C0D0E0F78", kEnd}));
    EXPECT_FALSE(report.badLine);
    EXPECT_TRUE(report.endOfFile);
    EXPECT_TRUE(report.anyData);
    EXPECT_EQ(flaggedPages(), std::vector<int>{0});

    image->cpart = 9;  // left over from an earlier transfer
    hexfile_first_page(*image);
    EXPECT_EQ(image->cpage, 0);
    for (int part = 0; part < 16; ++part) {
        HexPartPacket packet{};
        hexfile_get_part(*image, packet);
        SCOPED_TRACE(part);
        EXPECT_EQ(packet[0], 0x03);
        EXPECT_EQ(packet[1], part);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(packet[2 + i], part == 0 ? i : 0xFF);
    }
    EXPECT_EQ(image->cpart, 0);  // wrapped for the next page
    EXPECT_FALSE(hexfile_next_page(*image));
    EXPECT_EQ(image->cpage, 0);
}

TEST_F(HexFileTest, LineEnds) {
    const std::string data = hexRecord(0x0000, 0x00, run(0, 16));
    struct Case {
        const char* name;
        std::string content;
        bool anyData;
    };
    const std::vector<Case> cases = {
        {"CR LF", data + "\r\n" + kEnd + "\r\n", true},
        {"lower-case digits", lower(data) + "\r\n" + kEnd + "\r\n", true},
        {"CR only", data + "\r" + kEnd + "\r", true},
        {"LF before the line", "\n" + data + "\r\n" + kEnd + "\r\n", true},
        {"LF only: no line ever ends", data + "\n" + kEnd + "\n", false},
        {"no end after the last line: never parsed", data, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        image->bitmap.fill(1);
        ASSERT_TRUE(hexfile_load(write(c.content), *image, &report));
        EXPECT_EQ(report.anyData, c.anyData);
        EXPECT_FALSE(report.badLine);
        EXPECT_EQ(allErased(), !c.anyData);
    }
}

TEST_F(HexFileTest, SegmentRecordMovesTheBase) {
    ASSERT_EQ(hexRecord(0, 0x02, {0x10, 0x00}), ":020000021000EC");
    ASSERT_TRUE(load({":020000021000EC", hexRecord(0x0000, 0x00, {0xAB, 0xCD}), kEnd}));
    EXPECT_FALSE(report.badLine);
    EXPECT_EQ(image->seg, 0x10);
    EXPECT_EQ(image->buffer[0x10000], 0xAB);
    EXPECT_EQ(image->buffer[0x10001], 0xCD);
    EXPECT_EQ(image->buffer[0x0000], 0xFF);
    EXPECT_EQ(flaggedPages(), std::vector<int>{256});
}

TEST_F(HexFileTest, BadLinesEndTheReading) {
    const std::string good = hexRecord(0x0000, 0x00, run(1, 4));
    const std::string later = hexRecord(0x0100, 0x00, run(1, 4));
    struct Case {
        const char* name;
        std::string bad;
    };
    const std::vector<Case> cases = {
        {"segment whose second byte is not 0", hexRecord(0, 0x02, {0x10, 0x01})},
        {"extended linear address (type 04)", ":020000040001F9"},
        {"start address (type 03)", hexRecord(0, 0x03, {0, 0, 0, 0})},
        {"empty line", ""},
        {"no colon", hexRecord(0x0200, 0x00, run(1, 4)).substr(1)},
        {"too short for a record", ":000000"},
        {"wrong end-of-file checksum", ":00000001FE"},
        {"count beyond the line", ":10020000" + std::string("0102030405") + "00"},
        {"a character that is no hex digit", ":04020000G1020304F1"},
        {"a lower-case letter past f", ":04020000g1020304F1"},
        // A whole record behind it: only the first character is wrong.
        {"another character in place of the colon",
         "X" + hexRecord(0x0200, 0, run(1, 4)).substr(1)},
        {"blank before the line end", hexRecord(0x0200, 0x00, run(1, 4)) + " "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(load({good, c.bad, later, kEnd}));
        EXPECT_TRUE(report.badLine);
        EXPECT_EQ(report.badLineNumber, 2u);
        EXPECT_FALSE(report.endOfFile);
        EXPECT_TRUE(report.anyData);
        EXPECT_EQ(flaggedPages(), std::vector<int>{0});  // nothing after the bad line
        EXPECT_EQ(image->buffer[0x0200], 0xFF);          // nor from it
    }
}

TEST_F(HexFileTest, FailedChecksumKeepsTheBytesItStored) {
    ASSERT_TRUE(load({hexRecord(0x0010, 0x00, {0x11, 0x22, 0x33, 0x44}, 1), kEnd}));
    EXPECT_TRUE(report.badLine);
    EXPECT_EQ(report.badLineNumber, 1u);
    EXPECT_TRUE(report.anyData);
    EXPECT_EQ(image->buffer[0x10], 0x11);
    EXPECT_EQ(image->buffer[0x13], 0x44);
    EXPECT_EQ(flaggedPages(), std::vector<int>{0});
}

TEST_F(HexFileTest, LinesAreCutAt200Characters) {
    // 94 data bytes fill 197 characters; one more digit and the checksum make
    // 200, and whatever follows on the line is dropped unread.
    const std::string full = hexRecord(0x0000, 0x00, run(0, 94));  // 199 characters
    ASSERT_EQ(full.size(), 199u);
    const std::string cut = full.substr(0, 197) + "0" + full.substr(197, 2) + "ZZ not read";
    const std::string uncut = full.substr(0, 197) + "00" + full.substr(197, 2);  // checksum at 200
    struct Case {
        const char* name;
        std::string line;
        bool bad;
    };
    const std::vector<Case> cases = {
        {"199 characters fit", full, false},
        {"checksum taken from characters 199 and 200", cut, false},
        {"checksum beyond the cut", uncut, true},
        {"95 data bytes do not fit", hexRecord(0x0000, 0x00, run(0, 95)), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(load({c.line, kEnd}));
        EXPECT_EQ(report.badLine, c.bad);
        if (!c.bad) {
            EXPECT_EQ(image->buffer[93], 93);
            EXPECT_EQ(image->buffer[94], 0xFF);
        }
    }
}

TEST_F(HexFileTest, PagesWithDataInOrder) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        std::vector<int> pages;  // in sending order
    };
    const std::vector<Case> cases = {
        {"gap between pages",
         [] {
             std::vector<std::string> lines;
             for (unsigned a = 0x0000; a < 0x0100; a += 16)
                 lines.push_back(hexRecord(a, 0, run(a, 16)));
             for (unsigned a = 0x0300; a < 0x0400; a += 16)
                 lines.push_back(hexRecord(a, 0, run(a, 16)));
             return lines;
         }(),
         {0, 3}},
        {"first data at 0x1000", {hexRecord(0x1000, 0, run(0, 16))}, {16}},
        {"record across a page boundary", {hexRecord(0x00F8, 0, run(0, 16))}, {0, 1}},
        {"last page of the image", {":020000021000EC", hexRecord(0xFFF0, 0, run(0, 16))}, {511}},
        {"no data at all: page 0", {}, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> lines = c.lines;
        lines.push_back(kEnd);
        ASSERT_TRUE(load(lines));
        hexfile_first_page(*image);
        std::vector<int> pages = {image->cpage};
        while (hexfile_next_page(*image)) pages.push_back(image->cpage);
        EXPECT_EQ(pages, c.pages);
        EXPECT_EQ(image->cpage, c.pages.back());  // unchanged when no page is left
    }
}

TEST_F(HexFileTest, PartlyWrittenPageIsSentWhole) {
    ASSERT_TRUE(load({hexRecord(0x0208, 0, {1, 2, 3, 4}), hexRecord(0x0209, 0, {9}), kEnd}));
    hexfile_first_page(*image);
    ASSERT_EQ(image->cpage, 2);
    HexPartPacket first{};
    hexfile_get_part(*image, first);
    const HexPartPacket expected = {0x03, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                    0xFF, 1,    9,    3,    4,    0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(first, expected);  // the later record overwrote 0x0209
    for (int part = 1; part < 16; ++part) {
        HexPartPacket packet{};
        hexfile_get_part(*image, packet);
        EXPECT_EQ(packet[1], part);
        for (int i = 2; i < 18; ++i) EXPECT_EQ(packet[i], 0xFF);
    }
}

TEST_F(HexFileTest, NothingIsWrittenOutsideTheImage) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        bool bad;
        std::size_t lastByte;  // checked when the record is taken
    };
    const std::vector<Case> cases = {
        {"ending on the last byte",
         {":020000021000EC", hexRecord(0xFFF8, 0, run(1, 8))},
         false,
         0x1FFFF},
        {"one byte past the end", {":020000021000EC", hexRecord(0xFFF9, 0, run(1, 8))}, true, 0},
        {"segment beyond the image",
         {hexRecord(0, 0x02, {0x20, 0x00}), hexRecord(0x0000, 0, {1})},
         true,
         0},
        {"highest segment and address",
         {hexRecord(0, 0x02, {0xFF, 0x00}), hexRecord(0xFFF0, 0, run(0, 16))},
         true,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> lines = c.lines;
        lines.push_back(kEnd);
        ASSERT_TRUE(load(lines));
        EXPECT_EQ(report.badLine, c.bad);
        if (c.bad) {
            EXPECT_EQ(report.badLineNumber, 2u);
            EXPECT_TRUE(allErased());
        } else {
            EXPECT_EQ(image->buffer[c.lastByte], 8);
        }
    }
}

TEST_F(HexFileTest, FilesThatCannotBeOpened) {
    image->buffer[5] = 0x42;
    image->bitmap[7] = 1;
    // A pipe with no writer would block an ordinary open forever.
    const std::string pipe = write("") + ".pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // Well-formed records, but more of them than any image can hold.
    std::string huge;
    while (huge.size() <= HexFile::kMaxFileSize) huge += hexRecord(0, 0, run(0, 16)) + "\r\n";
    const std::string hugePath = write(huge);
    const struct {
        std::string path;
        FileReadStatus why;
    } cases[] = {
        {"", FileReadStatus::CannotOpen},
        {testing::TempDir() + "no_such_firmware.hex", FileReadStatus::CannotOpen},
        {testing::TempDir(), FileReadStatus::NotAFile},
        {"/dev/zero", FileReadStatus::NotAFile},
        {pipe, FileReadStatus::NotAFile},
        {hugePath, FileReadStatus::TooLarge},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        report = {};
        EXPECT_FALSE(hexfile_load(c.path, *image, &report));
        EXPECT_EQ(report.file, c.why);
        EXPECT_EQ(image->buffer[5], 0x42);  // untouched
        EXPECT_EQ(image->bitmap[7], 1);
    }
    std::remove(pipe.c_str());
    std::remove(hugePath.c_str());
}

TEST_F(HexFileTest, EachLoadStartsFromAnErasedImage) {
    ASSERT_TRUE(load({hexRecord(0x0400, 0, run(0, 16)), kEnd}));
    ASSERT_TRUE(load({hexRecord(0x0000, 0, {0x5A}), kEnd}));
    EXPECT_EQ(flaggedPages(), std::vector<int>{0});
    EXPECT_EQ(image->buffer[0x0400], 0xFF);
    EXPECT_EQ(image->buffer[0x0000], 0x5A);
}

}  // namespace
}  // namespace aq
