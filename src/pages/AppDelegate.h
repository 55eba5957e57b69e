#pragma once

#include <QObject>

#include <memory>

class QAction;
class QMainWindow;

namespace aq {

class AQButton;
class ClockNotice;
class CloseGuard;
class AQConnectionController;
class AQController;
class AQFirmwareController;
class AQInfoController;
class AQNavigationController;
class AQSettingsController;

// Builds the application's one window (the menu, the page bar, the stack of
// page views), the navigation and the eight page controllers, and starts
// them. The store must be configured before it is made.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    // The window's content area.
    static constexpr int kContentWidth = 850;
    static constexpr int kContentHeight = 600;

    AppDelegate();
    ~AppDelegate() override;

    // Sets up the navigation (which enters the connection page), sizes the
    // window's content, centres it on its screen and shows it.
    void applicationDidFinishLaunching();
    // The lamp link is left as it is at exit.
    void applicationWillTerminate() {}
    bool applicationShouldTerminateAfterLastWindowClosed() const { return true; }

    AQNavigationController* navigationController() const { return _navigationController.get(); }
    QMainWindow* window() const { return _window.get(); }
    AQConnectionController* connectionController() const { return _ctlDiscover; }
    AQInfoController* infoController() const { return _ctlInfo; }
    AQSettingsController* settingsController() const { return _ctlSettings; }
    AQFirmwareController* firmwareController() const { return _ctlFirmware; }
    CloseGuard* closeGuard() const { return _closeGuard; }
    ClockNotice* clockNotice() const { return _clockNotice; }

private:
    void buildWindow();
    void centreWindow();
    void guardFirmwareUpdate(QAction* quit);

    std::unique_ptr<QMainWindow> _window;
    // The page controllers; each one's view lives in the window's page stack.
    std::unique_ptr<QObject> _pages;
    AQConnectionController* _ctlDiscover = nullptr;
    AQInfoController* _ctlInfo = nullptr;
    AQSettingsController* _ctlSettings = nullptr;
    AQFirmwareController* _ctlFirmware = nullptr;
    CloseGuard* _closeGuard = nullptr;
    ClockNotice* _clockNotice = nullptr;
    std::unique_ptr<AQNavigationController> _navigationController;
};

}  // namespace aq
