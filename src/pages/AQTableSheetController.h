#pragma once

#include <QColor>
#include <QList>
#include <QStringList>
#include <QtGlobal>

#include <functional>

#include "pages/SheetController.h"

class QListView;
class QStringListModel;

namespace aq {

// A sheet with a list of texts, one of which the user chooses. The
// completion receives the chosen row, or -1 when the user cleared the
// selection; it runs when the sheet is accepted (its button, Return or a
// double click), not when Escape cancels it.
class AQTableSheetController : public SheetController {
    Q_OBJECT
public:
    using Done = std::function<void(qint64 row)>;

    explicit AQTableSheetController(QObject* parent = nullptr);
    ~AQTableSheetController() override;

    // Shows the sheet with row 0 chosen.
    void openSheet(QWidget* wnd);
    // Shows the sheet with the row chosen; an index outside the list
    // chooses nothing (-1).
    void openSheet(QWidget* wnd, qint64 index);
    // The sheet's closing button; a double click on a row or Return does the same.
    void closeSheet();
    void setOnDone(Done done) { _done = std::move(done); }

    const QStringList& data() const { return _data; }
    void setData(QStringList data);
    // A colour swatch beside each row (a channel's colour); none by default.
    const QList<QColor>& colors() const { return _colors; }
    void setColors(QList<QColor> colors);
    qint64 selectedIndex() const { return _selectedIndex; }

    // The list while the sheet is loaded.
    QListView* tableView() const { return _tableView; }

protected:
    void loadSheet(QDialog& dialog, QVBoxLayout& layout) override;
    void setControls() override;
    void sheetDidEnd() override;

private:
    void selectionChanged();

    QListView* _tableView = nullptr;
    QStringListModel* _model = nullptr;
    QList<QColor> _colors;
    Done _done;
    QStringList _data;
    qint64 _selectedIndex = -1;
    // The row to choose when the sheet is next shown.
    qint64 _openIndex = 0;
};

}  // namespace aq
