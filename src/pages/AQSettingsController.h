#pragma once

#include <cstdint>
#include <string>

#include "pages/AQController.h"

class QLabel;
class QLineEdit;

namespace aq {

class AQButton;

// The lamp's name and its demonstration mode. Every entry reads the name,
// the mode and the demo-loop flag; a rename records the name the lamp then
// reports, so the connection page lists the lamp under it.
class AQSettingsController : public AQController {
    Q_OBJECT
public:
    // Operating modes as this page sets them.
    static constexpr unsigned kModeNormal = 0;
    static constexpr unsigned kModeDemo = 3;

    explicit AQSettingsController(QObject* parent = nullptr);

    void onEnter() override;

    void applyName();
    void toggleDemo(bool on);
    void toggleDemoLoop(bool on);

    QLineEdit* tfName() const { return _tfName; }
    // How many of the name's characters are used: "12/24".
    QLabel* lbNameLength() const { return _lbNameLength; }
    AQButton* btnApplyName() const { return _btnApplyName; }
    AQButton* chbDemo() const { return _chbDemo; }
    AQButton* chbDemoLoop() const { return _chbDemoLoop; }

private:
    // How often, and how long at most, a rename waits for the link to be idle.
    static constexpr double kIdlePoll = 0.05;
    static constexpr double kIdleWait = 6.0;

    void buildView();
    void renameWhenLinkIdle(const std::string& name, double giveUpAt);
    void readMode(std::uint64_t entry);
    void readDemoLoop(std::uint64_t entry);

    QLineEdit* _tfName = nullptr;
    QLabel* _lbNameLength = nullptr;
    AQButton* _btnApplyName = nullptr;
    AQButton* _chbDemo = nullptr;
    AQButton* _chbDemoLoop = nullptr;
    std::uint64_t _entry = 0;
};

}  // namespace aq
