// Start-up of the whole application to its first painted window, and the
// memory it holds once connected to a simulated lamp. Each measurement runs
// the application in a fresh child process (this program, started again
// with a child option), headless on the offscreen platform.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QTimer>
#include <QWindow>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "link/Log.h"
#include "pages/AQConnectionController.h"
#include "pages/AQInfoController.h"
#include "pages/AQNavigationController.h"
#include "pages/AQSettingsController.h"
#include "pages/AppDelegate.h"
#include "platform/QtDispatch.h"
#include "sim/DemoLamps.h"
#include "sim/SimCentral.h"
#include "session/GlobalStore.h"
#include "state/MemoryPreferences.h"
#include "widgets/AQButton.h"
#include "widgets/AQTableView.h"

extern char** environ;

namespace {

using namespace aq;

constexpr const char* kChildStartup = "--child-startup";
constexpr const char* kChildConnect = "--child-connect";

std::int64_t monotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

// ---- the child: the application as main() starts it -----------------------

// Lets the first expose of the window paint and flush, then reports.
class FirstFrame : public QObject {
public:
    explicit FirstFrame(std::function<void()> done) : _done(std::move(done)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (_done && event->type() == QEvent::Expose) {
            watched->event(event);
            auto done = std::move(_done);
            _done = nullptr;
            done();
            return true;
        }
        return false;
    }

private:
    std::function<void()> _done;
};

// Calls `step` every 10 ms until it returns true.
void every10ms(std::function<bool()> step) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, step = std::move(step)] {
        if (step()) timer->deleteLater();
    });
    timer->start();
}

int runChild(int argc, char** argv, bool connect, std::int64_t spawnedAt) {
    setLogSink([](std::string_view) {});
    QApplication app(argc, argv);
    QtDispatch dispatch;
    SimCentral central(dispatch, 0.02);
    makeDemoLamps(central);
    MemoryPreferences preferences;
    GlobalStore::configure(central, dispatch, preferences);
    AppDelegate delegate;

    FirstFrame firstFrame([&] {
        if (connect) return;
        std::printf("%lld\n", static_cast<long long>(monotonicNs() - spawnedAt));
        std::fflush(stdout);
        std::_Exit(0);
    });
    delegate.window()->winId();  // makes the platform window to watch
    delegate.window()->windowHandle()->installEventFilter(&firstFrame);
    delegate.applicationDidFinishLaunching();

    if (connect) {
        QTimer::singleShot(30000, [] {
            std::printf("timeout\n");
            std::fflush(stdout);
            std::_Exit(1);
        });
        AQConnectionController* page = delegate.connectionController();
        AQNavigationController* navigation = delegate.navigationController();
        page->btnDiscover()->click();
        every10ms([&] {
            if (page->tblDevices()->rows().isEmpty()) return false;
            page->tblDevices()->setSelectedRow(0);
            page->btnConnect()->click();  // returns once the link is ready
            every10ms([&] {
                if (!navigation->connected() ||
                    delegate.infoController()->tfPowerConsumption()->text().isEmpty()) {
                    return false;
                }
                const long rss = residentKb();
                for (AQButton* b : navigation->buttons()) {
                    if (b->objectName() == "settings") b->click();
                }
                every10ms([&, rss] {
                    AQSettingsController* settings = delegate.settingsController();
                    if (settings->tfName()->text().isEmpty()) return false;
                    settings->tfName()->setText("Bench Tank");
                    settings->btnApplyName()->click();
                    every10ms([rss] {
                        const auto uuid = GlobalStore::sharedInstance().connectedUUID();
                        if (!uuid || GlobalStore::getNameForUUID(*uuid) != "Bench Tank") {
                            return false;
                        }
                        std::printf("%ld\n", rss);
                        std::fflush(stdout);
                        std::_Exit(0);
                    });
                    return true;
                });
                return true;
            });
            return true;
        });
    }
    return QApplication::exec();
}

// ---- the parent ------------------------------------------------------------

std::string gProgram;

// Runs this program with the child option; returns its one line of output.
std::optional<std::string> runOnce(const char* option) {
    int out[2];
    if (pipe(out) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string at = std::to_string(monotonicNs());
    char* args[] = {gProgram.data(), const_cast<char*>(option), const_cast<char*>(at.c_str()),
                    nullptr};
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, gProgram.c_str(), &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (failed) {
        close(out[0]);
        return std::nullopt;
    }
    std::string text;
    char buffer[256];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0) text.append(buffer, std::size_t(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return text;
}

void BM_StartupToFirstPaint(benchmark::State& state) {
    for (auto _ : state) {
        const auto line = runOnce(kChildStartup);
        if (!line) {
            state.SkipWithError("the application did not start");
            return;
        }
        state.SetIterationTime(std::strtod(line->c_str(), nullptr) / 1e9);
    }
}
BENCHMARK(BM_StartupToFirstPaint)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

void BM_ResidentAfterConnecting(benchmark::State& state) {
    double mb = 0;
    for (auto _ : state) {
        const auto line = runOnce(kChildConnect);
        if (!line) {
            state.SkipWithError("connecting or renaming the simulated lamp failed");
            return;
        }
        mb = std::strtod(line->c_str(), nullptr) / 1024.0;
    }
    state.counters["resident_MB"] = mb;
}
BENCHMARK(BM_ResidentAfterConnecting)->Iterations(1)->Repetitions(3)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 &&
        (std::strcmp(argv[1], kChildStartup) == 0 || std::strcmp(argv[1], kChildConnect) == 0)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        const bool connect = std::strcmp(argv[1], kChildConnect) == 0;
        const std::int64_t spawnedAt = std::strtoll(argv[2], nullptr, 10);
        int childArgc = 1;
        return runChild(childArgc, argv, connect, spawnedAt);
    }
    gProgram = argv[0];
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
