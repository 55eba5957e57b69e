#include "pages/DayChartAccessibility.h"

#include "pages/NSDayAdjustment.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace aq {

namespace {

class AccessibleDayChart : public QAccessibleWidget {
public:
    explicit AccessibleDayChart(NSDayAdjustment* chart)
        : QAccessibleWidget(chart, QAccessible::Chart) {}
    NSDayAdjustment* chart() const { return static_cast<NSDayAdjustment*>(widget()); }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            return NSDayAdjustment::tr("Day programme chart");
        }
        if (t == QAccessible::Value) return chart()->spokenValue();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = chart()->moonMode();
        return s;
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QLatin1String("aq::NSDayAdjustment") && object && object->isWidgetType()) {
        return new AccessibleDayChart(static_cast<NSDayAdjustment*>(object));
    }
    return nullptr;
}

}  // namespace

void installDayChartAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

}  // namespace aq
