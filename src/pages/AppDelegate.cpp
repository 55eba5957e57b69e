#include "pages/AppDelegate.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <memory>

#include "pages/AQConnectionController.h"
#include "pages/AQDayAdjustmentController.h"
#include "pages/AQFirmwareController.h"
#include "pages/AQInfoController.h"
#include "pages/AQLiveController.h"
#include "pages/AQMoonAdjustmentController.h"
#include "pages/AQNavigationController.h"
#include "pages/AQSettingsController.h"
#include "pages/AQWeatherController.h"
#include "pages/AboutDialogs.h"
#include "pages/ClockCare.h"
#include "pages/CloseGuard.h"
#include "pages/PageLook.h"
#include "platform/AppLog.h"
#include "widgets/AQButton.h"

namespace aq {

namespace {

// The window's content: never smaller than the content area, nor than the
// pages need for all their texts (longer in some languages). A hint rather
// than a fixed minimum, so the window's minimum grows with a page.
class ContentArea : public QWidget {
public:
    QSize minimumSizeHint() const override {
        return QWidget::minimumSizeHint().expandedTo(
            QSize(AppDelegate::kContentWidth, AppDelegate::kContentHeight));
    }
};

AQButton* pageButton(const QString& ident, const QString& title) {
    auto* button = new AQButton(title);
    button->setObjectName(ident);
    button->setToggleButton(true);
    button->setMinimumHeight(look::kButtonHeight);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    look::styleToggle(*button);
    return button;
}
}  // namespace

AppDelegate::AppDelegate() {
    // The look comes first: widgets made before it would take it only once
    // the event loop has run, after their first painting.
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        look::applyApplicationLook(*app);
        app->setQuitOnLastWindowClosed(applicationShouldTerminateAfterLastWindowClosed());
    }
    _window = std::make_unique<QMainWindow>();
    buildWindow();
}

AppDelegate::~AppDelegate() {
    // The navigation and the pages go before the window that holds their views.
    _navigationController.reset();
    _pages.reset();
}

