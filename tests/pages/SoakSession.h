#pragma once

// One randomised session of the real window and pages against a simulated
// lamp on virtual time, for the soak test.
#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "PageInput.h"
#include "link/BTLEController.h"
#include "pages/AQConnectionController.h"
#include "pages/AQDayAdjustmentController.h"
#include "pages/AQFirmwareController.h"
#include "pages/AQLiveController.h"
#include "pages/AQMoonAdjustmentController.h"
#include "pages/AQNavigationController.h"
#include "pages/AQTableSheetMCController.h"
#include "pages/AQWeatherController.h"
#include "pages/Alerts.h"
#include "pages/AppDelegate.h"
#include "pages/MoonFrameSheet.h"
#include "pages/NSDayAdjustment.h"
#include "pages/Questions.h"
#include "session/DayTransfer.h"
#include "session/GlobalStore.h"
#include "sim/SimCentral.h"
#include "sim/SimModelLamp.h"
#include "sim/VirtualDispatch.h"
#include "state/MemoryPreferences.h"
#include "support/LogCapture.h"
#include "widgets/AQTableView.h"
#include "widgets/SPProgressHUD.h"

namespace aq::test {

// Virtual seconds a single step may take before it counts as a hang. A
// silent lamp holds each queued command for the link's full abandon time,
// and a lamp whose channel count came back as noise may have the live page
// queue a value for each of up to 255 channels: that drains in about twenty
// minutes, slowly but surely. What has not ended within the hour never will.
constexpr double kStepLimit = 3600.0;

// One session: a fresh store, window and lamp, random user actions with
// random lamp faults, then the checks every session must pass. Problems
// are collected as text, so a failing seed says what went wrong and where.
class SoakSession {
public:
    explicit SoakSession(unsigned seed)
        : _seed(seed),
          _rng(seed),
          _firmwarePath(_firmwareDir.filePath(QStringLiteral("firmware.hex")).toStdString()) {
        const std::size_t slaves = pick(0, 3);
        _lamp = std::make_shared<SimModelLamp>("AquaLamp", "00000000-0000-0000-0000-0000000000E1",
                                               SimLampModel::standard(slaves),
                                               [this] { return _dispatch.now(); });
        _central.addLamp(_lamp);
        GlobalStore::configure(_central, _dispatch, _preferences);
        _previousAlert =
            setAlertFunction([this](QWidget*, const QString& title, const QString& text) {
                _alerts.push_back(title + " | " + text);
            });
        AQFirmwareController::setConfirmFunction(
            [](QWidget*, const QString&, const QString&) { return true; });
        _previousQuestion = setQuestionFunction([](QWidget*, const Question&) {
            return Answer{true, false};
        });
        _delegate = std::make_unique<AppDelegate>();
        _delegate->applicationDidFinishLaunching();
        SPProgressHUD::instance()->setAnimationDuration(0);
        std::ofstream out(_firmwarePath, std::ios::binary);
        out << ":10000000000102030405060708090A0B0C0D0E0F78\r\n:00000001FF\r\n";
    }

    ~SoakSession() {
        _dispatch.runUntilIdle(kStepLimit);
        closeSheets();
        _delegate.reset();
        GlobalStore::reset();
        AQFirmwareController::setConfirmFunction({});
        setAlertFunction(std::move(_previousAlert));
        setQuestionFunction(std::move(_previousQuestion));
    }

    // Runs the session; returns what went wrong, empty when nothing did.
    std::vector<std::string> run() {
        connect();
        const int actions = pick(8, 16);
        for (int i = 0; i < actions; ++i) {
            const std::size_t alertsBefore = _alerts.size();
            act();
            if (!settle()) break;
            checkLostLink(alertsBefore);
            // Nothing is left running, so nothing may still hold the overlay up.
            if (hudUp()) {
                problem("progress overlay up with nothing left to do");
                break;
            }
        }
        finalChecks();
        return _problems;
    }

    // What happened, step by step, for a failure message.
    std::string trail() const {
        std::ostringstream out;
        for (const auto& s : _trail) out << "  " << s << "\n";
        return out.str();
    }

private:
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(_rng); }
    bool chance(double p) { return std::bernoulli_distribution(p)(_rng); }
    void note(const std::string& step) {
        _trail.push_back("t=" + std::to_string(_dispatch.now()) + " " + step);
    }
    void problem(const std::string& what) {
        _problems.push_back(what + " (seed " + std::to_string(_seed) + ")");
    }

