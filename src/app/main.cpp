// aqlamp: configures and drives aquarium LED lamps over Bluetooth LE.
#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>
#include <QMainWindow>

#include <memory>

#include "link/BTLEController.h"
#include "link/Log.h"
#include "platform/AppLog.h"
#include "platform/QtBleCentral.h"
#include "platform/QtDispatch.h"
#include "sim/SimCentral.h"
#include "sim/SimLamp.h"

namespace {

// Seconds each operation of a simulated lamp takes: about a real link's pace.
constexpr double kSimulatedDelay = 0.02;

std::unique_ptr<aq::BleCentral> makeCentral(bool simulate, aq::Dispatch& dispatch) {
    if (!simulate) return std::make_unique<aq::QtBleCentral>();
    auto central = std::make_unique<aq::SimCentral>(dispatch, kSimulatedDelay);
    central->addLamp(
        std::make_shared<aq::SimLamp>("AquaLamp", "00000000-0000-0000-0000-00A0C0FFEE01"));
    return central;
}

bool asksForTextOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--help" || arg == "-h" || arg == "--help-all" || arg == "--version" ||
            arg == "-v") {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // --help and --version print and leave; they must work without a display.
    std::unique_ptr<QCoreApplication> app;
    if (asksForTextOnly(argc, argv)) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        app = std::make_unique<QApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName("aqlamp");
    QCoreApplication::setApplicationVersion(AQ_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription("Configures and drives aquarium LED lamps over Bluetooth LE.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulate("simulate",
                                      "Serve simulated lamps instead of real ones (no Bluetooth "
                                      "hardware needed).");
    parser.addOption(simulate);
    parser.process(*app);

    aq::installApplicationLog("aqlamp");
    aq::QtDispatch dispatch;
    std::unique_ptr<aq::BleCentral> central = makeCentral(parser.isSet(simulate), dispatch);
    aq::BTLEController controller(*central, dispatch);

    QMainWindow window;
    auto* status = new QLabel("Searching for lamps…");
    status->setAlignment(Qt::AlignCenter);
    window.setCentralWidget(status);
    window.resize(850, 600);
    window.show();

    bool connecting = false;
    controller.start_scanning([&] {
        if (connecting || controller.peripherals().empty()) return;
        connecting = true;
        // Connect from a fresh turn of the event loop, not from inside the
        // central's discovery callback.
        dispatch.postToMain([&] {
            status->setText("Connecting…");
            controller.connect_periperal_at(
                0, [&] { status->setText("Connected."); },
                [&] {
                    aq::logLine("connection faild");
                    status->setText("The lamp could not be connected.");
                });
        });
    });
    return QApplication::exec();
}
