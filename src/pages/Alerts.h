#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace aq {

// Failures the user must see are told in a modal alert. The alert goes
// through one replaceable function so that tests can read what would have
// been shown instead of blocking on a message box.
using AlertFunction =
    std::function<void(QWidget* parent, const QString& title, const QString& text)>;

// Replaces the function that shows alerts; an empty function restores the
// message box. Returns the function that was in place.
AlertFunction setAlertFunction(AlertFunction function);

// Shows a modal alert over the parent's window (main thread only).
void showAlert(QWidget* parent, const QString& title, const QString& text);

}  // namespace aq
