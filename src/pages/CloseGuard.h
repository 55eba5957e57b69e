#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

class QAction;
class QWidget;

namespace aq {

// Watches the window's close (the close box and Quit both come here).
// Each check may keep the window open, in the order added; once all let it
// close, `beforeClose` runs (the navigation leaves its page, so the lamp is
// left in normal operation). While `setBlocking(true)` no shortcut but Quit
// reaches the application.
class CloseGuard : public QObject {
    Q_OBJECT
public:
    // True to let the window close.
    using Check = std::function<bool()>;
    // Asks a question; true when the user chose `yes`. The default answer
    // is the other button. Replaceable for tests.
    using AskFunction = std::function<bool(QWidget* parent, const QString& text,
                                           const QString& detail, const QString& yes,
                                           const QString& no)>;

    CloseGuard(QWidget* window, QAction* quit, QObject* parent = nullptr);
    ~CloseGuard() override;

    void addCheck(Check check) { _checks.push_back(std::move(check)); }
    void setBeforeClose(std::function<void()> f) { _beforeClose = std::move(f); }
    void setBlocking(bool on);
    bool blocking() const { return _blocking; }

    static AskFunction setAskFunction(AskFunction ask);
    static bool ask(QWidget* parent, const QString& text, const QString& detail,
                    const QString& yes, const QString& no);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> _window;
    QPointer<QAction> _quit;
    std::vector<Check> _checks;
    std::function<void()> _beforeClose;
    bool _blocking = false;
    QPointer<QObject> _shortcutBlock;
};

}  // namespace aq
