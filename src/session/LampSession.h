#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/BTLEController.h"
#include "link/BleCentral.h"
#include "link/Dispatch.h"
#include "link/FirmwareUpdate.h"
#include "link/LampDateTime.h"
#include "session/DayTransfer.h"
#include "session/LampProgrammeState.h"
#include "state/LampNames.h"

namespace aq {

// A lamp a scan found.
struct FoundLamp {
    PeripheralPtr peripheral;
    std::string identifier;  // upper-case UUID text
    std::optional<std::string> advertised;
    // The name the user gave it, from the name table.
    std::optional<std::string> stored;
    // The signal strength in dBm, where known.
    std::optional<int> rssi;
    // The name to show: the stored one, else the advertised one, else none.
    std::optional<std::string> name() const { return stored ? stored : advertised; }
};

// Which of the lamps found a query means. An empty query means the only lamp
// found. Otherwise, in this order: the identifier (any case), the Bluetooth
// address (12 hex digits, with or without colons, against the identifier's
// last 12), the stored name, the advertised name (names exactly, then
// ignoring case). More than one lamp with the first matching rule is
// ambiguous.
struct LampChoice {
    enum class Match { Found, NotFound, Ambiguous };
    Match match = Match::NotFound;
    std::size_t index = 0;  // into the lamps given, when found
};
LampChoice chooseLamp(const std::vector<FoundLamp>& lamps, const std::string& query);

// What the ready chain reads after a connect: what every page and program
// needs of the lamp before anything else.
struct LampDescription {
    std::string name;
    std::vector<ChannelLook> channels;
    std::vector<std::string> presettings;
    // Lamps behind the master; the master is device 0, slave n device n.
    std::uint8_t slaves = 0;
};

// The lamp's values of the info page, and its mode and demo loop. Each is
// none when the lamp did not answer for it (the reads stop there).
struct LampInfo {
    std::optional<LampDateTime> clock;
    std::optional<std::uint8_t> slaves;
    std::optional<std::string> firmware;
    std::optional<std::uint64_t> serial;
    std::optional<std::uint32_t> energyKWh;
    std::optional<unsigned> mode;
    std::optional<bool> demoLoop;
};

// A serial number as every program shows it: "0x" and 16 hex digits.
std::string serialText(std::uint64_t serial);

// The moon simulation as the lamp holds it.
struct MoonSettings {
    std::optional<std::uint8_t> day;        // of the 28-day cycle, as the lamp counts it
    std::optional<std::uint8_t> intensity;  // per cent
    std::optional<std::uint16_t> start;     // minutes after midnight
    std::optional<std::uint16_t> end;
    // Per device (master first): whether its moon is on.
    std::vector<std::optional<bool>> active;
};

// The weather simulation as the lamp holds it. No clouds per day means
// clouds are off; no bolts per hour, lightning is off.
struct WeatherSettings {
    std::optional<unsigned> cloudsPerDay;
    std::optional<unsigned> cloudDuration;  // minutes
    std::optional<unsigned> cloudDimming;   // per cent
    std::optional<unsigned> boltsPerHour;
    std::optional<unsigned> boltStart;  // minutes after midnight
    std::optional<unsigned> boltEnd;
};

// One lamp connection and everything a program does with it: find and
// connect the lamp, read what it is, read and write its values, move day
// programmes and presettings, update its firmware. A session owns its lamp
// link, so several sessions (one per lamp) can run side by side; the
// application's store keeps the one its pages use.
//
// Threads: as the link's. Calls marked "main thread" run on the thread of the
// event loop; "worker" ones block and must not run there.
class LampSession {
public:
    // The central, dispatch and name book outlive the session. Without a name
    // book no lamp has a stored name and none is saved.
    LampSession(BleCentral& central, Dispatch& dispatch, LampNameBook* names);
    ~LampSession();
    LampSession(const LampSession&) = delete;
    LampSession& operator=(const LampSession&) = delete;

    BTLEController& link() { return *_link; }
    Dispatch& dispatch() { return _dispatch; }
    // The connected lamp and the link epoch, for the transfers.
    LampMemory memory();

    // --- finding and connecting (main thread) ---------------------------
    // The lamps the link has found so far, with their stored names.
    std::vector<FoundLamp> found() const;
    // Scans for `seconds` while the event loop runs, then stops; returns at
    // once when `enough` says the lamps found so far will do.
    std::vector<FoundLamp> scan(
        double seconds, const std::function<bool(const std::vector<FoundLamp>&)>& enough = {});
    // Connects the lamp the link lists at `index` and waits as the link does
    // (ready, failed, or at most ten seconds); true when ready. Why it failed
    // is link().connectFailure().
    bool connect(std::size_t index);
    void disconnect();
    bool connected() const;

