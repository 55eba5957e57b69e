#include "pages/SheetController.h"

#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

namespace aq {

SheetController::SheetController(QObject* parent) : QObject(parent) {}

SheetController::~SheetController() {
    // The dialog belongs to the parent window; a controller that goes first
    // takes its sheet with it, without a completion for a page that is gone.
    if (_sheet) {
        _sheet->disconnect(this);
        delete _sheet;
    }
}

void SheetController::beginSheet(QWidget* wnd) {
    QWidget* parent = wnd ? wnd->window() : nullptr;
    if (_sheet && _sheet->isVisible()) {
        _wnd = wnd;
        setControls();
        _sheet->raise();
        _sheet->activateWindow();
        return;
    }
    if (!_sheet) {
        auto* dialog = new QDialog(parent);
        dialog->setWindowTitle(_title);
        auto* layout = new QVBoxLayout(dialog);
        layout->setContentsMargins(18, 16, 18, 16);
        layout->setSpacing(12);
        if (!_title.isEmpty()) {
            auto* heading = new QLabel(_title, dialog);
            QFont font = heading->font();
            font.setBold(true);
            heading->setFont(font);
            layout->addWidget(heading);
        }
        loadSheet(*dialog, *layout);
        connect(dialog, &QDialog::finished, this, &SheetController::finished);
        _sheet = dialog;
    }
    _wnd = wnd;
    setControls();
    _sheet->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    _sheet->open();
}

void SheetController::endSheet() {
    if (_sheet) _sheet->done(QDialog::Accepted);
}

void SheetController::finished(int result) {
    _accepted = result == QDialog::Accepted;
    // The next showing builds the dialog again; the values live on in the
    // controller. The completion may open the sheet again at once.
    if (QDialog* dialog = _sheet) {
        _sheet = nullptr;
        dialog->disconnect(this);
        dialog->hide();
        dialog->deleteLater();
    }
    sheetDidEnd();
}

}  // namespace aq
