#include "widgets/Accessibility.h"

#include "widgets/AQButton.h"
#include "widgets/AQSlider.h"
#include "widgets/AQTableView.h"
#include "widgets/SPActivityIndicator.h"
#include "widgets/SPProgressHUD.h"
#include "widgets/SPProgressIndicator.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QHash>
#include <QLabel>
#include <QPointer>

#include <cmath>

namespace aq {

namespace {

QString withoutMnemonic(QString text) {
    // "&&" is a shown ampersand; a single "&" marks the shortcut letter.
    text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

// A push button in its three forms: a plain button, a toggle button and a
// check box (whose title is the label beside it).
class AccessibleButton : public QAccessibleWidget {
public:
    explicit AccessibleButton(AQButton* b)
        : QAccessibleWidget(b, b->checkboxButton() ? QAccessible::CheckBox : QAccessible::Button) {}

    AQButton* button() const { return static_cast<AQButton*>(widget()); }

    QAccessible::Role role() const override {
        return button()->checkboxButton() ? QAccessible::CheckBox : QAccessible::Button;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString label = accessibleLabel(button());
            return label.isEmpty() ? withoutMnemonic(button()->text()) : label;
        }
        if (t == QAccessible::Description && !button()->toolTip().isEmpty() &&
            button()->accessibleDescription().isEmpty()) {
            return button()->toolTip();
        }
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (button()->isCheckable()) {
            s.checkable = true;
            s.checked = button()->isChecked();
        }
        s.pressed = button()->isDown();
        return s;
    }
    QStringList actionNames() const override {
        if (!button()->isEnabled()) return {};
        return {button()->isCheckable() ? toggleAction() : pressAction()};
    }
    void doAction(const QString& name) override {
        if (button()->isEnabled() && (name == pressAction() || name == toggleAction())) {
            button()->click();
        }
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

// A slider whose value reads as a percentage.
class AccessibleSlider : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleSlider(AQSlider* s) : QAccessibleWidget(s, QAccessible::Slider) {}

    AQSlider* slider() const { return static_cast<AQSlider*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return accessibleLabel(slider());
        if (t == QAccessible::Value) {
            return QCoreApplication::translate("aq::Accessibility", "%1%")
                .arg(std::lround(slider()->percent()));
        }
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return slider()->value(); }
    void setCurrentValue(const QVariant& v) override { slider()->setValue(v.toInt()); }
    QVariant maximumValue() const override { return slider()->maximum(); }
    QVariant minimumValue() const override { return slider()->minimum(); }
    QVariant minimumStepSize() const override { return slider()->singleStep(); }
};

// The lamp table reads as a list: one item per row, the row's texts joined.
class AccessibleTable;

class AccessibleTableRow : public QAccessibleInterface {
public:
    AccessibleTableRow(AQTableView* table, int row) : _table(table), _row(row) {}

    bool isValid() const override { return _table && _row < _table->rows().size(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return _table ? _table->window()->windowHandle() : nullptr;
    }
    QList<std::pair<QAccessibleInterface*, QAccessible::Relation>> relations(
        QAccessible::Relation) const override {
        return {};
    }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(_table.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !isValid()) return {};
        return _table->rows().at(_row).join(QStringLiteral(", "));
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) return {};
        const QRect local(0, int(_table->headerHeight() + _row * _table->cellHeight()),
                          _table->width(), int(_table->cellHeight()));
        return QRect(_table->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.selectable = true;
        s.focusable = true;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selected = _table->selectedRow() == _row;
        s.focused = s.selected && _table->hasFocus();
        s.offscreen = _table->headerHeight() + _row * _table->cellHeight() >= _table->height();
        return s;
    }

private:
    QPointer<AQTableView> _table;
    int _row;
};

class AccessibleTable : public QAccessibleWidget {
public:
    explicit AccessibleTable(AQTableView* t) : QAccessibleWidget(t, QAccessible::List) {}
    ~AccessibleTable() override {
        for (QAccessible::Id id : std::as_const(_rowIds)) QAccessible::deleteAccessibleInterface(id);
    }

    AQTableView* table() const { return static_cast<AQTableView*>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            return table()->columns().join(QStringLiteral(", "));
        }
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return int(table()->rows().size()); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount()) return nullptr;
        auto it = _rowIds.constFind(index);
        if (it == _rowIds.constEnd()) {
            it = _rowIds.insert(
                index, QAccessible::registerAccessibleInterface(new AccessibleTableRow(table(), index)));
        }
        return QAccessible::accessibleInterface(*it);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (auto it = _rowIds.constBegin(); it != _rowIds.constEnd(); ++it) {
            if (QAccessible::accessibleInterface(it.value()) == child) return it.key();
        }
        return -1;
    }
    QAccessibleInterface* focusChild() const override {
        return table()->hasFocus() ? child(int(table()->selectedRow())) : nullptr;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint local = table()->mapFromGlobal(QPoint(x, y));
        const qint64 row = AQTableView::rowAt(local.y(), table()->headerHeight(),
                                              table()->cellHeight(), table()->rows().size());
        return row >= 0 ? child(int(row)) : nullptr;
    }

private:
    mutable QHash<int, QAccessible::Id> _rowIds;
};

// The spinner: busy while it turns.
class AccessibleActivity : public QAccessibleWidget {
public:
    explicit AccessibleActivity(SPActivityIndicator* a)
        : QAccessibleWidget(a, QAccessible::Animation) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            return QCoreApplication::translate("aq::Accessibility", "Working");
        }
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.busy = static_cast<SPActivityIndicator*>(widget())->isAnimating();
        s.animated = s.busy;
        return s;
    }
};

