#include "platform/ProgramCentral.h"

#include <QCoreApplication>

#include "platform/QtBleCentral.h"
#include "sim/DemoLamps.h"
#include "sim/SimCentral.h"

namespace aq {

std::unique_ptr<BleCentral> makeProgramCentral(const LampChoiceOptions& options,
                                               Dispatch& dispatch) {
    if (!options.simulate) return std::make_unique<QtBleCentral>();
    auto central = std::make_unique<SimCentral>(dispatch, options.delay);
    for (int i = 0; i < options.lamps; ++i) {
        auto lamp = makeDemoLamps(*central, 2, static_cast<std::size_t>(i));
        applySimFaults(options.faults, *central, *lamp);
    }
    return central;
}

bool takeSimulateOption(QStringList& arguments, LampChoiceOptions& lamps, QString& error) {
    for (int i = 1; i < arguments.size();) {
        const QString a = arguments[i];
        if (a == "--") break;
        if (a != "--simulate" && !a.startsWith("--simulate=")) {
            ++i;
            continue;
        }
        arguments.removeAt(i);
        lamps.simulate = true;
        if (a == "--simulate") continue;
        const QStringList keys =
            a.mid(QStringLiteral("--simulate=").size()).split(',', Qt::SkipEmptyParts);
        for (const QString& key : keys) {
            bool ok = false;
            if (key.startsWith("lamps=")) {
                lamps.lamps = key.mid(6).toInt(&ok);
                if (!ok || lamps.lamps < 1 || lamps.lamps > 16) {
                    error = QCoreApplication::translate(
                        "aq::LampChoice", "--simulate: lamps=N needs a number from 1 to 16.");
                    return false;
                }
            } else if (key.startsWith("delay=")) {
                lamps.delay = key.mid(6).toDouble(&ok);
                if (!ok || !(lamps.delay >= 0.0) || lamps.delay > 10.0) {
                    error = QCoreApplication::translate(
                        "aq::LampChoice", "--simulate: delay=S needs seconds from 0 to 10.");
                    return false;
                }
            } else {
                std::string why;
                if (!addSimFaults(key.toStdString(), lamps.faults, why)) {
                    // The reason names the fault and points to --help.
                    error = QStringLiteral("--simulate: %1").arg(QString::fromStdString(why));
                    return false;
                }
            }
        }
    }
    return true;
}

}  // namespace aq