    AQNavigationController& nav() { return *_delegate->navigationController(); }
    AQConnectionController& discover() { return *_delegate->connectionController(); }
    template <typename T>
    T& page() {
        return *pageOf<T>(nav());
    }
    // A short note ("Uploaded to 3 lamps.") fades by itself and blocks nothing.
    static bool hudUp() {
        return SPProgressHUD::instance()->displaying() &&
               !SPProgressHUD::instance()->showingMessage();
    }

    // Lets the answers and timers of the last action run out. A session
    // whose events never run out has hung.
    bool settle() {
        if (!_dispatch.runUntilIdle(kStepLimit)) {
            problem("events still pending " + std::to_string(kStepLimit) +
                    " s after the last action; last log lines:\n" + lastLog(12));
            return false;
        }
        return true;
    }

    // Whether an alert since the first `from` holds one of the texts.
    bool alertSince(std::size_t from, std::initializer_list<const char*> texts) const {
        for (std::size_t i = from; i < _alerts.size(); ++i) {
            for (const char* t : texts) {
                if (_alerts[i].contains(QLatin1String(t))) return true;
            }
        }
        return false;
    }

    // Runs until `done`; a step that never gets there has hung.
    bool waitFor(const std::function<bool()>& done, const std::string& what) {
        if (_dispatch.runUntilTrue(done, kStepLimit)) return true;
        problem(what + " still running after " + std::to_string(kStepLimit) + " s");
        return false;
    }

    std::string lastLog(std::size_t n) const {
        const auto all = _log.entries();
        std::string out;
        for (std::size_t i = all.size() > n ? all.size() - n : 0; i < all.size(); ++i)
            out += "    " + all[i] + (all[i].ends_with('\n') ? "" : "\n");
        return out;
    }

    // --- faults --------------------------------------------------------------

    void switchFaults() {
        SimFaults f;
        const std::uint64_t next = _lamp->receivedCount() + 1;
        switch (pick(0, 9)) {
            case 0:
                f.noAnswerFrom = next + pick(0, 20);
                note("fault: no answer from command " + std::to_string(*f.noAnswerFrom));
                break;
            case 1:
                f.shortAnswerFrom = next + pick(0, 20);
                f.shortAnswerLength = pick(0, 2);
                note("fault: short answers from " + std::to_string(*f.shortAnswerFrom));
                break;
            case 2:
                f.garbageAnswerFrom = next + pick(0, 20);
                note("fault: garbage answers from " + std::to_string(*f.garbageAnswerFrom));
                break;
            case 3: {
                const double late[] = {0.3, 1.2, 2.5, 6.0};
                f.lateBy = late[pick(0, 3)];
                note("fault: every read late by " + std::to_string(f.lateBy));
                break;
            }
            case 4:
                f.dropLinkAt = next + pick(0, 30);
                note("fault: link dropped at command " + std::to_string(*f.dropLinkAt));
                break;
            case 5: {
                // One opcode misbehaves, as one broken command on a lamp would.
                const std::uint8_t ops[] = {0x0E, 0x0F, 0x8E, 0x8F, 0x97, 0x96, 0x99, 0x9F,
                                            0x90, 0x91, 0x87, 0x07, 0x88, 0x89, 0x81, 0x85,
                                            0x12, 0xA0, 0xA1, 0x0A, 0x8B, 0x8C};
                const SimFault kinds[] = {SimFault::NoAnswer, SimFault::ShortAnswer,
                                          SimFault::GarbageAnswer, SimFault::LateAnswer,
                                          SimFault::DropLink};
                const int n = pick(1, 3);
                for (int i = 0; i < n; ++i) {
                    const std::uint8_t op = ops[pick(0, int(std::size(ops)) - 1)];
                    const SimFault kind = kinds[pick(0, 4)];
                    f.forCommands.push_back({op, kind, {}});
                    note("fault: opcode " + std::to_string(op) + " kind " +
                         std::to_string(int(kind)));
                }
                f.lateAnswerBy = pick(0, 1) ? 1.5 : 6.0;
                break;
            }
            case 6:
                // The lamp is gone: the link drops and it takes no connection.
                f.dropLinkAt = next;
                f.refuseConnection = true;
                note("fault: lamp gone");
                break;
            default:
                note("faults cleared");
                break;
        }
        _lamp->setFaults(f);
        _garbageSeen = _garbageSeen || f.garbageAnswerFrom.has_value() ||
                       std::any_of(f.forCommands.begin(), f.forCommands.end(),
                                   [](const SimFaults::ForCommand& c) {
                                       return c.fault == SimFault::GarbageAnswer;
                                   });
    }

