#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class QVBoxLayout;

namespace aq {

// What the three sheets share: a dialog built when the sheet is opened and
// not built yet, shown window-modal on the parent's window with open() (so
// nothing nests an event loop), and dropped again when it ends. Its button
// and Return accept it; Escape and the window's close box cancel it, and a
// cancelled sheet leaves its owner's values as they were.
class SheetController : public QObject {
    Q_OBJECT
public:
    explicit SheetController(QObject* parent = nullptr);
    ~SheetController() override;

    // The dialog while the sheet is loaded; none otherwise.
    QDialog* sheet() const { return _sheet; }
    // The parent window of the current or last showing.
    QWidget* wnd() const { return _wnd; }

    // A heading shown at the top of the sheet and as its window title.
    QString title() const { return _title; }
    void setTitle(const QString& title) { _title = title; }

protected:
    // Builds the dialog if needed, lets the sheet set its controls, and
    // shows it on wnd's window. A sheet already showing stays open and is
    // only brought to the front after its controls are set again.
    void beginSheet(QWidget* wnd);
    // Ends the sheet as its closing button does.
    void endSheet();
    // The showing that ended last was accepted rather than cancelled.
    bool accepted() const { return _accepted; }

    // Adds the sheet's controls to a new dialog's layout.
    virtual void loadSheet(QDialog& dialog, QVBoxLayout& layout) = 0;
    // Sets the controls from the stored values, just before showing.
    virtual void setControls() {}
    // Runs once per showing, after the dialog is dropped.
    virtual void sheetDidEnd() = 0;

private:
    void finished(int result);

    QPointer<QDialog> _sheet;
    bool _accepted = false;
    QPointer<QWidget> _wnd;
    QString _title;
};

}  // namespace aq
