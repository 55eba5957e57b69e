// What screen readers learn of the self-drawn controls.
#include <QAccessible>
#include <QLabel>

#include <gtest/gtest.h>

#include <string>

#include "widgets/AQButton.h"
#include "widgets/AQSlider.h"
#include "widgets/AQTableView.h"
#include "widgets/SPActivityIndicator.h"
#include "widgets/SPProgressHUD.h"
#include "widgets/SPProgressIndicator.h"

namespace aq::test {
namespace {

QAccessibleInterface* accessible(QObject* o) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(o);
    EXPECT_NE(a, nullptr);
    return a;
}

std::string text(QAccessibleInterface* a, QAccessible::Text t) {
    return a ? a->text(t).toStdString() : std::string("(none)");
}

// Gives the window's widget a label that names it, as a form does.
void label(QWidget& window, QWidget* buddy, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), &window);
    label->setBuddy(buddy);
}

TEST(Accessibility, ButtonsSayTheirFormStateAndLabel) {
    QWidget window;
    auto* plain = new AQButton(QStringLiteral("&Discover"), &window);
    auto* toggle = new AQButton(QStringLiteral("Preview"), &window);
    toggle->setToggleButton(true);
    toggle->setChecked(true);
    auto* box = new AQButton(&window);
    box->setCheckboxButton(true);
    label(window, box, "Demonstration mode");
    struct Case {
        AQButton* button;
        QAccessible::Role role;
        const char* name;
        bool checkable;
        bool checked;
    };
    const Case cases[] = {
        {plain, QAccessible::Button, "Discover", false, false},
        {toggle, QAccessible::Button, "Preview", true, true},
        {box, QAccessible::CheckBox, "Demonstration mode", true, false},
    };
    for (const Case& c : cases) {
        QAccessibleInterface* a = accessible(c.button);
        ASSERT_NE(a, nullptr) << c.name;
        EXPECT_EQ(a->role(), c.role) << c.name;
        EXPECT_EQ(text(a, QAccessible::Name), c.name);
        EXPECT_EQ(bool(a->state().checkable), c.checkable) << c.name;
        EXPECT_EQ(bool(a->state().checked), c.checked) << c.name;
        ASSERT_NE(a->actionInterface(), nullptr) << c.name;
    }
    // The screen reader's action works the control as a click does.
    QAccessibleInterface* a = accessible(box);
    a->actionInterface()->doAction(a->actionInterface()->actionNames().value(0));
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(a->state().checked);
    box->setEnabled(false);
    EXPECT_TRUE(a->state().disabled);
    EXPECT_TRUE(a->actionInterface()->actionNames().isEmpty());
}

TEST(Accessibility, SliderReadsItsLabelAndPercent) {
    QWidget window;
    auto* slider = new AQSlider(&window);
    label(window, slider, "Cloud intensity");
    slider->setRange(0, 200);
    slider->setValue(50);
    QAccessibleInterface* a = accessible(slider);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::Slider);
    EXPECT_EQ(text(a, QAccessible::Name), "Cloud intensity");
    EXPECT_EQ(text(a, QAccessible::Value), "25%");
    QAccessibleValueInterface* v = a->valueInterface();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->maximumValue().toInt(), 200);
    v->setCurrentValue(100);
    EXPECT_EQ(slider->value(), 100);
    EXPECT_EQ(text(a, QAccessible::Value), "50%");
}

TEST(Accessibility, LampTableIsAListOfRowsThatFollowsTheSelection) {
    AQTableView table;
    table.resize(400, 200);
    table.setAccessibleName(QStringLiteral("Lamps nearby"));
    table.setColumns({QStringLiteral("Name"), QStringLiteral("UUID")});
    table.setRows({{QStringLiteral("Reef Tank"), QStringLiteral("C1")},
                   {QStringLiteral("Nano"), QStringLiteral("C2")}});
    table.setSelectedRow(0);
    QAccessibleInterface* a = accessible(&table);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::List);
    EXPECT_EQ(text(a, QAccessible::Name), "Lamps nearby");
    ASSERT_EQ(a->childCount(), 2);
    EXPECT_EQ(text(a->child(1), QAccessible::Name), "Nano, C2");
    EXPECT_EQ(a->child(1)->role(), QAccessible::ListItem);
    EXPECT_EQ(a->indexOfChild(a->child(1)), 1);
    EXPECT_EQ(a->child(1)->parent(), a);

    table.setSelectedRow(1);
    EXPECT_FALSE(a->child(0)->state().selected);
    EXPECT_TRUE(a->child(1)->state().selected);

    // A row that went away is no longer offered.
    table.setRows({{QStringLiteral("Reef Tank"), QStringLiteral("C1")}});
    EXPECT_EQ(a->childCount(), 1);
    EXPECT_EQ(a->child(1), nullptr);
}

TEST(Accessibility, IndicatorsSayBusyAndProgress) {
    SPActivityIndicator spinner;
    QAccessibleInterface* s = accessible(&spinner);
    ASSERT_NE(s, nullptr);
    EXPECT_FALSE(s->state().busy);
    spinner.startAnimation();
    EXPECT_TRUE(s->state().busy);

    SPProgressIndicator ring;
    QAccessibleInterface* r = accessible(&ring);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->role(), QAccessible::ProgressBar);
    ring.showProgress(0.42f);
    EXPECT_EQ(r->valueInterface()->currentValue().toInt(), 42);
    EXPECT_EQ(text(r, QAccessible::Value), "42%");
}

TEST(Accessibility, HudIsAnAlertNamedByItsStatus) {
    QWidget view;
    view.resize(400, 300);
    SPProgressHUD* hud = SPProgressHUD::instance();
    hud->setAnimationDuration(0);
    SPProgressHUD::showStatus(QStringLiteral("Connecting to Reef Tank..."), &view);
    QAccessibleInterface* a = accessible(hud);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::AlertMessage);
    EXPECT_EQ(text(a, QAccessible::Name), "Connecting to Reef Tank...");
    EXPECT_TRUE(a->state().busy);
    SPProgressHUD::setStatus(QStringLiteral("Downloading"));
    EXPECT_EQ(text(a, QAccessible::Name), "Downloading");
    SPProgressHUD::dismiss();
    hud->finishAnimations();
}

}  // namespace
}  // namespace aq::test
