// The day page's transfers as the user follows them: the overlay's progress
// text, Cancel, the question before an upload, and quitting mid-transfer.
#include "DayPageFixture.h"

#include <QPushButton>
#include <QTest>

#include "widgets/AQButton.h"

namespace aq {
namespace {

using test::DayPageFixture;

class DayProgressTest : public DayPageFixture {
protected:
    // The master holds 144 points on each of its six channels: 870 commands to read.
    void fullMaster() {
        lamp->updateModel([](SimLampModel& m) {
            SimProgramme programme(6);
            for (auto& channel : programme) {
                for (int p = 0; p < 144; ++p) channel.push_back({std::uint16_t(p * 10), 100});
            }
            m.devices[0].programme = programme;
        });
    }

    // Runs the transfer until the predicate holds, collecting the texts shown.
    bool runUntil(const std::function<bool()>& done) {
        return dispatch.runUntilTrue(
            [&] {
                const QString text = page->progressText();
                if (!text.isEmpty() && (texts.empty() || texts.back() != text))
                    texts.push_back(text);
                return done();
            },
            3600.0);
    }

    const QString* textStarting(const QString& start) const {
        for (const QString& t : texts) {
            if (t.startsWith(start)) return &t;
        }
        return nullptr;
    }

    void pressCancel() {
        QPushButton* cancel = SPProgressHUD::instance()->cancelButton();
        ASSERT_NE(cancel, nullptr);
        QTest::mouseClick(cancel, Qt::LeftButton);
    }

    std::vector<QString> texts;
};

TEST_F(DayProgressTest, ADownloadSaysWhatAndHowFarWithTheTimeLeft) {
    fullMaster();
    enter(1);
    page->btnDownloadPressed();
    EXPECT_EQ(SPProgressHUD::instance()->status(), QStringLiteral("Downloading Master #1"));
    ASSERT_TRUE(runUntil([&] { return !page->busy(); }));
    // The counts first, with the total not known yet; then every point.
    EXPECT_EQ(texts.at(1), QStringLiteral("Downloading Master #1 - channel 1 of 6"));
    EXPECT_EQ(texts.at(7), QStringLiteral("Downloading Master #1 - channel 1 of 6 - 7 of 870"));
    const QString* mid =
        textStarting(QStringLiteral("Downloading Master #1 - channel 3 of 6 - 412 of 870\nAbout "));
    ASSERT_NE(mid, nullptr);
    EXPECT_TRUE(mid->endsWith(QStringLiteral(" left"))) << mid->toStdString();
    EXPECT_EQ(texts.back(), QStringLiteral("Downloading Master #1 - channel 6 of 6 - 870 of 870"));
    EXPECT_EQ(curve(5).size(), 144u);
}

TEST_F(DayProgressTest, CancelStopsADownloadBetweenCommandsAndKeepsTheChart) {
    fullMaster();
    enter(1);
    const std::string before = graph().channelsAsString();
    page->btnDownloadPressed();
    ASSERT_TRUE(
        runUntil([&] { return page->progressText().contains(QStringLiteral(" - 300 of 870")); }));
    pressCancel();
    EXPECT_TRUE(page->progressText().endsWith(QStringLiteral("\nStopping…")));
    const std::size_t asked = sentWith({0x8E, 0x8F}).size();
    finish();
    // At most the command already on its way went out after Cancel.
    EXPECT_LE(sentWith({0x8E, 0x8F}).size(), asked + 1);
    EXPECT_FALSE(page->busy());
    EXPECT_FALSE(SPProgressHUD::instance()->displaying());
    EXPECT_EQ(graph().channelsAsString(), before);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, QStringLiteral("The transfer was cancelled"));
    EXPECT_TRUE(alerts[0].text.startsWith(
        QStringLiteral("Reading the day programme of Master #1 was cancelled at channel "
                       "\u201cMoonlight\u201d, set point ")))
        << alerts[0].text.toStdString();
}

TEST_F(DayProgressTest, CancelStopsAnUploadAndSaysWhichLampAndChannelAreIncomplete) {
    enter(0);  // all three lamps
    for (std::uint8_t ch = 0; ch < 6; ++ch) setCurve(ch, {{0.1, 0.2}, {0.5, 0.6}, {0.9, 0.3}});
    page->btnUploadPressed();
    // 48 commands a lamp, 8 a channel (4 written, 4 read back): the second
    // lamp's fourth channel begins at 73.
    ASSERT_TRUE(
        runUntil([&] { return page->progressText().contains(QStringLiteral(" - 73 of 144")); }));
    EXPECT_EQ(texts.back(),
              QStringLiteral("Uploading to Slave #2 (lamp 2 of 3) - channel 4 of 6 - 73 of 144"));
    pressCancel();
    finish();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, QStringLiteral("The transfer was cancelled"));
    EXPECT_TRUE(alerts[0].text.startsWith(
        QStringLiteral("Writing the day programme to Slave #2 was cancelled at channel "
                       "\u201cNavy Blue\u201d")))
        << alerts[0].text.toStdString();
    EXPECT_TRUE(alerts[0].text.contains(QStringLiteral("and the next lamp")));
    // The third lamp got nothing.
    for (const Bytes& b : sentWith({0x0E, 0x0F})) EXPECT_NE(b[1], 2);
}