    // --- the ready chain (worker) -----------------------------------------
    // Reads the lamp's name (and saves it for the lamp's identifier in the
    // name book), its channels with names and colours, the names of its
    // presettings and the number of slaves. None when the lamp stopped
    // answering. The result is kept as description().
    std::optional<LampDescription> readLamp();
    std::optional<LampDescription> description() const;

    // --- values (main thread, answers delivered later) --------------------
    // The `done` handlers below are not called once the session is gone.
    // Reads clock, slaves, firmware, serial number and energy counter in
    // that order, each asked for after the one before has been answered;
    // then, when `settings`, the mode and the demo loop. `step` hears of
    // every value as it arrives; `done` once with all that was read, also
    // when the lamp stopped answering part way.
    enum class InfoField { Clock, Slaves, Firmware, Serial, Energy, Mode, DemoLoop };
    using InfoStep = std::function<void(const LampInfo& soFar, InfoField arrived)>;
    void readInfo(bool settings, InfoStep step, std::function<void(const LampInfo&)> done);
    void readMoon(std::function<void(const MoonSettings&)> done);
    void readWeather(std::function<void(const WeatherSettings&)> done);
    // Sends what is set; `done` once the lamp answered them all or the link
    // gave up (`done`'s argument: every write was answered).
    void writeMoon(const MoonSettings& moon, std::function<void(bool)> done);
    void writeWeather(const WeatherSettings& weather, std::function<void(bool)> done);
    // Sets the clock and reads it back; `done` gets what the lamp reads, or
    // none when it did not answer.
    void setClock(const LampDateTime& time, std::function<void(std::optional<LampDateTime>)> done);
    // Renames the lamp once the link is idle (the name goes out in two
    // halves; on a busy link a read could come between them) and reads the
    // name back; what the lamp reports is saved for its identifier in the
    // name book. `done` gets the name read back, or none without an answer.
    void rename(const std::string& name, std::function<void(std::optional<std::string>)> done);
    // Calls `done` once everything queued so far has been answered or given up.
    void whenSent(std::function<void()> done);

    // --- transfers (worker) ------------------------------------------------
    // The device's day programme as curves in the channel looks the ready
    // chain read; what is read whole becomes what the device is known to hold.
    ProgrammeRead downloadProgramme(std::uint8_t device, const TransferControl* control = nullptr);
    ProgrammeRead downloadPresetting(std::uint8_t presetting,
                                     const TransferControl* control = nullptr);
    // Plans and writes `wanted` to the devices: only the channels the lamp is
    // not known to hold unless `everything`; each read back when `verify`.
    // A plan with no targets sends nothing (the lamp already holds it).
    struct Upload {
        UploadPlan plan;
        UploadResult result;
    };
    Upload uploadProgramme(const std::vector<std::uint8_t>& devices,
                           const std::vector<LampChannel>& wanted, bool everything, bool verify,
                           const TransferControl* control = nullptr);
    // Sends the firmware file to the lamp's boot loader (see
    // runFirmwareUpdate). A file that cannot be used is refused before
    // anything is sent.
    FirmwareResult updateFirmware(const std::string& path,
                                  const std::function<void(double fraction)>& progress);

    // --- main-thread helpers for programs without pages ------------------
    // Runs `work` on a worker while the event loop runs; returns when it has.
    void runOnWorkerAndWait(const std::function<void()>& work);
    // Runs the event loop until `done` says so or `seconds` have passed;
    // true when done.
    bool runUntil(const std::function<bool()>& done, double seconds);

private:
    Dispatch& _dispatch;
    LampNameBook* _names;
    std::unique_ptr<BTLEController> _link;
    LampProgrammeState _known;
    mutable std::mutex _mutex;
    std::optional<LampDescription> _description;
    // False once the session is gone; work posted before then looks first.
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};

// Whether the lamp can hold the name: not blank, at most 24 characters,
// printable ASCII only (anything else would leave the lamp without a name).
bool lampNameAcceptable(const std::string& name);

// A live value for a channel set to `percent` (0 ... 100), in the lamp's
// live units.
unsigned liveLevel(int percent);

// The devices of a transfer: the one named, or all of a lamp with `slaves`
// slaves (master first) when `all`.
std::vector<std::uint8_t> transferDevices(std::uint8_t device, bool all, std::uint8_t slaves);

}  // namespace aq
