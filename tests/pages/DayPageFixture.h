#pragma once

// The day page on a simulated lamp (a master with two slaves, six channels)
// over virtual time, its view in a main window; alerts are recorded.

#include <QFile>
#include <QMainWindow>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DayTestSupport.h"
#include "PageInput.h"
#include "link/LampUuids.h"
#include "pages/AQDayAdjustmentController.h"
#include "pages/AQTableSheetController.h"
#include "pages/Alerts.h"
#include "pages/NSDayAdjustment.h"
#include "pages/Questions.h"
#include "session/GlobalStore.h"
#include "sim/SimCentral.h"
#include "sim/SimModelLamp.h"
#include "sim/VirtualDispatch.h"
#include "state/MemoryPreferences.h"
#include "support/LogCapture.h"
#include "widgets/SPProgressHUD.h"

namespace aq::test {

class DayPageFixture : public ::testing::Test {
protected:
    struct Alert {
        QString title;
        QString text;
    };

    void SetUp() override {
        GlobalStore::configure(central, dispatch, preferences);
        _previousAlert =
            setAlertFunction([this](QWidget*, const QString& title, const QString& text) {
                alerts.push_back({title, text});
            });
        _previousQuestion = setQuestionFunction([this](QWidget*, const Question& q) {
            questions.push_back(q);
            return answer;
        });
        SPProgressHUD::instance()->setAnimationDuration(0);
        const char* names[] = {"Royal Blue", "Red", "Moonlight", "Navy Blue", "White", "Purple"};
        for (int i = 0; i < 6; ++i)
            GlobalStore::channelAdd(names[i], Color{0.1 * i, 0.5, 1.0, 1.0});
        for (int i = 0; i < devicesInStore; ++i) GlobalStore::deviceAdd();
        store().setPresets({"Sunrise", "Reef", "Lagoon", "Shallow", "Deep", "Custom"});
        connectLamp();

        page = std::make_unique<AQDayAdjustmentController>();
        window.setCentralWidget(page->view());
        window.resize(850, 600);
        window.show();
    }

    void TearDown() override {
        dispatch.runUntilIdle(120.0);
        window.takeCentralWidget();
        delete page->view();
        page.reset();
        GlobalStore::reset();
        setAlertFunction(std::move(_previousAlert));
        setQuestionFunction(std::move(_previousQuestion));
    }

    void connectLamp() {
        BTLEController& link = store().btController();
        link.start_scanning([] {});
        ASSERT_TRUE(dispatch.runUntilTrue([&] { return !link.peripherals().empty(); }));
        bool ready = false;
        link.connect_periperal_at(
            0, [&] { ready = true; }, [] {});
        ASSERT_TRUE(ready);
        lamp->clearReceived();
    }

    static GlobalStore& store() { return GlobalStore::sharedInstance(); }
    DayAdjustmentGraph& graph() { return page->dayAdjustment()->daGraph(); }

    // Enters the page and answers its device sheet by clicking the row (or
    // clearing the choice for -1) and pressing the sheet's button.
    void enter(int deviceRow = 0) {
        page->onEnter();
        AQTableSheetController* sheet = page->tscDevice();
        ASSERT_NE(sheet->sheet(), nullptr) << "entering asks for the lamp";
        chooseRow(*sheet, deviceRow);
        sheet->closeSheet();
    }

    // Gives chart channel ch these points.
    void setCurve(std::uint8_t ch, const std::vector<CurvePoint>& points) {
        auto curve = graph().channelAtIndex(ch);
        ASSERT_NE(curve, nullptr);
        curve->adjust(points.data(), static_cast<std::uint8_t>(points.size()));
    }

    std::vector<CurvePoint> curve(std::uint8_t ch) {
        auto c = graph().channelAtIndex(ch);
        if (!c) return {};
        return std::vector<CurvePoint>(c->Points(), c->Points() + c->PointCount());
    }

    // Runs a transfer to its end on virtual time.
    void finish() { ASSERT_TRUE(dispatch.runUntilIdle(3600.0)); }

    std::vector<Bytes> sentWith(std::initializer_list<std::uint8_t> ops) const {
        return test::sentWith(*lamp, ops);
    }

    static void writeFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    // The file's bytes, empty when it cannot be read.
    static QByteArray readFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // From the next command on, the lamp takes writes but never answers.
    void lampFallsSilentAfter(std::uint64_t commands) {
        lamp->setFaults({.noAnswerFrom = lamp->receivedCount() + commands + 1});
    }

    // The lamps the store knows when the page is first entered.
    int devicesInStore = 3;
    LogCapture log;
    VirtualDispatch dispatch;
    SimCentral central{dispatch, 0.01};
    MemoryPreferences preferences;
    std::shared_ptr<SimModelLamp> lamp = [this] {
        auto l = std::make_shared<SimModelLamp>("AquaLamp", "00000000-0000-0000-0000-0000000000D1",
                                                SimLampModel::standard(2),
                                                [this] { return dispatch.now(); });
        central.addLamp(l);
        return l;
    }();
    std::vector<Alert> alerts;
    // Questions asked, and the answer every one of them gets.
    std::vector<Question> questions;
    Answer answer{true, false};
    QMainWindow window;
    std::unique_ptr<AQDayAdjustmentController> page;

private:
    AlertFunction _previousAlert;
    QuestionFunction _previousQuestion;
};

}  // namespace aq::test
