#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace aq::test {

using SetPoints = std::vector<std::pair<unsigned, unsigned>>;  // (offset, level)
using LampProgramme = std::vector<SetPoints>;                  // per channel

// The stand-in BlueZ daemon serving simulated lamps on the private bus, with a look into
// the lamps through its test hook.
class StandIn {
public:
    struct BootLoaderState {
        int completed = 0;
        int refused = 0;
        QByteArray image;
        QList<uint> pageAddresses;
    };

    ~StandIn();

    // Starts the stand-in with these options and waits until org.bluez is owned by it.
    bool start(const QStringList& options, std::string& error);
    // Stops it by process id; a stand-in that failed (exit status, sanitizer report) is a
    // test failure.
    void stop();

    // The writes the lamp has taken since the stand-in started.
    qsizetype writeCount(unsigned lamp) const;
    // Per channel the set points (offset, level) the lamp holds for the device.
    LampProgramme programme(unsigned lamp, unsigned device) const;
    BootLoaderState bootLoader(unsigned lamp) const;
    void clearFaults() const;
    // What the stand-in wrote to its standard error.
    std::string log() const;

private:
    std::unique_ptr<QProcess> _process;
};

}  // namespace aq::test
