#include "widgets/AQTableView.h"

#include "widgets/Accessibility.h"
#include "widgets/Theme.h"

#include <QAccessible>
#include <QApplication>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace aq {

namespace {

template <typename T>
void assign(AQTableView* table, T& field, const T& value) {
    field = value;
    table->update();
}

// A line of odd whole width drawn on a whole coordinate straddles two pixel
// rows; half a pixel along keeps it sharp.
double crisp(double v, double width) {
    const double w = std::round(width);
    return (std::abs(width - w) < 1e-9 && int(w) % 2 == 1) ? std::floor(v) + 0.5 : v;
}

}  // namespace

AQTableView::AQTableView(QWidget* parent) : QWidget(parent) {
    installAccessibility();
    _headerFont = QApplication::font();
    _headerFont.setBold(true);
    _headerBackgroundColor = theme::darkGray();
    _headerTextColor = theme::white();
    _cellFont = QApplication::font();
    _cellBackgroundColor = theme::white();
    _cellTextColor = theme::black();
    _selectedColor = theme::red();
    _gridColor = theme::black();
    _borderColor = theme::black();
    _columns = QStringList{QString()};
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
}

void AQTableView::setHeaderHeight(double h) {
    assign(this, _headerHeight, h);
}
void AQTableView::setHeaderFont(const QFont& f) {
    assign(this, _headerFont, f);
}
void AQTableView::setHeaderBackgroundColor(const QColor& c) {
    assign(this, _headerBackgroundColor, c);
}
void AQTableView::setHeaderTextColor(const QColor& c) {
    assign(this, _headerTextColor, c);
}
void AQTableView::setCellHeight(double h) {
    assign(this, _cellHeight, h);
}
void AQTableView::setCellFont(const QFont& f) {
    assign(this, _cellFont, f);
}
void AQTableView::setCellBackgroundColor(const QColor& c) {
    assign(this, _cellBackgroundColor, c);
}
void AQTableView::setCellTextColor(const QColor& c) {
    assign(this, _cellTextColor, c);
}
void AQTableView::setSelectedColor(const QColor& c) {
    assign(this, _selectedColor, c);
}
void AQTableView::setSelectedRow(qint64 row) {
    if (row == _selectedRow) return;
    assign(this, _selectedRow, row);
    // Screen readers follow the highlighted row as they follow a list's focus.
    if (QAccessible::isActive() && row >= 0 && row < _rows.size()) {
        QAccessibleEvent selection(this, QAccessible::Selection);
        selection.setChild(int(row));
        QAccessible::updateAccessibility(&selection);
        if (hasFocus()) {
            QAccessibleEvent focus(this, QAccessible::Focus);
            focus.setChild(int(row));
            QAccessible::updateAccessibility(&focus);
        }
    }
}
void AQTableView::setGridColor(const QColor& c) {
    assign(this, _gridColor, c);
}
void AQTableView::setGridSize(double s) {
    assign(this, _gridSize, s);
}
void AQTableView::setGridDrawRows(bool on) {
    assign(this, _gridDrawRows, on);
}
void AQTableView::setGridDrawColumns(bool on) {
    assign(this, _gridDrawColumns, on);
}
void AQTableView::setDrawBorder(bool on) {
    assign(this, _drawBorder, on);
}
void AQTableView::setBorderSize(double b) {
    assign(this, _borderSize, b);
}
void AQTableView::setBorderColor(const QColor& c) {
    assign(this, _borderColor, c);
}
void AQTableView::setBorderCornerRadius(double r) {
    assign(this, _borderCornerRadius, r);
}
void AQTableView::setColumns(const QStringList& columns) {
    assign(this, _columns, columns);
}
void AQTableView::setRows(const QList<QStringList>& rows) {
    if (rows == _rows) return;
    assign(this, _rows, rows);
    if (QAccessible::isActive()) {
        QAccessibleEvent reorder(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&reorder);
    }
}

qint64 AQTableView::rowAt(double y, double headerHeight, double cellHeight, qsizetype rowCount) {
    if (cellHeight <= 0) return -1;
    if (y > headerHeight && y < headerHeight + double(rowCount) * cellHeight) {
        return qint64((y - headerHeight) / cellHeight);
    }
    return -1;
}

QList<double> AQTableView::rowLines(double headerHeight, double cellHeight, qsizetype rowCount) {
    QList<double> ys;
    for (qsizetype k = 0; k <= rowCount; ++k) ys.append(headerHeight + double(k) * cellHeight);
    return ys;
}

QList<double> AQTableView::columnLines(double width, qsizetype columnCount) {
    QList<double> xs;
    for (qsizetype k = 1; k < columnCount; ++k) xs.append(double(k) * width / double(columnCount));
    return xs;
}

QRectF AQTableView::selectionRect(double width, double headerHeight, double cellHeight,
                                  qint64 selectedRow, qsizetype rowCount) {
    if (selectedRow < 0 || selectedRow >= rowCount) return QRectF();
    return QRectF(0, headerHeight + double(selectedRow) * cellHeight, width, cellHeight);
}

int AQTableView::columnCount() const {
    return std::max<int>(1, int(_columns.size()));
}

double AQTableView::columnWidth() const {
    return double(width()) / columnCount();
}

QPainterPath AQTableView::outline() const {
    QPainterPath path;
    const QRectF all(0, 0, width(), height());
    if (_drawBorder && _borderCornerRadius > 0) {
        path.addRoundedRect(all, _borderCornerRadius, _borderCornerRadius);
    } else {
        path.addRect(all);
    }
    return path;
}