    // After a lost link the app is on the connection page with nothing left
    // running or covering it and the lamp chosen: one click connects again.
    void checkLostLink(std::size_t alertsBefore) {
        if (!alertSince(alertsBefore, {"Connection lost | "})) return;
        note("link lost");
        if (nav().connected()) problem("still connected after a lost link");
        if (nav().currentController() != &discover()) problem("not on the connection page");
        if (hudUp()) problem("progress overlay up after a lost link");
        if (_dispatch.activeWorkers() != 0) problem("a worker left running after a lost link");
        if (discover().tblDevices()->rows().size() != 1 ||
            discover().tblDevices()->selectedRow() != 0) {
            problem("the lost lamp is not listed and chosen");
        }
        _lamp->setFaults({});
        closeSheets();
        click(discover().btnConnect());
        if (!_dispatch.runUntilTrue([&] { return nav().connected(); }, kStepLimit)) {
            problem("one click on Connect did not reconnect the lost lamp");
        }
        note(nav().connected() ? "reconnected" : "not reconnected");
    }

    // --- sheets ----------------------------------------------------------------

    static bool up(QDialog* d) { return d && d->isVisible(); }

    // Answers whatever sheet is open the way the user would.
    void closeSheets() {
        if (!_delegate) return;
        auto& day = page<AQDayAdjustmentController>();
        for (AQTableSheetController* s : {day.tscDevice(), day.tscChannel(), day.tscPresets()}) {
            if (!up(s->sheet())) continue;
            chooseRow(*s, pick(-1, int(s->data().size()) - 1));
            note("sheet answered");
            s->closeSheet();
        }
        auto& moon = page<AQMoonAdjustmentController>();
        if (up(moon.tscDevice()->sheet())) {
            const int rows = int(moon.tscDevice()->status().size());
            for (int r = 0; r < rows; ++r) {
                if (chance(0.5)) moon.tscDevice()->toggleRow(r);
            }
            note("moon lamps sheet closed");
            moon.tscDevice()->closeSheet();
        }
        if (moon.timeFrameSheet()) moon.closeSheet();
        while (QWidget* modal = QApplication::activeModalWidget()) {
            note("modal window closed: " + modal->objectName().toStdString());
            modal->close();
            if (QApplication::activeModalWidget() == modal) break;
        }
    }

    // --- connection --------------------------------------------------------------

    void connect() {
        closeSheets();
        if (nav().connected()) return;
        note("connect");
        if (!discover().discovering()) click(discover().btnDiscover());
        if (!_dispatch.runUntilTrue([&] { return !discover().tblDevices()->rows().isEmpty(); },
                                    20.0)) {
            note("no lamp listed");
            return;
        }
        AQTableView* t = discover().tblDevices();
        clickAt(t, QPoint(t->width() / 2, int(t->headerHeight() + 0.5 * t->cellHeight())));
        click(discover().btnConnect());
        _dispatch.runUntilTrue([&] { return nav().connected(); }, kStepLimit);
        note(nav().connected() ? "connected" : "not connected");
    }

    void disconnect() {
        closeSheets();
        if (!nav().connected()) return;
        note("disconnect");
        click(nav().btnDiscover());
    }

    // --- pages ------------------------------------------------------------------

    void visit(const char* ident) {
        closeSheets();
        if (!nav().connected()) return;
        note(std::string("visit ") + ident);
        click(barButton(nav(), QString::fromLatin1(ident)));
    }

