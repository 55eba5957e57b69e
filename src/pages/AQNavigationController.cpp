#include "pages/AQNavigationController.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>

#include "link/BTLEController.h"
#include "link/Log.h"
#include "pages/Alerts.h"
#include "session/GlobalStore.h"
#include "widgets/AQButton.h"

namespace aq {

namespace {
const QString kDiscover = QStringLiteral("discover");
const QString kInfo = QStringLiteral("info");
const QString kFirmware = QStringLiteral("firmwareupdatecontroller");
constexpr int kFirmwareItem = 2;

// The placeholders the store holds until a lamp reports its own channels.
// The names and colours are paired as the lamp family has always shown them.
struct DefaultChannel {
    const char* name;
    Color color;
};
constexpr DefaultChannel kDefaultChannels[] = {
    {"Royal Blue", {1.0, 0.0, 0.0, 1.0}}, {"Red", {0.0, 1.0, 0.0, 1.0}},
    {"Moonlight", {0.0, 0.0, 1.0, 1.0}},  {"Navy Blue", {1.0, 1.0, 0.0, 1.0}},
    {"White", {0.5, 0.0, 0.5, 1.0}},      {"Purple", {1.0, 0.5, 0.0, 1.0}},
};
}  // namespace

AQNavigationController::AQNavigationController(const Outlets& outlets, QObject* parent)
    : AQController(QString(), parent), _outlets(outlets) {}

void AQNavigationController::customInit() {
    _currentController = nullptr;
    _buttons = {_outlets.btnDiscover,      _outlets.btnInfo,           _outlets.btnSettings,
                _outlets.btnDayAdjustment, _outlets.btnMoonAdjustment, _outlets.btnWeather,
                _outlets.btnLiveController};
    _buttons.removeAll(nullptr);
    _controller = {_outlets.ctlDiscover,       _outlets.ctlInfo,           _outlets.ctlSettings,
                   _outlets.ctlDayAdjustment,  _outlets.ctlMoonAdjustment, _outlets.ctlWeather,
                   _outlets.ctlLiveController, _outlets.ctlFirmware};
    _controller.removeAll(nullptr);

    for (const DefaultChannel& channel : kDefaultChannels) {
        GlobalStore::channelAdd(channel.name, channel.color);
    }

    _miFirmware = nullptr;
    if (_outlets.mainMenu && !_outlets.mainMenu->actions().isEmpty()) {
        if (QMenu* first = _outlets.mainMenu->actions().constFirst()->menu()) {
            const QList<QAction*> items = first->actions();
            if (items.size() > kFirmwareItem) _miFirmware = items.at(kFirmwareItem);
        }
    }
    setDisconnected();
}

void AQNavigationController::switchTo(const QString& ident) {
    if (_connected && ident == kDiscover && _disconnectGuard && !_disconnectGuard([this] {
            if (_connected) switchTo(kDiscover);
        })) {
        // The page stays; its button shows the page that is still current.
        if (_currentController) switchButtonsTo(_currentController->ident());
        return;
    }
    if (_currentController) {
        _currentController->onLeave();
        _currentController = nullptr;
    }
    if (_connected && ident == kDiscover) {
        // Disconnect: the bar goes back and the connection page is entered
        // before the link is dropped.
        if (_outlets.btnDiscover) _outlets.btnDiscover->setText(tr("Connect"));
        setDisconnected();
        BTLEController& lamp = GlobalStore::sharedInstance().btController();
        // What the page sent on leaving (the live page's return to normal
        // operation) reaches the lamp before the link goes.
        const bool sent = lamp.waitUntilSent(kLeaveSeconds);
        lamp.disconnect();
        if (!sent) tellLeaveUnsent();
        return;
    }
    for (AQController* page : _controller) {
        if (page->ident() == ident) {
            _currentController = page;
            page->onEnter();
            break;
        }
    }
    switchButtonsTo(ident);
    selectView(ident);
    focusPage();
}

void AQNavigationController::focusPage() {
    // The page stack hands the focus to the new page's first control, and a
    // stray key there would change the lamp: the page itself takes it.
    QWidget* page = _currentController ? _currentController->view() : nullptr;
    if (!page) return;
    if (page->focusPolicy() == Qt::NoFocus) page->setFocusPolicy(Qt::ClickFocus);
    page->setFocus(Qt::OtherFocusReason);
}

void AQNavigationController::leaveForQuit() {
    if (!_connected || !_currentController) return;
    _currentController->onLeave();
    _currentController = nullptr;
    if (!GlobalStore::sharedInstance().btController().waitUntilSent(kLeaveSeconds)) {
        logLine("the page's last commands did not reach the lamp before quitting");
    }
}

void AQNavigationController::tellLeaveUnsent() {
    logLine("the page's last commands did not reach the lamp before the link was closed");
    showAlert(_outlets.tabView, tr("Disconnected"),
              tr("The lamp did not confirm the last commands before the link was closed: it may "
                 "still be in live mode. Connect again and leave the Live page, or switch the "
                 "lamp off and on."));
}

void AQNavigationController::switchButtonsTo(const QString& ident) {
    for (AQButton* button : _buttons) button->setChecked(button->objectName() == ident);
}

void AQNavigationController::setConnected() {
    switchTo(kInfo);
    if (_outlets.btnDiscover) _outlets.btnDiscover->setText(tr("Disconnect"));
    if (_miFirmware) _miFirmware->setEnabled(true);
    for (AQButton* button : _buttons) button->setEnabled(true);
    _connected = true;
    emit connectedChanged(true);
}

void AQNavigationController::setDisconnected() {
    if (_outlets.btnDiscover) _outlets.btnDiscover->setText(tr("Connect"));
    if (_miFirmware) _miFirmware->setEnabled(false);
    for (AQButton* button : _buttons) {
        if (button->objectName() != kDiscover) button->setEnabled(false);
    }
    _connected = false;
    switchTo(kDiscover);
    emit connectedChanged(false);
}

void AQNavigationController::buttonClicked(AQButton* sender) {
    if (sender) switchTo(sender->objectName());
}

void AQNavigationController::firmwareClicked() {
    switchTo(kFirmware);
}

void AQNavigationController::selectView(const QString& ident) {
    QStackedWidget* stack = _outlets.tabView;
    if (!stack) return;
    for (int i = 0; i < stack->count(); ++i) {
        if (stack->widget(i)->objectName() == ident) {
            stack->setCurrentIndex(i);
            return;
        }
    }
}

}  // namespace aq
