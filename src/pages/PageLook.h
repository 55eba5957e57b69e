#pragma once

#include <QString>

class QApplication;
class QLabel;
class QLineEdit;
class QWidget;

namespace aq {

class AQButton;
class AQTableView;

// The application's look, shared by the window and every page: dark
// surfaces, white text, the red accent for what is chosen or pressed.
namespace look {

constexpr int kPageMargin = 24;
constexpr int kSpacing = 12;
constexpr int kButtonHeight = 30;

// The dark palette and the style under it, for the whole application.
void applyApplicationLook(QApplication& app);

// A page's heading.
QLabel* pageTitle(const QString& text);
// A caption in front of a value.
QLabel* caption(const QString& text);
// A plain action button.
AQButton* button(const QString& title);
// A button of the page bar: the current page's button shows its title and
// border in red.
void styleToggle(AQButton& button);
// A check box drawn as a rounded box with a tick.
AQButton* checkBox();
// The label beside a check box: names it for screen readers, and a click on
// it toggles the box.
QLabel* checkLabel(const QString& text, AQButton* box);
// A read-only text field for a value the lamp reports.
QLineEdit* valueField();
// The table's colours on a dark page.
void styleTable(AQTableView& table);

}  // namespace look
}  // namespace aq
