#pragma once

#include <QString>

class QObject;
class QWidget;

namespace aq {

// The self-drawn controls describe themselves to screen readers: each has an
// accessible interface (name, role, state, value) made by a factory that
// the first control installs. Safe to call any number of times.
void installAccessibility();

// The name a control shows beside itself: its accessible name if set, else
// the text of the label whose buddy it is, without mnemonics.
QString accessibleLabel(const QWidget* w);

// Tells screen readers that what a control says changed (its name or value).
void announceNameChange(QObject* o);
void announceValueChange(QObject* o, double value);

}  // namespace aq
