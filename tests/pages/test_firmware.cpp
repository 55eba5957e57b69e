// The firmware page driven like a user would, against the simulated lamp's
// boot loader on virtual time.
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QTemporaryDir>

#include <fstream>

#include <sys/stat.h>

#include "PagesFixture.h"
#include "link/LampUuids.h"
#include "pages/AQFirmwareController.h"
#include "pages/CloseGuard.h"

namespace aq::test {
namespace {

class FirmwarePage : public PagesFixture {
protected:
    void SetUp() override {
        PagesFixture::SetUp();
        AQFirmwareController::setConfirmFunction(
            [this](QWidget*, const QString& m, const QString& d) {
                confirmations.push_back(m + "|" + d);
                return answerOk;
            });
    }
    void TearDown() override {
        AQFirmwareController::setConfirmFunction({});
        PagesFixture::TearDown();
    }

    AQFirmwareController& page() { return *delegate->firmwareController(); }

    // Connects, opens the page from the menu and starts an update of `lines`.
    void updateWith(const std::vector<std::string>& lines) {
        openWith(lines);
        click(page().btnRun());
    }

    // Connects, opens the page from the menu and puts a file of `lines` in
    // the path field.
    void openWith(const std::vector<std::string>& lines) {
        connectLamp();
        ASSERT_TRUE(nav().miFirmware()->isEnabled());
        nav().miFirmware()->trigger();
        ASSERT_EQ(nav().currentController(), &page());
        std::ofstream out(path, std::ios::binary);
        for (const auto& l : lines) out << l << "\r\n";
        out.close();
        page().tfFile()->setText(QString::fromStdString(path));
        lamp->clearReceived();
    }

    std::vector<Bytes> bootLoaderPackets() const {
        std::vector<Bytes> out;
        for (const auto& r : lamp->received()) {
            if (r.characteristic == kBootLoaderCharacteristicUUID) out.push_back(r.data);
        }
        return out;
    }

