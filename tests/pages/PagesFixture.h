#pragma once

#include <QLineEdit>
#include <QMainWindow>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PageInput.h"
#include "link/LampUuids.h"
#include "pages/AQConnectionController.h"
#include "pages/AQInfoController.h"
#include "pages/AQNavigationController.h"
#include "pages/AQSettingsController.h"
#include "pages/Alerts.h"
#include "pages/AppDelegate.h"
#include "pages/ClockCare.h"
#include "pages/Questions.h"
#include "session/GlobalStore.h"
#include "sim/SimCentral.h"
#include "sim/VirtualDispatch.h"
#include "state/MemoryPreferences.h"
#include "support/LampFixture.h"
#include "support/LogCapture.h"
#include "widgets/AQButton.h"
#include "widgets/AQTableView.h"
#include "widgets/SPProgressHUD.h"

namespace aq::test {

// The simulated central, with a hook that sees the link being dropped.
class RecordingCentral : public SimCentral {
public:
    using SimCentral::SimCentral;
    std::function<void()> onCancel;

    void cancelPeripheralConnection(const PeripheralPtr& p) override {
        if (onCancel) onCancel();
        SimCentral::cancelPeripheralConnection(p);
    }
};

// The real window and pages on a simulated lamp (a master with two slaves),
// virtual time and in-memory preferences. Alerts are recorded, not shown.
class PagesFixture : public ::testing::Test {
protected:
    static constexpr const char* kLampId = "00000000-0000-0000-0000-0000000000C1";
    static constexpr const char* kLampName = "Reef Tank";
    // This computer's clock at virtual time 0; it runs on with virtual time.
    static QDateTime computerStart() { return QDateTime(QDate(2026, 3, 10), QTime(12, 0)); }

    void SetUp() override {
        GlobalStore::configure(central, dispatch, storePreferences());
        _previousClock = clockcare::setComputerClock(
            [this] { return computerStart().addMSecs(qint64(dispatch.now() * 1000)); });
        _previousAlert = setAlertFunction(
            [this](QWidget*, const QString&, const QString& text) { alerts.push_back(text); });
        // Questions (before an upload, say) are answered yes.
        _previousQuestion = setQuestionFunction([](QWidget*, const Question&) {
            return Answer{true, false};
        });
        delegate = std::make_unique<AppDelegate>();
        delegate->applicationDidFinishLaunching();
        SPProgressHUD::instance()->setAnimationDuration(0);
    }

    void TearDown() override {
        // Let workers and pending answers finish before the pages go.
        dispatch.runUntilIdle(120.0);
        delegate.reset();
        GlobalStore::reset();
        setAlertFunction(std::move(_previousAlert));
        clockcare::setComputerClock(std::move(_previousClock));
        setQuestionFunction(std::move(_previousQuestion));
    }

    // The preferences the store is made with: in memory unless a test says.
    virtual Preferences& storePreferences() { return preferences; }

    std::shared_ptr<CraftedLamp> addLamp(const std::string& advertised, const std::string& id,
                                         std::size_t slaves = 2) {
        SimLampModel model = SimLampModel::standard(slaves);
        model.setNameText(kLampName);
        auto l =
            std::make_shared<CraftedLamp>(advertised, id, model, [this] { return dispatch.now(); });
        central.addLamp(l);
        return l;
    }

    AQNavigationController& nav() { return *delegate->navigationController(); }
    AQConnectionController& discover() { return *delegate->connectionController(); }
    AQInfoController& info() { return *delegate->infoController(); }
    AQSettingsController& settings() { return *delegate->settingsController(); }
    static GlobalStore& store() { return GlobalStore::sharedInstance(); }
    AQButton* barButton(const QString& ident) { return test::barButton(nav(), ident); }
    QStringList tableNames() {
        QStringList names;
        for (const QStringList& row : discover().tblDevices()->rows()) names << row.value(0);
        return names;
    }
    bool hudUp() { return SPProgressHUD::instance()->displaying(); }
    // Clicks the page's button on the bar and lets every answer arrive.
    void visit(const char* ident) {
        click(barButton(QString::fromLatin1(ident)));
        dispatch.runUntilIdle();
    }

    // A click in the middle of a table row, as the user selects it.
    void clickRow(int row) {
        AQTableView* t = discover().tblDevices();
        const int y = int(t->headerHeight() + (row + 0.5) * t->cellHeight());
        clickAt(t, QPoint(t->width() / 2, y));
    }

    // Starts a discovery and waits until `count` lamps are listed.
    void discoverLamps(std::size_t count = 1) {
        if (!discover().discovering()) click(discover().btnDiscover());
        ASSERT_TRUE(dispatch.runUntilTrue(
            [&] { return discover().tblDevices()->rows().size() >= qsizetype(count); }));
    }

    // Discovers, connects the first lamp and waits for the info page to fill.
    void connectLamp() {
        discoverLamps();
        clickRow(0);
        click(discover().btnConnect());
        ASSERT_TRUE(dispatch.runUntilTrue([&] { return nav().connected(); }));
        ASSERT_TRUE(
            dispatch.runUntilTrue([&] { return !info().tfPowerConsumption()->text().isEmpty(); }));
    }

    std::vector<Bytes> sentWith(std::initializer_list<std::uint8_t> ops) const {
        return test::sentWith(*lamp, ops);
    }

    LogCapture log;
    VirtualDispatch dispatch;
    RecordingCentral central{dispatch, 0.01};
    MemoryPreferences preferences;
    std::shared_ptr<CraftedLamp> lamp = addLamp("AquaLamp", kLampId);
    std::vector<QString> alerts;
    std::unique_ptr<AppDelegate> delegate;

private:
    AlertFunction _previousAlert;
    clockcare::Clock _previousClock;
    QuestionFunction _previousQuestion;
};

}  // namespace aq::test