    // Fresh random curves in the chart, a few points each, time-ordered
    // with distinct minutes, so the lamp's copy can be compared point by point.
    void randomCurves(AQDayAdjustmentController& day) {
        DayAdjustmentGraph& graph = day.dayAdjustment()->daGraph();
        for (int ch = 0; ch < graph.channelCount(); ++ch) {
            auto curve = graph.channelAtIndex(static_cast<std::uint8_t>(ch));
            if (!curve) continue;
            const int n = pick(0, 6);
            std::vector<int> minutes;
            while (int(minutes.size()) < n) {
                const int m = pick(0, 1439);
                if (std::find(minutes.begin(), minutes.end(), m) == minutes.end())
                    minutes.push_back(m);
            }
            std::sort(minutes.begin(), minutes.end());
            std::vector<CurvePoint> points;
            for (int m : minutes) points.push_back({m / 1439.0, pick(0, 255) / 255.0});
            curve->adjust(points.data(), static_cast<std::uint8_t>(points.size()));
        }
    }

    AQButton* dayButton(const char* name) {
        return page<AQDayAdjustmentController>().view()->findChild<AQButton*>(name);
    }

    // What the chart holds, in the lamp's units.
    std::vector<std::vector<SimSetPoint>> chartInLampUnits() {
        const DayAdjustmentGraph& graph =
            page<AQDayAdjustmentController>().dayAdjustment()->daGraph();
        std::vector<std::vector<SimSetPoint>> out;
        for (int ch = 0; ch < graph.channelCount(); ++ch) {
            std::vector<SimSetPoint> points;
            if (auto curve = graph.channelAtIndex(static_cast<std::uint8_t>(ch))) {
                for (int p = 0; p < curve->PointCount(); ++p) {
                    const CurvePoint& c = curve->Points()[p];
                    points.push_back({lampOffset(c.x), lampLevel(c.y)});
                }
            }
            out.push_back(std::move(points));
        }
        return out;
    }

    bool onDayPage() {
        return nav().connected() && nav().currentController() == &page<AQDayAdjustmentController>();
    }

    // Goes to the day page with nothing open; false when it cannot.
    bool toDayPage() {
        if (!onDayPage()) visit("dayadjustment");
        settle();
        closeSheets();
        return onDayPage();
    }

    void upload() {
        if (!toDayPage()) return;
        auto& day = page<AQDayAdjustmentController>();
        randomCurves(day);
        const auto expected = chartInLampUnits();
        std::vector<std::uint8_t> devices;
        if (day.device() == AQDayAdjustmentController::kAllDevices) {
            for (int d = 0; d < std::max<int>(1, GlobalStore::deviceCount()); ++d)
                devices.push_back(static_cast<std::uint8_t>(d));
        } else {
            devices.push_back(day.device());
        }
        const std::size_t alertsBefore = _alerts.size();
        const bool garbageBefore = _garbageSeen;
        note("upload to " + std::to_string(int(day.device())));
        click(dayButton("Upload"));
        if (!day.busy()) {
            note("upload click swallowed");
            return;
        }
        if (!waitFor([&] { return !day.busy(); }, "upload")) return;
        const bool failed =
            alertSince(alertsBefore, {"Writing the day programme", "does not hold what was sent"});
        if (failed) {
            note("upload reported failure");
            return;
        }
        note("upload reported success");
        verifyUpload(devices, expected, garbageBefore);
    }

    // A reported success means the lamp holds the chart: every lamp written
    // has, on every channel both sides know, the chart's points.
    void verifyUpload(const std::vector<std::uint8_t>& devices,
                      const std::vector<std::vector<SimSetPoint>>& expected, bool garbage) {
        const SimLampModel m = _lamp->model();
        for (std::uint8_t d : devices) {
            // A slave count read as noise may name lamps that are not there;
            // nothing could tell, and there is nothing to read back.
            if (d >= m.devices.size()) {
                if (!garbage)
                    problem("upload went to lamp " + std::to_string(d) +
                            " that the lamp does not have");
                continue;
            }
            const auto& programme = m.devices[d].programme;
            const std::size_t n = std::min(programme.size(), expected.size());
            if (!garbage && programme.size() != expected.size()) {
                problem("chart has " + std::to_string(expected.size()) + " channels, lamp " +
                        std::to_string(programme.size()));
            }
            for (std::size_t ch = 0; ch < n; ++ch) {
                if (programme[ch] != expected[ch]) {
                    problem("upload reported success but lamp " + std::to_string(d) + " channel " +
                            std::to_string(ch) + " holds " + std::to_string(programme[ch].size()) +
                            " points, chart " + std::to_string(expected[ch].size()) +
                            " or other values");
                }
            }
        }
    }

