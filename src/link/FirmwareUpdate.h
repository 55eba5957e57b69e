#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "link/HexFile.h"

namespace aq {

class BTLEController;

// How an update ended. All but Sent and LinkLost are refusals: nothing was
// sent to the lamp.
enum class FirmwareResult {
    Sent,          // the end command has gone out
    NotConnected,  // no lamp, or it offers no boot-loader characteristic
    CannotOpen,    // missing path, unreadable file
    NotAFile,      // a folder, pipe or device
    TooLarge,      // far larger than any firmware file can be
    BadRecord,     // the reading stopped at a line that is no good record
    NoEndRecord,   // the file ends without its end-of-file record (cut short?)
    NoData,        // no page holds data
    LinkLost,      // the lamp went away during the transfer; sending stopped
};

// Reads the firmware file into the image and checks it as the update does
// before it sends anything: Sent for a file the update would take (with the
// number of pages it holds), else the refusal. Any thread.
FirmwareResult checkFirmwareFile(const std::string& path, HexFile& image,
                                 std::size_t* pages = nullptr);

// Sends a firmware file to the connected lamp's boot loader: the opening
// command, a reconnection, the start command, every page with data as 16
// part packets and a page packet, the end command. Worker threads only; it
// blocks for the whole transfer (2.55 s per page at least).
//
// Each packet is queued only once the one before it has been answered or
// abandoned, then the boot loader is given 0.15 s: the queue writes the
// newest waiting command first, so a packet queued while another waits would
// reach the lamp out of order.
//
// A packet left unanswered while the lamp is no longer connected ends the
// transfer: every further packet would wait out its own time-out.
//
// `progress` is called on the worker with the fraction of pages sent.
FirmwareResult runFirmwareUpdate(BTLEController& link, const std::string& path, HexFile& image,
                                 const std::function<void(double fraction)>& progress);

}  // namespace aq
