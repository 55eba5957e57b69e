#include "pages/CloseGuard.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

namespace aq {

namespace {
CloseGuard::AskFunction& askFunction() {
    static CloseGuard::AskFunction f;
    return f;
}

// Swallows every shortcut but one while installed on the application.
class ShortcutBlock : public QObject {
public:
    ShortcutBlock(QObject* allowed, QObject* parent) : QObject(parent), _allowed(allowed) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        return event->type() == QEvent::Shortcut && watched != _allowed.data();
    }

private:
    QPointer<QObject> _allowed;
};

bool askWithMessageBox(QWidget* parent, const QString& text, const QString& detail,
                       const QString& yes, const QString& no) {
    QMessageBox box(QMessageBox::Warning, QString(), text, QMessageBox::NoButton,
                    parent ? parent->window() : nullptr);
    box.setInformativeText(detail);
    QPushButton* yesButton = box.addButton(yes, QMessageBox::DestructiveRole);
    QPushButton* noButton = box.addButton(no, QMessageBox::RejectRole);
    box.setDefaultButton(noButton);
    box.setEscapeButton(noButton);
    box.exec();
    return box.clickedButton() == yesButton;
}
}  // namespace

CloseGuard::CloseGuard(QWidget* window, QAction* quit, QObject* parent)
    : QObject(parent), _window(window), _quit(quit) {
    window->installEventFilter(this);
}

CloseGuard::~CloseGuard() {
    setBlocking(false);
}

CloseGuard::AskFunction CloseGuard::setAskFunction(AskFunction ask) {
    AskFunction previous = std::move(askFunction());
    askFunction() = std::move(ask);
    return previous;
}

bool CloseGuard::ask(QWidget* parent, const QString& text, const QString& detail,
                     const QString& yes, const QString& no) {
    const AskFunction& f = askFunction();
    return f ? f(parent, text, detail, yes, no) : askWithMessageBox(parent, text, detail, yes, no);
}

void CloseGuard::setBlocking(bool on) {
    if (on == _blocking) return;
    _blocking = on;
    if (on) {
        _shortcutBlock = new ShortcutBlock(_quit.data(), this);
        if (auto* app = QCoreApplication::instance()) app->installEventFilter(_shortcutBlock);
    } else {
        delete _shortcutBlock.data();
    }
}

bool CloseGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Close || watched != _window.data()) return false;
    for (const Check& check : _checks) {
        if (!check()) {
            event->ignore();
            return true;
        }
    }
    if (_beforeClose) _beforeClose();
    return false;
}

}  // namespace aq
