#include "pages/Alerts.h"

#include <QMessageBox>

namespace aq {

namespace {
AlertFunction& alertFunction() {
    static AlertFunction function;
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

}  // namespace aq
