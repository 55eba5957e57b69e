// The firmware update: the file checked first, a question, the transfer.
#include <atomic>

#include "cli/Cli.h"
#include "cli/CliText.h"
#include "link/FirmwareUpdate.h"

namespace aq::cli {

namespace {

// A second Ctrl+C within this many seconds of the first stops the transfer.
constexpr double kSecondInterrupt = 5.0;
constexpr double kPollStep = 0.05;
// The boot loader takes at least this long per page.
constexpr double kSecondsPerPage = 2.55;

QString refusalText(FirmwareResult result, const QString& path) {
    switch (result) {
        case FirmwareResult::CannotOpen:
            return tr("Cannot read %1: check the file name.").arg(path);
        case FirmwareResult::NotAFile:
            return tr("%1 is no regular file: give the firmware's .hex file.").arg(path);
        case FirmwareResult::TooLarge:
            return tr("%1 is far too large for a firmware file: give the firmware's .hex file.")
                .arg(path);
        case FirmwareResult::BadRecord:
            return tr("%1 holds a line that is no Intel HEX record: the file is damaged; get it "
                      "again.")
                .arg(path);
        case FirmwareResult::NoEndRecord:
            return tr("%1 ends without its end record: the file is cut short; get it again.")
                .arg(path);
        case FirmwareResult::NoData:
            return tr("%1 holds no firmware: give the firmware's .hex file.").arg(path);
        default:
            return {};
    }
}

}  // namespace

int firmwareUpdateCommand(Run& run) {
    if (run.arguments.size() != 1) {
        return run.fail(kUsage, tr("firmware update needs one file: firmware update FILE.hex."));
    }
    const QString path = run.arguments.front();
    // The whole file is checked before the lamp is even looked for.
    HexFile image;
    std::size_t pages = 0;
    const FirmwareResult check = checkFirmwareFile(path.toStdString(), image, &pages);
    if (check != FirmwareResult::Sent) {
        return run.fail(kBadFile, refusalText(check, path) + ' ' + tr("Nothing was sent."));
    }
    const bool yes = run.isSet("yes");
    if (!yes && !(run.context.inTerminal && run.context.readLine)) {
        return run.fail(kUsage, tr("A firmware update must be confirmed: run it on a terminal, "
                                   "or add --yes."));
    }
    if (const int code = run.openLamp()) return code;
    if (!run.session->link().bl_characteristic()) {
        return run.fail(kNoLamp, tr("The lamp offers no boot loader: its firmware cannot be "
                                    "updated over Bluetooth."));
    }
    if (!yes) {
        run.context.err << tr("Update the firmware of \"%1\" with %2 (%3 pages, about %4 min)? "
                              "The lamp must stay on and in range until it is done. [y/N] ")
                               .arg(QString::fromStdString(run.lampDescription().name), path)
                               .arg(pages)
                               .arg(std::max(1L, std::lround(pages * kSecondsPerPage / 60.0)))
                        << Qt::flush;
        const QString answer = run.context.readLine().trimmed().toLower();
        if (answer != "y" && answer != "yes") {
            run.print(tr("Nothing was sent."));
            return kOk;
        }
    }

    struct Shared {
        std::atomic<double> fraction{0.0};
        std::atomic<bool> finished{false};
        FirmwareResult result = FirmwareResult::Sent;
    };
    auto shared = std::make_shared<Shared>();
    LampSession* session = run.session.get();
    Dispatch& dispatch = run.context.dispatch;
    const std::string file = path.toStdString();
    dispatch.runOnWorker([shared, session, file, &dispatch] {
        shared->result =
            session->updateFirmware(file, [shared](double f) { shared->fraction = f; });
        dispatch.postToMain([shared] { shared->finished = true; });
    });
    Progress progress(run, tr("pages"), true);
    int interrupts = 0;
    double warnedAt = -1.0;
    const int total = static_cast<int>(pages);
    while (!shared->finished.load()) {
        dispatch.runLoopFor(kPollStep);
        progress.update(static_cast<int>(shared->fraction.load() * total + 0.5), total);
        if (run.interruptsSeen() == interrupts) continue;
        interrupts = run.interruptsSeen();
        const double now = dispatch.now();
        if (warnedAt >= 0.0 && now - warnedAt <= kSecondInterrupt && run.context.hardStop) {
            progress.finish();
            run.fail(kStopped, tr("Firmware update stopped part way: the lamp waits in its boot "
                                  "loader; run the update again to give it firmware."));
            run.context.hardStop(kStopped);
            return kStopped;
        }
        warnedAt = now;
        progress.finish();
        run.context.err << tr("Stopping now leaves the lamp without working firmware. Press "
                              "Ctrl+C again within %1 s to stop anyway.")
                               .arg(kSecondInterrupt)
                        << Qt::endl;
    }
    progress.finish();
    switch (shared->result) {
        case FirmwareResult::Sent:
            if (run.json) {
                run.printJson(QJsonObject{{"firmware", path}, {"pages", total}, {"sent", true}});
            } else {
                run.print(tr("Firmware sent (%1 pages): the lamp restarts with it.").arg(total));
            }
            return kOk;
        case FirmwareResult::LinkLost:
            return run.fail(kStopped, tr("The lamp went away after %1 of %2 pages: the update is "
                                         "incomplete; bring the lamp close and run it again.")
                                          .arg(static_cast<int>(shared->fraction.load() * total))
                                          .arg(total));
        case FirmwareResult::NotConnected:
            return run.fail(kNoLamp, tr("The lamp was no longer connected: nothing was sent; try "
                                        "again."));
        default:
            // The file changed since it was checked.
            return run.fail(kBadFile,
                            refusalText(shared->result, path) + ' ' + tr("Nothing was sent."));
    }
}

}  // namespace aq::cli
