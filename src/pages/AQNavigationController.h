#pragma once

#include <QList>
#include <QString>

#include <functional>

#include "pages/AQController.h"

class QAction;
class QMenuBar;
class QStackedWidget;

namespace aq {

class AQButton;

// Switches between the pages: leaves the current page, enters the new one,
// marks its button and shows its view; and swaps the page bar between its
// disconnected state (only the connection page reachable) and its connected
// state.
class AQNavigationController : public AQController {
    Q_OBJECT
public:
    // What the window supplies. Buttons and page views carry their page's
    // identifier as their object name.
    struct Outlets {
        AQButton* btnDiscover = nullptr;
        AQButton* btnInfo = nullptr;
        AQButton* btnSettings = nullptr;
        AQButton* btnDayAdjustment = nullptr;
        AQButton* btnMoonAdjustment = nullptr;
        AQButton* btnWeather = nullptr;
        AQButton* btnLiveController = nullptr;
        AQController* ctlDiscover = nullptr;
        AQController* ctlInfo = nullptr;
        AQController* ctlSettings = nullptr;
        AQController* ctlDayAdjustment = nullptr;
        AQController* ctlMoonAdjustment = nullptr;
        AQController* ctlWeather = nullptr;
        AQController* ctlLiveController = nullptr;
        AQController* ctlFirmware = nullptr;
        QStackedWidget* tabView = nullptr;
        // Its first menu's third item opens the firmware page.
        QMenuBar* mainMenu = nullptr;
    };

    // How long leaving a page for Disconnect or quitting waits for what the
    // page sent to reach the lamp.
    static constexpr double kLeaveSeconds = 3.0;

    explicit AQNavigationController(const Outlets& outlets, QObject* parent = nullptr);

    // One-time set-up at start-up: the button and page lists, the store's
    // placeholder channels, the firmware item, then the disconnected state.
    void customInit();

    // The single way to change pages. "discover" while connected means the
    // user pressed Disconnect.
    void switchTo(const QString& ident);
    void switchButtonsTo(const QString& ident);
    void setConnected();
    void setDisconnected();

    // The application is quitting: the current page is left and what it
    // sends on leaving given time to reach the lamp.
    void leaveForQuit();
    // The left page's last commands were still unanswered when the link was
    // closed: says so, and what to do.
    void tellLeaveUnsent();
    // Asked before Disconnect; false holds it back, and the guard may
    // disconnect later through `retry`.
    using DisconnectGuard = std::function<bool(std::function<void()> retry)>;
    void setDisconnectGuard(DisconnectGuard guard) { _disconnectGuard = std::move(guard); }

    void buttonClicked(AQButton* sender);
    void firmwareClicked();

    AQController* currentController() const { return _currentController; }
    bool connected() const { return _connected; }
    const QList<AQButton*>& buttons() const { return _buttons; }
    const QList<AQController*>& controller() const { return _controller; }
    QAction* miFirmware() const { return _miFirmware; }
    AQButton* btnDiscover() const { return _outlets.btnDiscover; }
    QStackedWidget* tabView() const { return _outlets.tabView; }

signals:
    // The bar went to its connected (true) or disconnected state.
    void connectedChanged(bool connected);

private:
    void selectView(const QString& ident);
    void focusPage();

    const Outlets _outlets;
    QAction* _miFirmware = nullptr;
    AQController* _currentController = nullptr;
    QList<AQButton*> _buttons;
    QList<AQController*> _controller;
    bool _connected = false;
    DisconnectGuard _disconnectGuard;
};

}  // namespace aq
