#include "pages/PageLook.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>

#include <algorithm>

#include "widgets/AQButton.h"
#include "widgets/AQTableView.h"
#include "widgets/Theme.h"

namespace aq::look {

namespace {

// Fusion draws disabled texts twice, the second time one pixel down and
// right in the palette's light colour: on the dark look that reads as a
// doubled text (the disabled firmware menu item showed it). Drawn once here.
class LookStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_EtchDisabledText) return 0;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

// A check box's label: a click on it works the box, as on a standard one.
class CheckLabel : public QLabel {
public:
    CheckLabel(const QString& text, AQButton* box) : QLabel(text), _box(box) {
        setBuddy(box);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
            _box && _box->isEnabled()) {
            _box->click();
            _box->setFocus(Qt::MouseFocusReason);
        }
        QLabel::mouseReleaseEvent(event);
    }
private:
    QPointer<AQButton> _box;
};

const QColor kWindow(30, 30, 32);
const QColor kBase(18, 18, 20);
const QColor kRaised(48, 48, 52);
const QColor kText(235, 235, 235);
const QColor kMuted(150, 150, 155);
}  // namespace

void applyApplicationLook(QApplication& app) {
    // Fusion draws the standard controls from the palette alone, so the
    // dark colours hold on every desktop.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        app.setStyle(new LookStyle(fusion));
    }
    QPalette p;
    p.setColor(QPalette::Window, kWindow);
    p.setColor(QPalette::WindowText, kText);
    p.setColor(QPalette::Base, kBase);
    p.setColor(QPalette::AlternateBase, kRaised);
    p.setColor(QPalette::Text, kText);
    p.setColor(QPalette::Button, kRaised);
    p.setColor(QPalette::ButtonText, kText);
    p.setColor(QPalette::ToolTipBase, kRaised);
    p.setColor(QPalette::ToolTipText, kText);
    p.setColor(QPalette::PlaceholderText, kMuted);
    p.setColor(QPalette::Highlight, theme::accent());
    p.setColor(QPalette::HighlightedText, theme::white());
    p.setColor(QPalette::Link, theme::focusRing());
    p.setColor(QPalette::Disabled, QPalette::WindowText, kMuted);
    p.setColor(QPalette::Disabled, QPalette::Text, kMuted);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, kMuted);
    p.setColor(QPalette::Disabled, QPalette::Light, kWindow);
    app.setPalette(p);
}

QLabel* pageTitle(const QString& text) {
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLabel* caption(const QString& text) {
    auto* label = new QLabel(text);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, kMuted);
    label->setPalette(p);
    return label;
}

AQButton* button(const QString& title) {
    auto* b = new AQButton(title);
    b->setMinimumHeight(kButtonHeight);
    // A common width for short titles; a longer one (in some languages)
    // keeps the room its text needs.
    b->setMinimumWidth(std::max(110, b->sizeHint().width()));
    return b;
}

void styleToggle(AQButton& button) {
    // An "on" toggle draws its title in the pressed colour; the accent itself
    // is too dark to read on the black button, so the bar uses a lighter red.
    button.setBackgroundColorPressed(theme::focusRing());
    QObject::connect(&button, &QPushButton::toggled, &button, [&button](bool on) {
        button.setBorderColor(on ? theme::focusRing() : theme::gray());
    });
}

AQButton* checkBox() {
    auto* b = new AQButton;
    b->setCheckboxButton(true);
    b->setFixedSize(24, 24);
    return b;
}

QLabel* checkLabel(const QString& text, AQButton* box) {
    return new CheckLabel(text, box);
}

QLineEdit* valueField() {
    auto* field = new QLineEdit;
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    field->setMinimumWidth(260);
    return field;
}

void styleTable(AQTableView& table) {
    table.setHeaderBackgroundColor(kRaised);
    table.setHeaderTextColor(theme::white());
    table.setCellBackgroundColor(kBase);
    table.setCellTextColor(kText);
    table.setSelectedColor(theme::accent());
    table.setGridColor(kRaised);
    table.setBorderColor(theme::gray());
    table.setCellHeight(28.0);
}

}  // namespace aq::look