TEST_F(DayProgressTest, UploadAsksFirstNamingTheTarget) {
    struct Case {
        const char* name;
        int deviceRow;
        bool edited;  // else the chart holds its starting lines
        bool storedDontAsk;
        Answer answer;
        bool asked;
        QString question;
        bool uploads;
        bool storedAfter;
    };
    const QString master = QStringLiteral("Replace the day programme of Master #1?");
    const QString all = QStringLiteral("Replace the day programme of all 3 lamps?");
    const Case cases[] = {
        {"declined", 1, true, false, {false, false}, true, master, false, false},
        {"accepted", 0, true, false, {true, false}, true, all, true, false},
        {"accepted, don't ask again", 1, true, false, {true, true}, true, master, true, true},
        {"not asked again", 1, true, true, {false, false}, false, {}, true, true},
        {"placeholders asked anyway", 1, false, true, {true, false}, true, master, true, true},
    };
    int presses = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        preferences.setValue(
            AQDayAdjustmentController::kUploadWithoutAskingKey,
            c.storedDontAsk ? PreferenceValue(std::int64_t{1}) : PreferenceValue());
        store().channels()[0]->setPresentChannel(nullptr);  // the chart starts over
        enter(c.deviceRow);
        EXPECT_TRUE(page->showsPlaceholders());
        if (c.edited) {
            page->dayAdjustment()->setFocus();
            QTest::keyClick(page->dayAdjustment(), Qt::Key_Tab);
            // Another edit each time, so the lamp never holds it already.
            for (int i = 0; i <= presses; ++i) QTest::keyClick(page->dayAdjustment(), Qt::Key_Up);
            ++presses;
            QTest::keyClick(page->dayAdjustment(), Qt::Key_Escape);
            EXPECT_FALSE(page->showsPlaceholders());
        }
        questions.clear();
        answer = c.answer;
        lamp->clearReceived();
        page->btnUploadPressed();
        finish();
        ASSERT_EQ(questions.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(questions[0].text, c.question);
            EXPECT_EQ(questions[0].detail.contains(QStringLiteral("placeholder lines")), !c.edited);
            EXPECT_EQ(questions[0].offerDontAsk, c.edited);
        }
        EXPECT_EQ(!sentWith({0x0E}).empty(), c.uploads);
        const auto stored = preferences.value(AQDayAdjustmentController::kUploadWithoutAskingKey);
        EXPECT_EQ(stored && stored->number() && *stored->number() == 1, c.storedAfter);
        if (c.uploads) {
            EXPECT_EQ(SPProgressHUD::instance()->status(),
                      c.deviceRow == 0 ? QStringLiteral("Uploaded to 3 lamps.")
                                       : QStringLiteral("Uploaded to Master #1."));
        }
        SPProgressHUD::instance()->expireMessage();
        page->onLeave();
    }
}

TEST_F(DayProgressTest, QuittingDuringATransferAsksAndStopsItWhenTheUserInsists) {
    fullMaster();
    enter(1);
    page->btnDownloadPressed();
    ASSERT_TRUE(
        runUntil([&] { return page->progressText().contains(QStringLiteral(" - 100 of 870")); }));
    // Kept running: the window stays and so does the transfer.
    answer = Answer{false, false};
    EXPECT_FALSE(window.close());
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].text, QStringLiteral("Stop the transfer and quit?"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(page->busy());
    // Insisting stops it between two commands, says what was left, then closes.
    answer = Answer{true, false};
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible()) << "not before the transfer has stopped";
    finish();
    EXPECT_FALSE(page->busy());
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, QStringLiteral("The transfer was cancelled"));
    EXPECT_TRUE(alerts[0].text.contains(QStringLiteral("channel \u201cRoyal Blue\u201d")));
    EXPECT_FALSE(window.isVisible());
    // Closing with nothing running asks nothing.
    window.show();
    EXPECT_TRUE(window.close());
    EXPECT_EQ(questions.size(), 2u);
}

TEST_F(DayProgressTest, PreviewStaysLitAndASecondClickEndsIt) {
    enter(1);
    auto* preview = page->view()->findChild<AQButton*>(QStringLiteral("Preview"));
    ASSERT_NE(preview, nullptr);
    const std::pair<bool, int> expected[] = {{true, 1}, {false, 0}, {true, 1}};
    for (const auto& [lit, mode] : expected) {
        QTest::mouseClick(preview, Qt::LeftButton);
        finish();
        EXPECT_EQ(preview->isChecked(), lit);
        EXPECT_EQ(page->previewing(), lit);
        EXPECT_EQ(lamp->model().mode, mode);
    }
    page->onLeave();
    finish();
    EXPECT_FALSE(preview->isChecked());
    EXPECT_EQ(lamp->model().mode, 0);
}

}  // namespace
}  // namespace aq
