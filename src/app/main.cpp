// aqlamp: configures and drives aquarium LED lamps over Bluetooth LE.
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "link/Log.h"
#include "pages/AppDelegate.h"
#include "platform/AppLog.h"
#include "platform/QtBleCentral.h"
#include "platform/QtDispatch.h"
#include "platform/QtPreferences.h"
#include "sim/DemoLamps.h"
#include "sim/SimCentral.h"
#include "state/GlobalStore.h"

namespace {

// Seconds each operation of a simulated lamp takes: about a real link's pace.
constexpr double kSimulatedDelay = 0.02;

std::unique_ptr<aq::BleCentral> makeCentral(bool simulate, aq::Dispatch& dispatch) {
    if (!simulate) return std::make_unique<aq::QtBleCentral>();
    auto central = std::make_unique<aq::SimCentral>(dispatch, kSimulatedDelay);
    aq::makeDemoLamps(*central);
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
    QCoreApplication::setOrganizationName("aqlamp");
    QCoreApplication::setApplicationName("aqlamp");
    QCoreApplication::setApplicationVersion(AQ_VERSION);
    // The desktop finds the entry, and with it the name and icon, by this id.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.aqlamp.Aqlamp"));

    QCommandLineParser parser;
    parser.setApplicationDescription("Configures and drives aquarium LED lamps over Bluetooth LE.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulate("simulate",
                                      "Serve simulated lamps instead of real ones (no Bluetooth "
                                      "hardware needed).");
    parser.addOption(simulate);
    const QCommandLineOption verbose(
        "verbose", "Also log Qt Bluetooth's debug output (the log is written to standard error "
                   "and to ~/.local/state/aqlamp/aqlamp.log).");
    parser.addOption(verbose);
    parser.process(*app);

    aq::installApplicationLog(QStringLiteral("aqlamp"), parser.isSet(verbose));
    if (auto* gui = qobject_cast<QGuiApplication*>(app.get())) {
        // The installed theme icon where there is one, else our own.
        gui->setWindowIcon(QIcon::fromTheme(QStringLiteral("org.aqlamp.Aqlamp"),
                                            QIcon(QStringLiteral(":/icons/org.aqlamp.Aqlamp.png"))));
    }
    auto* dispatch = new aq::QtDispatch;
    aq::BleCentral* central = makeCentral(parser.isSet(simulate), *dispatch).release();
    auto* preferences = new aq::QtPreferences;
    aq::GlobalStore::configure(*central, *dispatch, *preferences);

    aq::AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    const int status = QApplication::exec();
    delegate.applicationWillTerminate();

    // Nothing is torn down: a worker may still wait for a lamp answer that
    // only the (now stopped) event loop would deliver, and the lamp link must
    // not go away under it. The lamp names are already on disk (each is
    // written when it is recorded), so the process simply ends here.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}