void AppDelegate::buildWindow() {
    QMainWindow& window = *_window;
    window.setWindowTitle(QStringLiteral("aqlamp"));

    // The first menu's third item opens the firmware page.
    QMenu* appMenu = window.menuBar()->addMenu(QStringLiteral("&aqlamp"));
    QAction* about = appMenu->addAction(tr("&About aqlamp"));
    appMenu->addSeparator();
    QAction* firmware = appMenu->addAction(tr("&Firmware Update…"));
    appMenu->addSeparator();
    QAction* showLog = appMenu->addAction(tr("Show &Log"));
    showLog->setObjectName(QStringLiteral("showLogAction"));
    appMenu->addSeparator();
    QAction* quit = appMenu->addAction(tr("&Quit"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, &window, &QWidget::close);
    connect(about, &QAction::triggered, &window, [this] { showAboutDialog(_window.get()); });
    connect(showLog, &QAction::triggered, &window, [this] {
        showLogViewer(_window.get(), applicationLogPath(QStringLiteral("aqlamp")));
    });

    auto* content = new ContentArea;
    content->setObjectName(QStringLiteral("content"));
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    AQNavigationController::Outlets o;
    o.btnDiscover = pageButton(QStringLiteral("discover"), tr("Connect"));
    o.btnInfo = pageButton(QStringLiteral("info"), tr("Info"));
    o.btnSettings = pageButton(QStringLiteral("settings"), tr("Settings"));
    o.btnDayAdjustment = pageButton(QStringLiteral("dayadjustment"), tr("Day"));
    o.btnMoonAdjustment = pageButton(QStringLiteral("moonadjustment"), tr("Moon"));
    o.btnWeather = pageButton(QStringLiteral("weather"), tr("Weather"));
    o.btnLiveController = pageButton(QStringLiteral("livecontroller"), tr("Live"));
    auto* bar = new QWidget;
    bar->setObjectName(QStringLiteral("pageBar"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(look::kSpacing, look::kSpacing, look::kSpacing, look::kSpacing);
    row->setSpacing(8);
    AQButton* const order[] = {o.btnDiscover,      o.btnInfo,           o.btnSettings,
                               o.btnDayAdjustment, o.btnMoonAdjustment, o.btnWeather,
                               o.btnLiveController};
    for (AQButton* button : order) row->addWidget(button);
    column->addWidget(bar);

    _pages = std::make_unique<QObject>();
    QObject* pages = _pages.get();
    _ctlDiscover = new AQConnectionController(pages);
    _ctlInfo = new AQInfoController(pages);
    _ctlSettings = new AQSettingsController(pages);
    o.ctlDiscover = _ctlDiscover;
    o.ctlInfo = _ctlInfo;
    o.ctlSettings = _ctlSettings;
    auto* day = new AQDayAdjustmentController(pages);
    o.ctlDayAdjustment = day;
    o.ctlMoonAdjustment = new AQMoonAdjustmentController(pages);
    o.ctlWeather = new AQWeatherController(pages);
    o.ctlLiveController = new AQLiveController(pages);
    _ctlFirmware = new AQFirmwareController(pages);
    o.ctlFirmware = _ctlFirmware;

    o.tabView = new QStackedWidget;
    o.tabView->setObjectName(QStringLiteral("tabView"));
    for (AQController* page :
         {o.ctlDiscover, o.ctlInfo, o.ctlSettings, o.ctlDayAdjustment, o.ctlMoonAdjustment,
          o.ctlWeather, o.ctlLiveController, o.ctlFirmware}) {
        o.tabView->addWidget(page->view());
    }
    auto* clockNotice = new ClockNotice;
    column->addWidget(clockNotice);
    column->addWidget(o.tabView, 1);
    window.setCentralWidget(content);
    o.mainMenu = window.menuBar();

    _navigationController = std::make_unique<AQNavigationController>(o);
    AQNavigationController* navigation = _navigationController.get();
    for (AQButton* b : order) {
        connect(b, &QPushButton::clicked, navigation,
                [navigation, b] { navigation->buttonClicked(b); });
    }
    connect(firmware, &QAction::triggered, navigation,
            [navigation] { navigation->firmwareClicked(); });
    // The day chart's history.
    QMenu* edit = window.menuBar()->addMenu(tr("&Edit"));
    edit->addAction(day->undoAction());
    edit->addAction(day->redoAction());
    edit->addSeparator();
    edit->addAction(day->verifyAction());
    // Disconnecting during a day programme transfer asks first.
    navigation->setDisconnectGuard([day](std::function<void()> retry) {
        return day->stopTransferFirst(tr("Stop the transfer and disconnect?"), std::move(retry));
    });
    _ctlDiscover->setNavigationController(navigation);
    _ctlDiscover->setMainView(content);
    AQFirmwareController* updater = _ctlFirmware;
    _ctlDiscover->setLossReportedElsewhere([updater] { return updater->updating(); });
    _ctlDiscover->setAfterRunningWork([day](std::function<void()> fn) { day->whenIdle(std::move(fn)); });
    _ctlFirmware->setNavigationController(navigation);
    _ctlFirmware->setMainView(content);
    // A lamp whose clock is off is pointed out once per connection.
    connect(navigation, &AQNavigationController::connectedChanged, clockNotice,
            [clockNotice](bool on) { on ? clockNotice->arm() : clockNotice->disarm(); });
    connect(_ctlInfo, &AQInfoController::lampClockRead, clockNotice, &ClockNotice::clockRead);
    AQInfoController* info = _ctlInfo;
    connect(clockNotice, &ClockNotice::setClockPressed, info,
            [info] { info->setToComputerTime(); });
    _clockNotice = clockNotice;
    guardFirmwareUpdate(quit);
}

void AppDelegate::guardFirmwareUpdate(QAction* quit) {
    // A firmware update broken off may leave the lamp without working
    // firmware: while it runs nothing else of the window answers, and
    // closing asks first, keeping the update by default.
    QMainWindow* window = _window.get();
    AQFirmwareController* firmware = _ctlFirmware;
    AQNavigationController* navigation = _navigationController.get();
    _closeGuard = new CloseGuard(window, quit, this);
    CloseGuard* guard = _closeGuard;
    // Every menu item but Quit is put out of reach; a disabled menu bar
    // would take Quit's shortcut with it.
    auto disabled = std::make_shared<QList<QPointer<QAction>>>();
    connect(firmware, &AQFirmwareController::updatingChanged, guard,
            [window, guard, quit, disabled](bool on) {
                guard->setBlocking(on);
                if (!on) {
                    for (const QPointer<QAction>& a : *disabled) {
                        if (a) a->setEnabled(true);
                    }
                    disabled->clear();
                    return;
                }
                for (QAction* top : window->menuBar()->actions()) {
                    const QList<QAction*> items =
                        top->menu() ? top->menu()->actions() : QList<QAction*>{top};
                    for (QAction* a : items) {
                        if (a == quit || a->isSeparator() || !a->isEnabled()) continue;
                        a->setEnabled(false);
                        disabled->append(a);
                    }
                }
            });
    guard->addCheck([window, firmware] {
        if (!firmware->updating()) return true;
        return CloseGuard::ask(
            window, tr("The firmware update is still running."),
            tr("If you quit now, the lamp may be left unusable until its firmware is updated "
               "again."),
            tr("Quit Anyway"), tr("Keep Updating"));
    });
    guard->setBeforeClose([firmware, navigation] {
        if (!firmware->updating()) navigation->leaveForQuit();
    });
}

void AppDelegate::applicationDidFinishLaunching() {
    _navigationController->customInit();
    QMainWindow& window = *_window;
    const int menuHeight = window.menuBar()->sizeHint().height();
    window.resize(kContentWidth, kContentHeight + menuHeight);
    // Shown first: only a shown window knows the frame it is centred by.
    window.show();
    centreWindow();
    window.update();
}

void AppDelegate::centreWindow() {
    QMainWindow& window = *_window;
    // Centred within the part of its screen that windows may use, on
    // whichever screen it is; without a screen it stays at the origin.
    QScreen* screen = window.screen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    const QRect frame = window.frameGeometry();
    const QPoint origin = screen ? area.topLeft() + QPoint((area.width() - frame.width()) / 2,
                                                           (area.height() - frame.height()) / 2)
                                 : QPoint(0, 0);
    window.move(origin);
}

}  // namespace aq