// The progress ring: a progress bar from 0 to 100 percent.
class AccessibleProgress : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleProgress(SPProgressIndicator* p)
        : QAccessibleWidget(p, QAccessible::ProgressBar) {}
    SPProgressIndicator* ring() const { return static_cast<SPProgressIndicator*>(widget()); }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            return QCoreApplication::translate("aq::Accessibility", "Progress");
        }
        if (t == QAccessible::Value) {
            return QCoreApplication::translate("aq::Accessibility", "%1%")
                .arg(currentValue().toInt());
        }
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override {
        return int(std::lround(std::clamp(ring()->currentProgress(), 0.0, 1.0) * 100));
    }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }
};

// The overlay: an alert whose name is the status or note it shows.
class AccessibleHud : public QAccessibleWidget {
public:
    explicit AccessibleHud(SPProgressHUD* h) : QAccessibleWidget(h, QAccessible::AlertMessage) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return static_cast<SPProgressHUD*>(widget())->status();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        const auto* hud = static_cast<SPProgressHUD*>(widget());
        s.busy = hud->displaying() && !hud->showingMessage();
        s.modal = s.busy;
        return s;
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    if (className == QLatin1String("aq::AQButton")) {
        return new AccessibleButton(static_cast<AQButton*>(object));
    }
    if (className == QLatin1String("aq::AQSlider")) {
        return new AccessibleSlider(static_cast<AQSlider*>(object));
    }
    if (className == QLatin1String("aq::AQTableView")) {
        return new AccessibleTable(static_cast<AQTableView*>(object));
    }
    if (className == QLatin1String("aq::SPActivityIndicator")) {
        return new AccessibleActivity(static_cast<SPActivityIndicator*>(object));
    }
    if (className == QLatin1String("aq::SPProgressIndicator")) {
        return new AccessibleProgress(static_cast<SPProgressIndicator*>(object));
    }
    if (className == QLatin1String("aq::SPProgressHUD")) {
        return new AccessibleHud(static_cast<SPProgressHUD*>(object));
    }
    return nullptr;
}

}  // namespace

void installAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

QString accessibleLabel(const QWidget* w) {
    if (!w) return {};
    if (!w->accessibleName().isEmpty()) return w->accessibleName();
    for (const QLabel* label : w->window()->findChildren<QLabel*>()) {
        if (label->buddy() == w) return withoutMnemonic(label->text());
    }
    return {};
}

void announceNameChange(QObject* o) {
    if (!QAccessible::isActive()) return;
    QAccessibleEvent event(o, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void announceValueChange(QObject* o, double value) {
    if (!QAccessible::isActive()) return;
    QAccessibleValueChangeEvent event(o, value);
    QAccessible::updateAccessibility(&event);
}

}  // namespace aq
