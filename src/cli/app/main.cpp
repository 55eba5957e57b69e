// aqlampctl: every lamp operation from the command line, for scripts, cron
// and machines without a display.
#include <QCoreApplication>
#include <QTextStream>

#include <unistd.h>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "cli/Cli.h"
#include "platform/AppLog.h"
#include "platform/ProgramCentral.h"
#include "platform/QtDispatch.h"
#include "platform/QtPreferences.h"
#include "state/LampNames.h"

namespace {

// The one thing the signal handlers touch; the commands' waits look at it.
std::atomic<int> g_interrupts{0};
static_assert(std::atomic<int>::is_always_lock_free);

void countInterrupt(int) {
    g_interrupts.fetch_add(1);
}

void installInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = countInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The app's organisation and name, so the same settings file (and with
    // it the lamp names given in the app) is read.
    QCoreApplication::setOrganizationName("aqlamp");
    QCoreApplication::setApplicationName("aqlamp");
    QCoreApplication::setApplicationVersion(AQ_VERSION);
    installInterruptHandlers();

    QTextStream out(stdout);
    QTextStream err(stderr);
    aq::QtDispatch dispatch;
    aq::QtPreferences preferences;
    aq::LampNameBook names(preferences);

    aq::cli::Context context(dispatch, out, err);
    context.makeCentral = [&dispatch](const aq::LampChoiceOptions& options) {
        return aq::makeProgramCentral(options, dispatch);
    };
    context.names = &names;
    context.interrupts = &g_interrupts;
    context.errTerminal = isatty(STDERR_FILENO) == 1;
    context.inTerminal = isatty(STDIN_FILENO) == 1;
    context.readLine = [] {
        std::string line;
        std::getline(std::cin, line);
        return QString::fromLocal8Bit(line.c_str());
    };
    context.hardStop = [&out, &err](int code) {
        out.flush();
        err.flush();
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(code);
    };
    context.setVerbose = [](bool verbose) {
        aq::installApplicationLog(QStringLiteral("aqlampctl"), verbose, verbose);
    };

    const int status = aq::cli::run(QCoreApplication::arguments(), context);
    out.flush();
    err.flush();
    // As the app: nothing is torn down further (the lamp link has been
    // closed by the command), the process simply ends.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}
