#include "widgets/SPActivityIndicator.h"
#include "widgets/SPProgressHUD.h"
#include "widgets/SPProgressIndicator.h"

#include "WidgetTestSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace aq {
namespace {

using test::near;

TEST(SPProgressHUDLayout, PopupSizesAndFrames) {
    struct Case {
        const char* what;
        double textWidth, textHeight;
        bool hasText;
        QSizeF indicator;
        QSizeF popup;
        QRectF indicatorFrame;
        double labelHeight;
    };
    const double third = 10.0 / 3;
    const Case cases[] = {
        {"empty text", 5, 0, false, {40, 40}, {60, 60}, {10, 10, 40, 40}, 0},
        // Two lines of 15: label 38 high; 10 + P/3 above the indicator.
        {"two lines",
         120,
         30,
         true,
         {40, 40},
         {140, 38 + 10 + third + 40 + 10 + third},
         {50, 10 + third, 40, 40},
         38},
        {"narrow text takes the indicator's width",
         12,
         15,
         true,
         {40, 40},
         {60, 23 + 10 + third + 40 + 10 + third},
         {10, 10 + third, 40, 40},
         23},
        {"long text: width 230, height capped at 125",
         2000,
         400,
         true,
         {40, 40},
         {250, 125 + 10 + third + 40 + 10 + third},
         {105, 10 + third, 40, 40},
         125},
        {"an indicator too tall for any label",
         100,
         30,
         true,
         {40, 200},
         {120, 200 + 10 + 10},
         {40, 10, 40, 200},
         0},
    };
    for (const Case& c : cases) {
        const auto l =
            SPProgressHUD::layoutFor(c.textWidth, c.textHeight, c.hasText, 10, c.indicator);
        SCOPED_TRACE(c.what);
        EXPECT_NEAR(l.popupSize.width(), c.popup.width(), 1e-4);
        EXPECT_NEAR(l.popupSize.height(), c.popup.height(), 1e-4);
        EXPECT_NEAR(l.indicatorFrame.x(), c.indicatorFrame.x(), 1e-4);
        EXPECT_NEAR(l.indicatorFrame.y(), c.indicatorFrame.y(), 1e-4);
        EXPECT_EQ(l.indicatorFrame.size(), c.indicatorFrame.size());
        EXPECT_NEAR(l.labelFrame.height(), c.labelHeight, 1e-4);
        // The label sits P above the bottom edge, the indicator P/3 above it.
        if (c.labelHeight > 0) {
            EXPECT_NEAR(l.popupSize.height() - l.labelFrame.bottom(), 10, 1e-4);
            EXPECT_NEAR(l.labelFrame.top() - l.indicatorFrame.bottom(), third, 1e-4);
        }
    }
}

void sendClick(QWidget& window, QPoint pos) {
    // As the window system does: the click goes to the topmost widget there.
    QWidget* target = window.childAt(pos);
    if (!target) target = &window;
    const QPointF local = target->mapFrom(&window, QPointF(pos));
    const QPointF global = window.mapToGlobal(QPointF(pos));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

void sendSpace(QWidget& w) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(&w, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(&w, &release);
}

class HudTest : public testing::Test {
protected:
    void SetUp() override {
        page = std::make_unique<QWidget>();
        page->resize(400, 300);
        QPalette palette;
        palette.setColor(QPalette::Window, Qt::white);
        page->setPalette(palette);
        page->setAutoFillBackground(true);
        button = new QPushButton(QStringLiteral("Go"), page.get());
        button->setGeometry(10, 10, 80, 30);
        QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
        page->show();
    }
    void TearDown() override {
        SPProgressHUD* h = hud();
        if (h->displaying()) {
            SPProgressHUD::dismiss();
            h->finishAnimations();
        }
        h->setKeepActivityCount(false);
        h->setActionsEnabled(false);
        h->setAnimationDuration(150);
        page.reset();
    }
    static SPProgressHUD* hud() { return SPProgressHUD::instance(); }
    void showSettled(const QString& text) {
        SPProgressHUD::showStatus(text, page.get());
        hud()->finishAnimations();
    }

    std::unique_ptr<QWidget> page;
    QPushButton* button = nullptr;
    int clicks = 0;
};

TEST_F(HudTest, LabelHeightFollowsTheWrappedText) {
    const QFont font = hud()->labelFont();
    const double oneLine =
        SPProgressHUD::measureText(QStringLiteral("Please wait."), font, 230).height();
    const QString two = QStringLiteral("Please wait.\nDo not turn off!");
    const double twoLines = SPProgressHUD::measureText(two, font, 230).height();
    EXPECT_GT(twoLines, 1.8 * oneLine);
    showSettled(two);
    EXPECT_NEAR(hud()->labelFrame().height(), twoLines + 8, 1e-3);
    EXPECT_NEAR(hud()->pSize().height() - hud()->indicatorFrame().bottom(),
                10 + (twoLines + 8) + 10.0 / 3, 1e-3);

    const QString longText = QStringLiteral("A status that goes on and on. ").repeated(20);
    EXPECT_GT(SPProgressHUD::measureText(longText, font, 230).height(), 125);
    SPProgressHUD::showStatus(longText, page.get());
    EXPECT_DOUBLE_EQ(hud()->labelFrame().height(), 125);
    EXPECT_DOUBLE_EQ(hud()->pSize().width(), 250);
}

TEST_F(HudTest, ShowAnimatesInFromThreeQuarters) {
    SPProgressHUD::showStatus(QStringLiteral("Hello"), page.get());
    EXPECT_TRUE(hud()->displaying());
    EXPECT_TRUE(hud()->animatingShow());
    EXPECT_EQ(hud()->parentView(), page.get());
    EXPECT_DOUBLE_EQ(hud()->popupOpacity(), 0.0);
    EXPECT_NEAR(hud()->popupFrame().width(), hud()->pSize().width() * 0.75, 1e-9);
    hud()->finishAnimations();
    EXPECT_FALSE(hud()->animatingShow());
    EXPECT_DOUBLE_EQ(hud()->popupOpacity(), 0.9);
    EXPECT_EQ(hud()->popupFrame().size(), hud()->pSize());
    EXPECT_EQ(hud()->popupFrame().center(), QPointF(200, 150));
    EXPECT_TRUE(hud()->activityIndicator()->isAnimating());
}

TEST_F(HudTest, DismissAnimatesOutAndTakesEverythingAway) {
    showSettled(QString());
    SPProgressHUD::dismiss();
    EXPECT_TRUE(hud()->displaying());
    EXPECT_TRUE(hud()->animatingShow());
    hud()->finishAnimations();
    EXPECT_FALSE(hud()->displaying());
    EXPECT_FALSE(hud()->animatingShow());
    EXPECT_EQ(hud()->parentView(), nullptr);
    EXPECT_FALSE(hud()->isVisible());
    EXPECT_EQ(page->childAt(200, 150), nullptr) << "no mask left on the page";
    EXPECT_TRUE(hud()->activityIndicator()->isFadingOut());
}

TEST_F(HudTest, ZeroDurationShowsAndHidesAtOnce) {
    hud()->setAnimationDuration(0);
    SPProgressHUD::showStatus(QString(), page.get());
    EXPECT_FALSE(hud()->animatingShow());
    EXPECT_DOUBLE_EQ(hud()->popupOpacity(), 0.9);
    SPProgressHUD::dismiss();
    EXPECT_FALSE(hud()->displaying());
}

TEST_F(HudTest, DismissIgnoresTheCountUnlessAskedToKeepIt) {
    const quint64 before = hud()->activityCount();
    SPProgressHUD::showStatus(QString(), page.get());
    SPProgressHUD::showStatus(QString(), page.get());
    EXPECT_EQ(hud()->activityCount(), before + 2);
    SPProgressHUD::dismiss();
    hud()->finishAnimations();
    EXPECT_FALSE(hud()->displaying());
    EXPECT_EQ(hud()->activityCount(), before + 2);
}

TEST_F(HudTest, KeptCountHidesOnTheLastPop) {
    // Bring the count to zero first; extra pops must leave it there.
    for (quint64 n = hud()->activityCount() + 2; n > 0; --n) SPProgressHUD::popActivity();
    hud()->finishAnimations();
    EXPECT_EQ(hud()->activityCount(), 0u);

    hud()->setKeepActivityCount(true);
    SPProgressHUD::showStatus(QString(), page.get());
    SPProgressHUD::showStatus(QString(), page.get());
    hud()->finishAnimations();
    SPProgressHUD::dismiss();
    hud()->finishAnimations();
    EXPECT_TRUE(hud()->displaying());
    EXPECT_EQ(hud()->activityCount(), 1u);
    SPProgressHUD::dismiss();
    hud()->finishAnimations();
    EXPECT_FALSE(hud()->displaying());
    EXPECT_EQ(hud()->activityCount(), 0u);
    SPProgressHUD::popActivity();
    EXPECT_EQ(hud()->activityCount(), 0u);
}

TEST_F(HudTest, ShowDuringTheHideKeepsTheHud) {
    showSettled(QStringLiteral("one"));
    SPProgressHUD::dismiss();
    SPProgressHUD::showStatus(QStringLiteral("two"), page.get());
    EXPECT_TRUE(hud()->displaying());
    EXPECT_FALSE(hud()->animatingShow());
    EXPECT_DOUBLE_EQ(hud()->popupOpacity(), 0.9);
    EXPECT_DOUBLE_EQ(hud()->contentOpacity(), 1.0);
    hud()->finishAnimations();  // whatever the hide had left to do
    EXPECT_TRUE(hud()->displaying());
    EXPECT_TRUE(hud()->isVisible());
    EXPECT_EQ(hud()->status(), QStringLiteral("two"));
}

TEST_F(HudTest, ClicksReachTheCoveredControlsOnlyWithActionsEnabled) {
    struct Case {
        bool actionsEnabled;
        int clicks;
    };
    for (const Case& c : {Case{false, 0}, Case{true, 1}}) {
        clicks = 0;
        hud()->setActionsEnabled(c.actionsEnabled);
        showSettled(QString());
        sendClick(*page, QPoint(50, 25));
        sendClick(*page, QPoint(200, 150));
        EXPECT_EQ(clicks, c.clicks) << "actions enabled " << c.actionsEnabled;
        SPProgressHUD::dismiss();
        hud()->finishAnimations();
    }
    clicks = 0;
    sendClick(*page, QPoint(50, 25));
    EXPECT_EQ(clicks, 1) << "the page works again once the HUD is gone";
}

TEST_F(HudTest, TheCancelButtonRunsItsActionOnceAndGoesWithTheHud) {
    hud()->setAnimationDuration(0);
    showSettled(QStringLiteral("Working"));
    const double plainHeight = hud()->pSize().height();
    int cancels = 0;
    SPProgressHUD::setCancelAction(QStringLiteral("Cancel"), [&] { ++cancels; });
    QPushButton* cancel = hud()->cancelButton();
    ASSERT_NE(cancel, nullptr);
    EXPECT_GT(hud()->pSize().height(), plainHeight + cancel->height() - 1);
    EXPECT_TRUE(cancel->parentWidget()->rect().contains(cancel->geometry())) << "inside the popup";
    // Clicked where the window system would deliver it; twice, but it runs once.
    const QPoint centre = cancel->mapTo(page.get(), cancel->rect().center());
    sendClick(*page, centre);
    sendClick(*page, centre);
    sendClick(*page, QPoint(50, 25));
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(clicks, 0) << "the covered controls stay blocked";
    // Escape does the same; the progress text changes in place.
    SPProgressHUD::setCancelAction(QStringLiteral("Cancel"), [&] { ++cancels; });
    SPProgressHUD::setStatus(QStringLiteral("Working - 2 of 9"));
    EXPECT_EQ(hud()->status(), QStringLiteral("Working - 2 of 9"));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(button, &escape);
    EXPECT_EQ(cancels, 2);
    SPProgressHUD::dismiss();
    EXPECT_EQ(hud()->cancelButton(), nullptr);
    showSettled(QStringLiteral("Again"));
    EXPECT_EQ(hud()->cancelButton(), nullptr) << "a new showing has no button of its own";
}

TEST_F(HudTest, AMessageBlocksNothingAndFadesAway) {
    hud()->setAnimationDuration(0);
    SPProgressHUD::showMessage(QStringLiteral("Uploaded to 3 lamps."), page.get());
    EXPECT_TRUE(hud()->displaying());
    EXPECT_TRUE(hud()->showingMessage());
    EXPECT_EQ(hud()->status(), QStringLiteral("Uploaded to 3 lamps."));
    EXPECT_FALSE(hud()->activityIndicator()->isVisible());
    sendClick(*page, QPoint(50, 25));
    EXPECT_EQ(clicks, 1);
    // Progress text does not overwrite a note; work that starts replaces it.
    SPProgressHUD::setStatus(QStringLiteral("3 of 9"));
    EXPECT_EQ(hud()->status(), QStringLiteral("Uploaded to 3 lamps."));
    hud()->expireMessage();
    EXPECT_FALSE(hud()->displaying());
    SPProgressHUD::showMessage(QStringLiteral("Done."), page.get());
    showSettled(QStringLiteral("Working"));
    EXPECT_FALSE(hud()->showingMessage());
    sendClick(*page, QPoint(50, 25));
    EXPECT_EQ(clicks, 1) << "blocking again";
}

TEST_F(HudTest, KeysDoNotReachTheCoveredControls) {
    showSettled(QString());
    sendSpace(*button);
    EXPECT_EQ(clicks, 0);
    SPProgressHUD::dismiss();
    hud()->finishAnimations();
    sendSpace(*button);
    EXPECT_EQ(clicks, 1);
}

TEST_F(HudTest, WorkersCallsArriveOnTheGuiThread) {
    QWidget* view = page.get();
    std::thread worker([view] { SPProgressHUD::showStatus(QStringLiteral("busy"), view); });
    worker.join();
    EXPECT_FALSE(hud()->displaying()) << "nothing happens on the worker itself";
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(hud()->displaying());
    EXPECT_EQ(hud()->status(), QStringLiteral("busy"));
    hud()->finishAnimations();

    std::thread finisher([] { SPProgressHUD::dismiss(); });
    finisher.join();
    QCoreApplication::sendPostedEvents();
    hud()->finishAnimations();
    EXPECT_FALSE(hud()->displaying());
}

TEST_F(HudTest, FollowsTheViewWhenItIsResized) {
    showSettled(QString());
    page->resize(600, 500);
    EXPECT_EQ(hud()->geometry(), QRect(0, 0, 600, 500));
    EXPECT_EQ(hud()->popupFrame(), QRectF(270, 220, 60, 60));
}

TEST_F(HudTest, MovesWhenShownOverAnotherView) {
    showSettled(QStringLiteral("first"));
    QWidget other(page.get());
    other.setGeometry(0, 100, 200, 100);
    other.show();
    SPProgressHUD::showStatus(QStringLiteral("second"), &other);
    EXPECT_EQ(hud()->parentWidget(), &other);
    EXPECT_EQ(hud()->geometry(), QRect(0, 0, 200, 100));
    SPProgressHUD::dismiss();
    hud()->finishAnimations();
    EXPECT_FALSE(hud()->displaying());
}

TEST_F(HudTest, SurvivesTheCoveredViewBeingDestroyed) {
    auto doomed = std::make_unique<QWidget>();
    doomed->resize(100, 100);
    SPProgressHUD::showStatus(QString(), doomed.get());
    doomed.reset();
    // A fresh HUD serves the next caller.
    showSettled(QStringLiteral("again"));
    EXPECT_TRUE(hud()->displaying());
    EXPECT_EQ(hud()->parentView(), page.get());
}

TEST_F(HudTest, ProgressShowsTheRingAndHidingClearsIt) {
    SPProgressHUD::showProgress(0.5, QString(), page.get());
    hud()->finishAnimations();
    EXPECT_TRUE(hud()->progressIndicator()->isVisibleTo(page.get()));
    EXPECT_FALSE(hud()->activityIndicator()->isVisibleTo(page.get()));
    EXPECT_DOUBLE_EQ(hud()->progressIndicator()->strokeEnd(), 0.5);
    EXPECT_DOUBLE_EQ(hud()->progressIndicator()->ringThickness(), 6);
    EXPECT_DOUBLE_EQ(hud()->progressIndicator()->ringRadius(), 14);
    SPProgressHUD::dismiss();
    EXPECT_FALSE(hud()->progressIndicator()->ringsShown());
}

TEST_F(HudTest, DimsTheViewAndDrawsTheDarkPopup) {
    showSettled(QString());
    QImage image = page->grab().toImage();
    EXPECT_TRUE(near(image.pixelColor(300, 250), QColor(153, 153, 153), 4)) << "black at 0.4";
    // Inside the popup, clear of the spinner: 0.05 gray at 0.9 × 0.9 over the dimming.
    EXPECT_TRUE(near(image.pixelColor(176, 126), QColor(40, 40, 40), 8));
    SPProgressHUD::dismiss();
    hud()->finishAnimations();
    image = page->grab().toImage();
    EXPECT_TRUE(near(image.pixelColor(300, 250), Qt::white, 0));
    EXPECT_TRUE(near(image.pixelColor(176, 126), Qt::white, 0));
}

}  // namespace
}  // namespace aq