    void download(bool preset) {
        if (!toDayPage()) return;
        auto& day = page<AQDayAdjustmentController>();
        const std::size_t alertsBefore = _alerts.size();
        const bool garbageBefore = _garbageSeen;
        const std::uint8_t device =
            day.device() == AQDayAdjustmentController::kAllDevices ? 0 : day.device();
        if (preset) {
            note("presets");
            click(dayButton("Presets"));
            if (!up(day.tscPresets()->sheet())) return;
            const int row = pick(-1, int(day.tscPresets()->data().size()) - 1);
            chooseRow(*day.tscPresets(), row);
            day.tscPresets()->closeSheet();
            note("presetting row " + std::to_string(row));
        } else {
            note("download from " + std::to_string(int(device)));
            click(dayButton("Download"));
        }
        if (!day.busy()) return;
        if (!waitFor([&] { return !day.busy(); }, "download")) return;
        if (_alerts.size() != alertsBefore || preset || garbageBefore || _garbageSeen) return;
        // A download that said nothing shows the lamp's programme.
        const SimLampModel m = _lamp->model();
        if (device >= m.devices.size()) return;
        const auto shown = chartInLampUnits();
        const auto& programme = m.devices[device].programme;
        for (std::size_t ch = 0; ch < std::min(shown.size(), programme.size()); ++ch) {
            auto held = programme[ch];
            std::sort(held.begin(), held.end(), [](const SimSetPoint& a, const SimSetPoint& b) {
                return a.offset < b.offset;
            });
            // Two set points at one minute (a partial upload leaves the
            // unwritten ones at minute 0) cannot both stand in the chart,
            // which keeps its points a few minutes apart.
            const bool sameMinute =
                std::adjacent_find(held.begin(), held.end(),
                                   [](const SimSetPoint& a, const SimSetPoint& b) {
                                       return a.offset == b.offset;
                                   }) != held.end();
            if (held.size() <= 144 && !sameMinute && shown[ch] != held) {
                problem("download reported nothing but channel " + std::to_string(ch) + " shows " +
                        describe(shown[ch]) + ", lamp " + std::to_string(device) + " holds " +
                        describe(held));
            }
        }
    }

    static std::string describe(const std::vector<SimSetPoint>& points) {
        std::string out = "{";
        for (const SimSetPoint& p : points)
            out += " " + std::to_string(p.offset) + ":" + std::to_string(p.intensity);
        return out + " }";
    }

    void dragRandom(AQSlider* slider) {
        if (!slider || !slider->isVisible()) return;
        dragSlider(slider, {double(pick(0, 100)), double(pick(0, 100)), double(pick(0, 100))});
    }

    void moon() {
        visit("moonadjustment");
        if (!nav().connected()) return;
        _dispatch.runUntilIdle(kStepLimit);
        closeSheets();
        auto& m = page<AQMoonAdjustmentController>();
        if (nav().currentController() != &m) return;
        switch (pick(0, 2)) {
            case 0:
                note("moon day slider");
                dragRandom(m.slDay());
                break;
            case 1:
                note("moon intensity slider");
                dragRandom(m.slIntense());
                break;
            default:
                note("moon lamps");
                click(m.btnDevices());
                _dispatch.runUntilIdle(kStepLimit);
                closeSheets();
                break;
        }
    }

    void weather() {
        visit("weather");
        auto& w = page<AQWeatherController>();
        if (!nav().connected() || nav().currentController() != &w) return;
        AQSlider* sliders[] = {w.sldCloudsPerDay(), w.sldCloudDuration(), w.sldCloudIntensity(),
                               w.sldBoltsPerHour()};
        AQButton* buttons[] = {w.chbCloudSimulation(), w.chbBoltSimulation(), w.btnTestCloud(),
                               w.btnTestBolt()};
        for (int i = pick(1, 3); i > 0; --i) {
            if (chance(0.5)) {
                note("weather slider");
                dragRandom(sliders[pick(0, 3)]);
            } else {
                note("weather button");
                click(buttons[pick(0, 3)]);
            }
        }
    }