QPainterPath AQTableView::headerBackground() const {
    QPainterPath band;
    band.addRect(QRectF(0, 0, width(), _headerHeight));
    return outline().intersected(band);
}

QPainterPath AQTableView::cellBackground() const {
    QPainterPath band;
    band.addRect(QRectF(0, _headerHeight, width(), std::max(0.0, height() - _headerHeight)));
    return outline().intersected(band);
}

double AQTableView::textInset() const {
    return _headerHeight / 2 - QFontMetricsF(_headerFont).height() / 2;
}

QPointF AQTableView::headerTextOrigin(int column) const {
    const double p = textInset();
    return QPointF(column * columnWidth() + p, p);
}

QPointF AQTableView::cellTextOrigin(int row, int column) const {
    const double p = textInset();
    const double q = _cellHeight / 2 - QFontMetricsF(_cellFont).height() / 2;
    return QPointF(column * columnWidth() + p, _headerHeight + row * _cellHeight + q);
}

void AQTableView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    drawGrid(p);
    drawText(p);
}

void AQTableView::drawGrid(QPainter& p) const {
    const double w = width();
    p.fillPath(headerBackground(), _headerBackgroundColor);
    p.fillPath(cellBackground(), _cellBackgroundColor);

    const QRectF sel = selectionRect(w, _headerHeight, _cellHeight, _selectedRow, _rows.size());
    if (!sel.isEmpty()) {
        QPainterPath band;
        band.addRect(sel);
        p.fillPath(outline().intersected(band), _selectedColor);
    }

    if (_gridSize > 0 && (_gridDrawRows || _gridDrawColumns)) {
        p.setPen(QPen(_gridColor, _gridSize, Qt::SolidLine, Qt::FlatCap));
        if (_gridDrawRows) {
            // Only the lines inside the table: a long list is not walked in full.
            const double fit =
                _cellHeight > 0
                    ? std::floor(std::max(0.0, height() - _headerHeight) / _cellHeight) + 1
                    : double(_rows.size());
            const auto shown = qsizetype(std::min(double(_rows.size()), fit));
            for (double y : rowLines(_headerHeight, _cellHeight, shown)) {
                y = crisp(y, _gridSize);
                p.drawLine(QPointF(0, y), QPointF(w, y));
            }
        }
        if (_gridDrawColumns) {
            for (double x : columnLines(w, columnCount())) {
                x = crisp(x, _gridSize);
                p.drawLine(QPointF(x, 0), QPointF(x, height()));
            }
        }
    }

    if (_drawBorder && _borderSize > 0) {
        const double b = _borderSize;
        const QRectF inset(b / 2, b / 2, w - b, height() - b);
        const auto r = double(float(_borderCornerRadius));
        p.setPen(QPen(hasFocus() ? theme::focusRing() : _borderColor, b));
        p.setBrush(Qt::NoBrush);
        if (r > 0) {
            p.drawRoundedRect(inset, r, r);
        } else {
            p.drawRect(inset);
        }
    }
}

void AQTableView::drawText(QPainter& p) const {
    const int n = columnCount();
    const double p0 = textInset();
    // Texts stay inside their column: a long one ends in an ellipsis rather
    // than running over its neighbour.
    const double room = std::max(0.0, columnWidth() - 2 * p0);

    const QFontMetricsF hm(_headerFont);
    p.setFont(_headerFont);
    p.setPen(_headerTextColor);
    for (int k = 0; k < n && k < _columns.size(); ++k) {
        const QPointF o = headerTextOrigin(k);
        p.drawText(QPointF(o.x(), o.y() + hm.ascent()),
                   hm.elidedText(_columns[k], Qt::ElideRight, room));
    }

    const QFontMetricsF cm(_cellFont);
    p.setFont(_cellFont);
    p.setPen(_cellTextColor);
    for (int i = 0; i < _rows.size(); ++i) {
        const QPointF rowOrigin = cellTextOrigin(i, 0);
        if (rowOrigin.y() > height()) break;
        const QStringList& row = _rows[i];
        for (int k = 0; k < n && k < row.size(); ++k) {
            const QPointF o = cellTextOrigin(i, k);
            p.drawText(QPointF(o.x(), o.y() + cm.ascent()),
                       cm.elidedText(row[k], Qt::ElideRight, room));
        }
    }
}

void AQTableView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setSelectedRow(rowAt(event->position().y(), _headerHeight, _cellHeight, _rows.size()));
    event->accept();
}

void AQTableView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    const qint64 row = rowAt(event->position().y(), _headerHeight, _cellHeight, _rows.size());
    setSelectedRow(row);
    if (row >= 0) emit rowActivated(row);
    event->accept();
}

void AQTableView::mouseMoveEvent(QMouseEvent* event) {
    const bool overRow =
        rowAt(event->position().y(), _headerHeight, _cellHeight, _rows.size()) >= 0;
    setCursor(overRow ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QWidget::mouseMoveEvent(event);
}

void AQTableView::keyPressEvent(QKeyEvent* event) {
    const qint64 n = _rows.size();
    if (n == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    const bool none = _selectedRow < 0 || _selectedRow >= n;
    switch (event->key()) {
        case Qt::Key_Up:
            setSelectedRow(none ? n - 1 : std::max<qint64>(0, _selectedRow - 1));
            break;
        case Qt::Key_Down:
            setSelectedRow(none ? 0 : std::min(n - 1, _selectedRow + 1));
            break;
        case Qt::Key_Home:
            setSelectedRow(0);
            break;
        case Qt::Key_End:
            setSelectedRow(n - 1);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (none) {
                QWidget::keyPressEvent(event);
                return;
            }
            emit rowActivated(_selectedRow);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

}  // namespace aq
