#include "pages/Alerts.h"

#include <QMessageBox>
#include <QPushButton>

namespace aq {

namespace {
AlertFunction& alertFunction() {
    static AlertFunction function;
    return function;
}

ActionAlertFunction& actionAlertFunction() {
    static ActionAlertFunction function;
    return function;
}

void showMessageBox(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    box.exec();
}
}  // namespace

AlertFunction setAlertFunction(AlertFunction function) {
    AlertFunction previous = std::move(alertFunction());
    alertFunction() = std::move(function);
    return previous;
}

void showAlert(QWidget* parent, const QString& title, const QString& text) {
    const AlertFunction function = alertFunction();
    if (function) {
        function(parent, title, text);
    } else {
        showMessageBox(parent, title, text);
    }
}

ActionAlertFunction setActionAlertFunction(ActionAlertFunction function) {
    ActionAlertFunction previous = std::move(actionAlertFunction());
    actionAlertFunction() = std::move(function);
    return previous;
}

bool showActionAlert(QWidget* parent, const QString& title, const QString& text,
                     const QString& action) {
    if (const ActionAlertFunction function = actionAlertFunction()) {
        return function(parent, title, text, action);
    }
    if (const AlertFunction plain = alertFunction()) {
        plain(parent, title, text);
        return false;
    }
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::NoButton, parent);
    QPushButton* chosen = box.addButton(action, QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Ok);
    box.setDefaultButton(chosen);
    box.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    box.exec();
    return box.clickedButton() == chosen;
}

}  // namespace aq