    void live() {
        visit("livecontroller");
        auto& l = page<AQLiveController>();
        if (!nav().connected() || nav().currentController() != &l) return;
        const QList<AQSlider*> sliders = l.slider();
        for (int i = pick(1, 4); i > 0; --i) {
            // A lost link may have left the page meanwhile: a click at a
            // key's place would land on whatever is there now.
            if (nav().currentController() != &l) break;
            if (!sliders.isEmpty() && chance(0.7)) {
                note("live slider");
                dragRandom(sliders[pick(0, int(sliders.size()) - 1)]);
            } else {
                note("live key");
                AQButton* keys[] = {l.btnNavLeft(), l.btnNavRight(), l.btnNavPush(),
                                    l.btnNavLongPush()};
                click(keys[pick(0, 3)]);
            }
            _dispatch.runUntil(_dispatch.now() + 0.05 * pick(0, 10));
        }
    }

    void firmware() {
        closeSheets();
        if (!nav().connected() || !nav().miFirmware()->isEnabled()) return;
        note("firmware update");
        nav().miFirmware()->trigger();
        auto& fw = *_delegate->firmwareController();
        fw.tfFile()->setText(QString::fromStdString(_firmwarePath.string()));
        click(fw.btnRun());
        waitFor([&] { return !fw.updating(); }, "firmware update");
    }

    void act() {
        if (chance(0.35)) switchFaults();
        if (!nav().connected()) {
            connect();
            return;
        }
        // Some actions are likelier than others.
        const std::function<void()> actions[] = {
            [this] { visit("info"); },
            [this] { visit("settings"); },
            [this] { upload(); },
            [this] { upload(); },
            [this] { download(false); },
            [this] { download(true); },
            [this] { moon(); },
            [this] { weather(); },
            [this] { live(); },
            [this] {
                if (chance(0.4)) firmware();
            },
            [this] { reconnect(); },
            [this] { visit("dayadjustment"); },
            [this] { wait(); },
            [this] { wait(); },
        };
        actions[pick(0, int(std::size(actions)) - 1)]();
    }

    void reconnect() {
        disconnect();
        settle();
        connect();
    }

    // The user waits a while with the page as it is.
    void wait() {
        note("wait");
        _dispatch.runUntil(_dispatch.now() + pick(1, 20));
    }

    // --- after the session -----------------------------------------------------

    void finalChecks() {
        _lamp->setFaults({});
        note("faults cleared for the checks");
        if (!_dispatch.runUntilIdle(kStepLimit)) problem("never idle after the session");
        if (_dispatch.activeWorkers() != 0)
            problem(std::to_string(_dispatch.activeWorkers()) + " workers left running");
        if (hudUp()) problem("progress overlay left up");
        closeSheets();
        _dispatch.runUntilIdle(kStepLimit);

        // The link is usable again: connect afresh and ask one blocking command.
        disconnect();
        _dispatch.runUntilIdle(kStepLimit);
        connect();
        if (!nav().connected()) {
            problem("no fresh connection after the faults were cleared");
            return;
        }
        _dispatch.runUntilIdle(kStepLimit);
        closeSheets();
        std::optional<std::uint8_t> channels;
        bool done = false;
        BTLEController& link = GlobalStore::sharedInstance().btController();
        _dispatch.runOnWorker([&] {
            channels = link.getChannels();
            done = true;
        });
        if (!_dispatch.runUntilIdle(kStepLimit) || !done) {
            problem("a blocking command did not return on the fresh link");
        } else if (channels != std::optional<std::uint8_t>(6)) {
            problem("a blocking command on the fresh link did not read the lamp's 6 channels");
        }
        if (hudUp()) problem("progress overlay up after the fresh connection");
    }

    const unsigned _seed;
    std::mt19937 _rng;
    std::vector<std::string> _trail;
    std::vector<std::string> _problems;
    bool _garbageSeen = false;
    QTemporaryDir _firmwareDir;
    std::filesystem::path _firmwarePath;

    LogCapture _log;
    VirtualDispatch _dispatch;
    SimCentral _central{_dispatch, 0.01};
    MemoryPreferences _preferences;
    std::shared_ptr<SimModelLamp> _lamp;
    std::vector<QString> _alerts;
    AlertFunction _previousAlert;
    QuestionFunction _previousQuestion;
    std::unique_ptr<AppDelegate> _delegate;
};

}  // namespace aq::test
