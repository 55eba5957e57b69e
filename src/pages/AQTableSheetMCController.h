#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>
#include <QtGlobal>

#include <functional>

#include "pages/SheetController.h"

class QLabel;
class QListWidget;
class QListWidgetItem;

namespace aq {

// One row of the multiple-choice list: the entry's text and its check mark.
class AQTableCellMCViewSheet : public QWidget {
    Q_OBJECT
public:
    explicit AQTableCellMCViewSheet(const QString& text, bool marked, QWidget* parent = nullptr);

    QLabel* label() const { return _label; }
    QLabel* check() const { return _check; }
    void setMarked(bool marked);

private:
    QLabel* _label;
    QLabel* _check;
};

// A sheet with a list of texts, each with a check mark that a click (or the
// space bar) toggles; rows never become selected. The completion receives
// every row's state, changed or not, when the sheet is accepted; Escape
// gives the rows back the states they had when it opened.
class AQTableSheetMCController : public SheetController {
    Q_OBJECT
public:
    using Done = std::function<void(const QList<bool>& status)>;

    explicit AQTableSheetMCController(QObject* parent = nullptr);
    ~AQTableSheetMCController() override;

    // Appends an entry and its mark; the two lists stay in step.
    void addData(const QString& text, bool marked);
    // Empties both lists together.
    void clearData();

    void openSheet(QWidget* wnd);
    void closeSheet();
    void setOnDone(Done done) { _done = std::move(done); }

    const QStringList& data() const { return _data; }
    const QList<bool>& status() const { return _status; }
    // -1 once the sheet has appeared; no row is ever selected.
    qint64 selectedIndex() const { return _selectedIndex; }

    // Flips the row's mark and its visible check, as a click on it does.
    void toggleRow(qint64 row);

    // The list while the sheet is loaded.
    QListWidget* tableView() const { return _tableView; }

protected:
    void loadSheet(QDialog& dialog, QVBoxLayout& layout) override;
    void setControls() override;
    void sheetDidEnd() override;

private:
    AQTableCellMCViewSheet* cellAt(qint64 row) const;

    QListWidget* _tableView = nullptr;
    Done _done;
    QStringList _data;
    QList<bool> _status;
    QList<bool> _statusAtOpen;
    qint64 _selectedIndex = -1;
};

}  // namespace aq
