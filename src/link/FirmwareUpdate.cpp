#include "link/FirmwareUpdate.h"

#include <algorithm>

#include "link/BTLEController.h"
#include "link/Log.h"

namespace aq {

namespace {
constexpr double kPacketPause = 0.15;
constexpr float kReconnectPause = 0.25f;

FirmwareResult check(const HexLoadReport& report) {
    if (report.badLine) return FirmwareResult::BadRecord;
    if (!report.anyData) return FirmwareResult::NoData;
    if (!report.endOfFile) return FirmwareResult::NoEndRecord;
    return FirmwareResult::Sent;
}

std::size_t pagesWithData(const HexFile& image) {
    return static_cast<std::size_t>(
        std::count_if(image.bitmap.begin(), image.bitmap.end(), [](auto f) { return f != 0; }));
}
}  // namespace

FirmwareResult checkFirmwareFile(const std::string& path, HexFile& image,
                                 std::size_t* pages) {
    HexLoadReport report;
    if (!hexfile_load(path, image, &report)) {
        logLine(format("firmware file not read (%s)", path.c_str()));
        switch (report.file) {
            case FileReadStatus::NotAFile:
                return FirmwareResult::NotAFile;
            case FileReadStatus::TooLarge:
                return FirmwareResult::TooLarge;
            case FileReadStatus::CannotOpen:
            case FileReadStatus::Read:
                break;
        }
        return FirmwareResult::CannotOpen;
    }
    if (const FirmwareResult refusal = check(report); refusal != FirmwareResult::Sent) {
        logLine(format("firmware file refused (line %zu)", report.badLineNumber));
        return refusal;
    }
    if (pages) *pages = pagesWithData(image);
    return FirmwareResult::Sent;
}

FirmwareResult runFirmwareUpdate(BTLEController& link, const std::string& path, HexFile& image,
                                 const std::function<void(double fraction)>& progress) {
    if (!link.is_connected() || !link.bl_characteristic()) return FirmwareResult::NotConnected;
    // A cut or damaged file would leave the lamp with a partial image it may
    // not start from: refuse it before the boot loader is even opened.
    if (const FirmwareResult refusal = checkFirmwareFile(path, image);
        refusal != FirmwareResult::Sent) {
        return refusal;
    }
    Dispatch& dispatch = link.dispatch();
    // True while the lamp is still there to take the next packet.
    auto send = [&link](const Bytes& packet) {
        return link.fireSyncCommand(packet, link.bl_characteristic()).has_value() ||
               link.is_connected();
    };

    // The lamp drops the link when its boot loader takes over; no answer is
    // waited for.
    link.expectLinkDrop();
    link.fireCustomBl("1e", {});
    dispatch.sleepFor(kPacketPause);
    link.reconnect(kReconnectPause);
    // If the opening command is still unanswered, loading this one abandons it.
    if (!send(bytesFromHexString("01"))) return FirmwareResult::LinkLost;

    // The file is read again now that the boot loader is open; a copy that
    // has gone bad meanwhile is not used, the checked image stays.
    HexFile again;
    HexLoadReport againReport;
    if (hexfile_load(path, again, &againReport) && check(againReport) == FirmwareResult::Sent) {
        image = again;
    }

    const std::size_t total = std::max<std::size_t>(1, pagesWithData(image));
    std::size_t sent = 0;
    std::uint32_t address = 0;
    hexfile_first_page(image);
    do {
        for (int part = 0; part < 16; ++part) {
            HexPartPacket packet;
            hexfile_get_part(image, packet);
            if (!send(Bytes(packet.begin(), packet.end()))) return FirmwareResult::LinkLost;
            dispatch.sleepFor(kPacketPause);
        }
        // The address counts the pages sent, not the page's own address.
        if (!send(commandBytes({0x04, address >> 24, address >> 16, address >> 8, 0x00}))) {
            return FirmwareResult::LinkLost;
        }
        dispatch.sleepFor(kPacketPause);
        address += 256;
        logLine("---\n");
        ++sent;
        if (progress) progress(static_cast<double>(sent) / static_cast<double>(total));
    } while (hexfile_next_page(image));

    if (!send(bytesFromHexString("02"))) return FirmwareResult::LinkLost;
    return FirmwareResult::Sent;
}

}  // namespace aq
