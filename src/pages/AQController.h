#pragma once

#include <QObject>
#include <QString>

class QWidget;

class QVBoxLayout;

namespace aq {

class BTLEController;
class Dispatch;

// Base of every page controller and of the navigation. A page carries its
// identifier, owns the view the page stack shows for it, and is told when it
// is entered and left.
class AQController : public QObject {
    Q_OBJECT
public:
    explicit AQController(QString ident, QObject* parent = nullptr);
    ~AQController() override;

    const QString& ident() const { return _ident; }

    // The page's view; it belongs to the page stack once it is placed there.
    QWidget* view() const { return _view; }

    // Write "onEnter <ident>" and "onLeave <ident>" to the log.
    virtual void onEnter();
    virtual void onLeave();

protected:
    // Made by the page's constructor; none for the navigation.
    void setView(QWidget* view) { _view = view; }
    // A new view for the page, named after it, with the pages' margins and
    // spacing and the title on top (none when empty); the view is the
    // layout's parent widget.
    QVBoxLayout* newPageLayout(const QString& title);

    // The lamp link and the dispatch its pages time themselves on.
    static BTLEController& link();
    static Dispatch& dispatch();

private:
    const QString _ident;
    QWidget* _view = nullptr;
};

}  // namespace aq
