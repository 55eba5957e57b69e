#include "widgets/SPActivityIndicator.h"
#include "widgets/SPProgressHUD.h"
#include "widgets/SPProgressIndicator.h"

#include "WidgetTestSupport.h"

#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace aq {
namespace {

using test::click;
using test::near;

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
        h->setIndicatorSize(QSizeF(40, 40));
        page.reset();
    }
    static SPProgressHUD* hud() { return SPProgressHUD::instance(); }
    void showSettled(const QString& text, QWidget* view = nullptr) {
        SPProgressHUD::showStatus(text, view ? view : page.get());
        hud()->finishAnimations();
    }
    void dismissSettled() {
        SPProgressHUD::dismiss();
        hud()->finishAnimations();
    }
    // Clicks on the page's button and presses space on it.
    void workTheButton() {
        click(*page, QPoint(50, 25));
        test::key(*button, Qt::Key_Space, QStringLiteral(" "));
    }

    std::unique_ptr<QWidget> page;
    QPushButton* button = nullptr;
    int clicks = 0;
};

// Whatever the text and the indicator, the parts lie inside a popup inside
// the view, the label under the centred indicator, and a text that fits is
// given all the room it measured.
TEST_F(HudTest, PartsStayInsideThePopupAndTextIsNotCut) {
    const QString two = QStringLiteral("Please wait.\nDo not turn off!");
    const QFont font = hud()->labelFont();
    EXPECT_GT(SPProgressHUD::measureText(two, font, 230).height(),
              1.8 * SPProgressHUD::measureText(QStringLiteral("Please wait."), font, 230).height());
    struct Case {
        const char* what;
        QString text;
        QSizeF indicator;
        bool cut;  // the text is taller than a popup may grow
    };
    const Case cases[] = {
        {"no text", QString(), {40, 40}, false},
        {"text narrower than the indicator", QStringLiteral("Hi"), {40, 40}, false},
        {"two lines", two, {40, 40}, false},
        {"long text",
         QStringLiteral("A status that goes on and on. ").repeated(20),
         {40, 40},
         true},
        // The label shrinks to nothing, never below.
        {"an indicator too tall for any label", two, {40, 200}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hud()->setIndicatorSize(c.indicator);
        showSettled(c.text);
        const QRectF popup(QPointF(), hud()->pSize()), label = hud()->labelFrame();
        EXPECT_TRUE(QRectF(page->rect()).contains(hud()->popupFrame()));
        EXPECT_LE(popup.width(), 250) << "a long text wraps rather than widen the popup";
        EXPECT_TRUE(popup.contains(hud()->indicatorFrame()));
        EXPECT_NEAR(hud()->indicatorFrame().center().x(), popup.center().x(), 1e-9);
        EXPECT_GE(label.height(), 0);
        if (label.height() > 0) {
            EXPECT_TRUE(popup.contains(label));
            EXPECT_GE(label.top(), hud()->indicatorFrame().bottom());
        }
        const QSizeF text = SPProgressHUD::measureText(c.text, font, 230);
        EXPECT_EQ(label.height() < text.height(), c.cut);
        if (!c.cut) {
            EXPECT_GE(label.width(), std::min(text.width(), 230.0));
        }
    }
}

// The HUD covers its view and keeps the popup centred as the view changes;
// shown over another view, it moves there.
TEST_F(HudTest, FollowsItsView) {
    showSettled(QString());
    page->resize(600, 500);
    EXPECT_EQ(hud()->geometry(), QRect(0, 0, 600, 500));
    EXPECT_EQ(hud()->popupFrame().center(), QPointF(300, 250));
    QWidget other(page.get());
    other.setGeometry(0, 100, 300, 250);
    other.show();
    showSettled(QStringLiteral("second"), &other);
    EXPECT_EQ(hud()->parentWidget(), &other);
    EXPECT_EQ(hud()->geometry(), QRect(0, 0, 300, 250));
}

// Animated, from a smaller transparent popup, or at once with no duration;
// a hide takes everything away.
TEST_F(HudTest, ShowAndDismissAnimateUnlessTheDurationIsZeroAndAShowEndsAHide) {
    for (int duration : {150, 0}) {
        SCOPED_TRACE(duration);
        hud()->setAnimationDuration(duration);
        SPProgressHUD::showStatus(QStringLiteral("Hello"), page.get());
        EXPECT_TRUE(hud()->displaying());
        EXPECT_EQ(hud()->animatingShow(), duration > 0);
        EXPECT_EQ(hud()->popupOpacity() < hud()->pAlpha(), duration > 0);
        EXPECT_EQ(hud()->popupFrame().width() < hud()->pSize().width(), duration > 0);
        hud()->finishAnimations();
        EXPECT_FALSE(hud()->animatingShow());
        EXPECT_DOUBLE_EQ(hud()->popupOpacity(), hud()->pAlpha());
        EXPECT_EQ(hud()->popupFrame().size(), hud()->pSize());
        EXPECT_TRUE(hud()->activityIndicator()->isAnimating());

        SPProgressHUD::dismiss();
        EXPECT_EQ(hud()->displaying(), duration > 0);
        hud()->finishAnimations();
        EXPECT_FALSE(hud()->displaying());
        EXPECT_EQ(hud()->parentView(), nullptr);
        EXPECT_EQ(page->childAt(200, 150), nullptr) << "no mask left on the page";
        EXPECT_TRUE(hud()->activityIndicator()->isFadingOut());
    }

    // A show during the hide ends the hide and stays.
    hud()->setAnimationDuration(150);
    showSettled(QStringLiteral("one"));
    SPProgressHUD::dismiss();
    SPProgressHUD::showStatus(QStringLiteral("two"), page.get());
    EXPECT_FALSE(hud()->animatingShow());
    EXPECT_DOUBLE_EQ(hud()->popupOpacity(), hud()->pAlpha());
    EXPECT_DOUBLE_EQ(hud()->contentOpacity(), 1.0);
    hud()->finishAnimations();  // whatever the hide had left to do
    EXPECT_TRUE(hud()->displaying());
    EXPECT_TRUE(hud()->isVisible());
    EXPECT_EQ(hud()->status(), QStringLiteral("two"));
}

TEST_F(HudTest, DismissIgnoresTheCountUnlessAskedToKeepIt) {
    const quint64 before = hud()->activityCount();
    SPProgressHUD::showStatus(QString(), page.get());
    SPProgressHUD::showStatus(QString(), page.get());
    EXPECT_EQ(hud()->activityCount(), before + 2);
    dismissSettled();
    EXPECT_FALSE(hud()->displaying());
    EXPECT_EQ(hud()->activityCount(), before + 2);

    // Kept: the last of two showings hides; extra pops leave the count at zero.
    for (quint64 n = hud()->activityCount() + 2; n > 0; --n) SPProgressHUD::popActivity();
    EXPECT_EQ(hud()->activityCount(), 0u);
    hud()->setKeepActivityCount(true);
    showSettled(QString());
    showSettled(QString());
    dismissSettled();
    EXPECT_TRUE(hud()->displaying());
    EXPECT_EQ(hud()->activityCount(), 1u);
    dismissSettled();
    EXPECT_FALSE(hud()->displaying());
    SPProgressHUD::popActivity();
    EXPECT_EQ(hud()->activityCount(), 0u);
}

TEST_F(HudTest, ClicksAndKeysReachTheCoveredControlsOnlyWithActionsEnabled) {
    for (bool enabled : {false, true}) {
        clicks = 0;
        hud()->setActionsEnabled(enabled);
        showSettled(QString());
        workTheButton();
        click(*page, QPoint(200, 150));
        EXPECT_EQ(clicks, enabled ? 2 : 0) << "actions enabled " << enabled;
        dismissSettled();
    }
    clicks = 0;
    workTheButton();
    EXPECT_EQ(clicks, 2) << "the page works again once the HUD is gone";
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
    click(*page, centre);
    click(*page, centre);
    click(*page, QPoint(50, 25));
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(clicks, 0) << "the covered controls stay blocked";
    // Escape does the same; the progress text changes in place.
    SPProgressHUD::setCancelAction(QStringLiteral("Cancel"), [&] { ++cancels; });
    SPProgressHUD::setStatus(QStringLiteral("Working - 2 of 9"));
    EXPECT_EQ(hud()->status(), QStringLiteral("Working - 2 of 9"));
    test::key(*button, Qt::Key_Escape);
    EXPECT_EQ(cancels, 2);
    SPProgressHUD::dismiss();
    EXPECT_EQ(hud()->cancelButton(), nullptr);
    showSettled(QStringLiteral("Again"));
    EXPECT_EQ(hud()->cancelButton(), nullptr) << "a new showing has no button of its own";
}

TEST_F(HudTest, AMessageBlocksNothingAndFadesAway) {
    hud()->setAnimationDuration(0);
    SPProgressHUD::showMessage(QStringLiteral("Uploaded to 3 lamps."), page.get());
    EXPECT_TRUE(hud()->showingMessage());
    EXPECT_EQ(hud()->status(), QStringLiteral("Uploaded to 3 lamps."));
    EXPECT_FALSE(hud()->activityIndicator()->isVisible());
    click(*page, QPoint(50, 25));
    EXPECT_EQ(clicks, 1);
    // Progress text does not overwrite a note; work that starts replaces it.
    SPProgressHUD::setStatus(QStringLiteral("3 of 9"));
    EXPECT_EQ(hud()->status(), QStringLiteral("Uploaded to 3 lamps."));
    hud()->expireMessage();
    EXPECT_FALSE(hud()->displaying());
    SPProgressHUD::showMessage(QStringLiteral("Done."), page.get());
    showSettled(QStringLiteral("Working"));
    EXPECT_FALSE(hud()->showingMessage());
    click(*page, QPoint(50, 25));
    EXPECT_EQ(clicks, 1) << "blocking again";
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
    SPProgressHUD::dismiss();
    EXPECT_FALSE(hud()->progressIndicator()->ringsShown());
}

TEST_F(HudTest, DimsTheViewAndDrawsTheDarkPopup) {
    showSettled(QString());
    const QRectF frame = hud()->popupFrame();
    const QPoint inPopup(int(frame.center().x()), int(frame.top()) + 4);  // above the spinner
    const int dimmed = qRound(255 * (1 - hud()->backgroundAlpha()));
    const QImage image = page->grab().toImage();
    EXPECT_TRUE(near(image.pixelColor(300, 250), QColor(dimmed, dimmed, dimmed), 4));
    EXPECT_LT(qGray(image.pixel(inPopup)), 60);
}

}  // namespace
}  // namespace aq