    bool answerOk = true;
    std::vector<QString> confirmations;
    QTemporaryDir dir;
    std::string path = dir.filePath(QStringLiteral("firmware.hex")).toStdString();
};

TEST_F(FirmwarePage, AnUpdateReachesTheBootLoaderAndEndsDisconnected) {
    updateWith({":10000000000102030405060708090A0B0C0D0E0F78", ":00000001FF"});
    ASSERT_EQ(confirmations.size(), 1u);
    EXPECT_EQ(confirmations[0],
              "Are you sure you want to start the process?|The firmware update can not be "
              "undone. Be sure what you are doing.");
    EXPECT_TRUE(hudUp());
    EXPECT_TRUE(page().updating());
    ASSERT_TRUE(dispatch.runUntilTrue([&] { return !page().updating(); }, 600.0));
    // A short note says it is done, and goes by itself.
    SPProgressHUD* hud = SPProgressHUD::instance();
    EXPECT_TRUE(hud->showingMessage());
    EXPECT_EQ(hud->status(), QStringLiteral("The firmware update is finished."));
    hud->expireMessage();
    EXPECT_FALSE(hudUp());
    EXPECT_DOUBLE_EQ(page().progress(), 1.0);
    EXPECT_EQ(lamp->bootLoader().completedUpdates(), 1);
    EXPECT_TRUE(alerts.empty());
    // Back to the connection page, the bar disconnected.
    EXPECT_FALSE(nav().connected());
    EXPECT_EQ(nav().currentController()->ident(), QStringLiteral("discover"));
    EXPECT_FALSE(nav().miFirmware()->isEnabled());
}

TEST_F(FirmwarePage, TheOverlaySaysWhichPageAndTheTimeLeft) {
    updateWith({":10000000000102030405060708090A0B0C0D0E0F78",
                ":10010000000102030405060708090A0B0C0D0E0F77",
                ":10020000000102030405060708090A0B0C0D0E0F76",
                ":10030000000102030405060708090A0B0C0D0E0F75", ":00000001FF"});
    std::vector<QString> seen;
    ASSERT_TRUE(dispatch.runUntilTrue(
        [&] {
            const QString text = page().progressText();
            if (!text.isEmpty() && (seen.empty() || seen.back() != text)) seen.push_back(text);
            return !page().updating();
        },
        600.0));
    // Opening the boot loader and each page take seconds: the time left is
    // known from the first page on, and the last one needs none.
    ASSERT_EQ(seen.size(), 4u);
    const char* const pages[] = {"Page 1 of 4 - 25 %", "Page 2 of 4 - 50 %", "Page 3 of 4 - 75 %"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(seen[i].startsWith(QString::fromUtf8(pages[i]) + QStringLiteral("\nAbout ")))
            << seen[i].toStdString();
        EXPECT_TRUE(seen[i].endsWith(QStringLiteral(" s left\nDo not turn off!")));
    }
    EXPECT_EQ(seen[3], QStringLiteral("Page 4 of 4 - 100 %\nDo not turn off!"));
    // Nothing offers to stop it.
    EXPECT_EQ(SPProgressHUD::instance()->cancelButton(), nullptr);
}

// While the boot loader is fed nothing else of the window answers: the
// page bar and the menu are out of reach, and closing asks first, keeping
// the update unless the user insists.
TEST_F(FirmwarePage, NothingInterruptsARunningUpdate) {
    std::vector<QString> asked;
    bool insist = false;
    const CloseGuard::AskFunction previous = CloseGuard::setAskFunction(
        [&](QWidget*, const QString& text, const QString& detail, const QString&, const QString&) {
            asked.push_back(text + " " + detail);
            return insist;
        });
    updateWith({":10000000000102030405060708090A0B0C0D0E0F78", ":00000001FF"});
    ASSERT_TRUE(page().updating());
    QMainWindow* window = delegate->window();
    QMenu* menu = window->menuBar()->actions().value(0)->menu();
    ASSERT_NE(menu, nullptr);
    // Of the menu only Quit is left, which asks.
    QStringList reachable;
    for (QAction* a : menu->actions()) {
        if (!a->isSeparator() && a->isEnabled()) reachable << a->text();
    }
    EXPECT_EQ(reachable, QStringList{"&Quit"});

    click(barButton("info"));
    click(nav().btnDiscover());
    EXPECT_EQ(nav().currentController(), &page());
    EXPECT_TRUE(nav().connected());

    EXPECT_FALSE(window->close());
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].contains("unusable"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(hudUp());

    // The user insists: the window closes.
    insist = true;
    EXPECT_TRUE(window->close());
    EXPECT_EQ(asked.size(), 2u);

    ASSERT_TRUE(dispatch.runUntilTrue([&] { return !page().updating(); }, 600.0));
    EXPECT_EQ(lamp->bootLoader().completedUpdates(), 1);
    // The clicks on the bar queued nothing between the boot loader's packets.
    EXPECT_TRUE(sentWith({0x91}).empty());
    EXPECT_TRUE(menu->actions().value(0)->isEnabled());
    CloseGuard::setAskFunction(previous);
}

// Without a file the start waits; declined, an update sends and shows nothing.
TEST_F(FirmwarePage, NoUpdateWithoutAFileOrTheUsersYes) {
    openWith({":0100000001FE", ":00000001FF"});
    EXPECT_TRUE(page().btnRun()->isEnabled());
    for (const char* text : {"", "   "}) {
        page().tfFile()->setText(QString::fromLatin1(text));
        EXPECT_FALSE(page().btnRun()->isEnabled()) << '"' << text << '"';
        click(page().btnRun());
        EXPECT_FALSE(page().updating());
    }
    EXPECT_TRUE(confirmations.empty());
    page().tfFile()->setText(QString::fromStdString(path));
    answerOk = false;
    click(page().btnRun());
    dispatch.runUntilIdle(60.0);
    EXPECT_EQ(confirmations.size(), 1u);
    EXPECT_FALSE(hudUp());
    EXPECT_TRUE(lamp->received().empty());
    EXPECT_TRUE(alerts.empty());
    EXPECT_TRUE(nav().connected());
}

struct BadFile {
    const char* name;
    std::vector<std::string> lines;
    // Instead of the file of `lines`: a device, or a pipe made in its place.
    const char* device = nullptr;
    bool pipe = false;
    const char* says = "";
};

class FirmwarePageRefuses : public FirmwarePage, public ::testing::WithParamInterface<BadFile> {};

TEST_P(FirmwarePageRefuses, WithTheFailureAlertAndNothingSent) {
    openWith(GetParam().lines);
    if (GetParam().device) page().tfFile()->setText(QString::fromUtf8(GetParam().device));
    if (GetParam().pipe) {
        std::remove(path.c_str());
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    }
    click(page().btnRun());
    ASSERT_TRUE(dispatch.runUntilTrue([&] { return !page().updating(); }, 60.0));
    EXPECT_FALSE(hudUp());
    EXPECT_TRUE(bootLoaderPackets().empty());
    ASSERT_FALSE(alerts.empty());
    EXPECT_TRUE(alerts.back().startsWith("Error loading Hex-File.")) << alerts.back().toStdString();
    EXPECT_TRUE(alerts.back().contains(QString::fromUtf8(GetParam().says)))
        << alerts.back().toStdString();
    // The page stays, the lamp stays connected.
    EXPECT_TRUE(nav().connected());
    EXPECT_EQ(nav().currentController(), &page());
}

INSTANTIATE_TEST_SUITE_P(
    Files, FirmwarePageRefuses,
    ::testing::Values(BadFile{"NoEndRecord", {":0100000001FE"}},
                      // Would be read without end, or wait for a writer forever.
                      BadFile{"EndlessDevice", {}, "/dev/zero", false, "no file"},
                      BadFile{"Pipe", {}, nullptr, true, "no file"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace aq::test
