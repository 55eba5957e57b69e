#include "pages/AQTableSheetController.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QListView>
#include <QStringListModel>
#include <QVBoxLayout>

#include "widgets/AQButton.h"
#include "widgets/AQTableRowView.h"

namespace aq {

namespace {
// The texts, with the sheet's colours as their rows' decoration: the item
// delegate paints a colour decoration as a swatch before the text.
class SwatchListModel : public QStringListModel {
public:
    SwatchListModel(const QStringList& texts, const QList<QColor>* colors, QObject* parent)
        : QStringListModel(texts, parent), _colors(colors) {}

    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DecorationRole && index.isValid() && index.row() < _colors->size()) {
            return _colors->at(index.row());
        }
        return QStringListModel::data(index, role);
    }

private:
    const QList<QColor>* _colors;
};
}  // namespace

AQTableSheetController::AQTableSheetController(QObject* parent) : SheetController(parent) {}

AQTableSheetController::~AQTableSheetController() = default;

void AQTableSheetController::setData(QStringList data) {
    _data = std::move(data);
    if (_model) _model->setStringList(_data);
}

void AQTableSheetController::setColors(QList<QColor> colors) {
    _colors = std::move(colors);
    if (_tableView) _tableView->viewport()->update();
}

void AQTableSheetController::openSheet(QWidget* wnd) {
    openSheet(wnd, 0);
}

void AQTableSheetController::openSheet(QWidget* wnd, qint64 index) {
    _openIndex = index;
    beginSheet(wnd);
    // Chosen before the sheet shows; on an empty list row 0 stands even
    // though there is no row to mark.
    _selectedIndex = (index == 0 || (index > 0 && index < _data.size())) ? index : -1;
}

void AQTableSheetController::closeSheet() {
    endSheet();
}

void AQTableSheetController::loadSheet(QDialog& dialog, QVBoxLayout& layout) {
    _model = new SwatchListModel(_data, &_colors, &dialog);
    _tableView = new QListView(&dialog);
    _tableView->setModel(_model);
    _tableView->setItemDelegate(new AQTableRowView(_tableView));
    _tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    _tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    _tableView->setUniformItemSizes(true);
    _tableView->setSpacing(3);
    _tableView->setMinimumSize(280, 220);
    connect(_tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &AQTableSheetController::selectionChanged);
    connect(_tableView, &QListView::doubleClicked, this, &AQTableSheetController::closeSheet);
    layout.addWidget(_tableView, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new AQButton(tr("OK"), &dialog);
    ok->setMinimumSize(90, 28);
    ok->setDefault(true);
    connect(ok, &AQButton::clicked, this, &AQTableSheetController::closeSheet);
    buttons->addWidget(ok);
    layout.addLayout(buttons);
    dialog.resize(320, 320);
}

void AQTableSheetController::setControls() {
    if (!_tableView) return;
    QItemSelectionModel* selection = _tableView->selectionModel();
    if (_openIndex >= 0 && _openIndex < _data.size()) {
        const QModelIndex row = _model->index(static_cast<int>(_openIndex));
        selection->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
        _tableView->scrollTo(row);
    } else {
        selection->clearSelection();
        selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
    _tableView->setFocus();
}

void AQTableSheetController::selectionChanged() {
    if (!_tableView) return;
    const QModelIndexList rows = _tableView->selectionModel()->selectedRows();
    _selectedIndex = rows.isEmpty() ? -1 : rows.first().row();
}

void AQTableSheetController::sheetDidEnd() {
    _tableView = nullptr;
    _model = nullptr;
    if (_done && accepted()) {
        // A copy: the completion may replace it.
        const Done done = _done;
        done(_selectedIndex);
    }
}

}  // namespace aq
