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

// An alert that offers one action besides OK ("Reconnect"); true when the
// user chose the action.
using ActionAlertFunction = std::function<bool(QWidget* parent, const QString& title,
                                               const QString& text, const QString& action)>;

// Replaces the function that shows action alerts; an empty one restores the
// message box, or the plain alert function when one is set (the action is
// then not chosen). Returns the function that was in place.
ActionAlertFunction setActionAlertFunction(ActionAlertFunction function);

bool showActionAlert(QWidget* parent, const QString& title, const QString& text,
                     const QString& action);

}  // namespace aq
