#include "pages/AQTableSheetMCController.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "widgets/AQButton.h"

namespace aq {

namespace {
const QString kCheckMark = QStringLiteral("\u2713");
}  // namespace

AQTableCellMCViewSheet::AQTableCellMCViewSheet(const QString& text, bool marked, QWidget* parent)
    : QWidget(parent), _label(new QLabel(text, this)), _check(new QLabel(this)) {
    // Clicks go through to the list, which toggles the row.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 2, 8, 2);
    _check->setFixedWidth(22);
    QFont font = _check->font();
    font.setBold(true);
    _check->setFont(font);
    layout->addWidget(_check);
    layout->addWidget(_label, 1);
    setMarked(marked);
}

void AQTableCellMCViewSheet::setMarked(bool marked) {
    _check->setText(marked ? kCheckMark : QString());
}

AQTableSheetMCController::AQTableSheetMCController(QObject* parent) : SheetController(parent) {}

AQTableSheetMCController::~AQTableSheetMCController() = default;

void AQTableSheetMCController::addData(const QString& text, bool marked) {
    _data.append(text);
    _status.append(marked);
}

void AQTableSheetMCController::clearData() {
    _data.clear();
    _status.clear();
}

void AQTableSheetMCController::openSheet(QWidget* wnd) {
    // A sheet already open keeps the states it was opened with.
    if (!sheet()) _statusAtOpen = _status;
    beginSheet(wnd);
    _selectedIndex = -1;
}

void AQTableSheetMCController::closeSheet() {
    endSheet();
}

void AQTableSheetMCController::toggleRow(qint64 row) {
    if (row < 0 || row >= _status.size()) return;
    const auto i = static_cast<qsizetype>(row);
    _status[i] = !_status[i];
    if (AQTableCellMCViewSheet* cell = cellAt(row)) cell->setMarked(_status[i]);
}

AQTableCellMCViewSheet* AQTableSheetMCController::cellAt(qint64 row) const {
    if (!_tableView || row < 0 || row >= _tableView->count()) return nullptr;
    return qobject_cast<AQTableCellMCViewSheet*>(
        _tableView->itemWidget(_tableView->item(static_cast<int>(row))));
}

namespace {
// The space bar toggles the current row, as a click does.
class SpaceToggles : public QObject {
public:
    SpaceToggles(QListWidget* list, AQTableSheetMCController* sheet)
        : QObject(list), _list(list), _sheet(sheet) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Space) return false;
        _sheet->toggleRow(_list->currentRow());
        return true;
    }

private:
    QListWidget* _list;
    AQTableSheetMCController* _sheet;
};
}  // namespace

void AQTableSheetMCController::loadSheet(QDialog& dialog, QVBoxLayout& layout) {
    _tableView = new QListWidget(&dialog);
    _tableView->setSelectionMode(QAbstractItemView::NoSelection);
    _tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    _tableView->setMinimumSize(280, 220);
    _tableView->installEventFilter(new SpaceToggles(_tableView, this));
    connect(_tableView, &QListWidget::clicked, this,
            [this](const QModelIndex& index) { toggleRow(index.row()); });
    layout.addWidget(_tableView, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new AQButton(tr("OK"), &dialog);
    ok->setMinimumSize(90, 28);
    ok->setDefault(true);
    connect(ok, &AQButton::clicked, this, &AQTableSheetMCController::closeSheet);
    buttons->addWidget(ok);
    layout.addLayout(buttons);
    dialog.resize(320, 320);
}

void AQTableSheetMCController::setControls() {
    if (!_tableView) return;
    _tableView->clear();
    for (qsizetype i = 0; i < _data.size(); ++i) {
        auto* item = new QListWidgetItem(_tableView);
        auto* cell = new AQTableCellMCViewSheet(_data[i], i < _status.size() && _status[i]);
        item->setSizeHint(QSize(0, 28));
        _tableView->setItemWidget(item, cell);
    }
    if (_tableView->count() > 0) _tableView->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    _tableView->setFocus();
}

void AQTableSheetMCController::sheetDidEnd() {
    _tableView = nullptr;
    if (!accepted()) {
        _status = _statusAtOpen;
        return;
    }
    if (_done) {
        const Done done = _done;
        done(_status);
    }
}

}  // namespace aq
