#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QStringList>
#include <QWidget>

namespace aq {

// A self-drawn, read-only grid of text: a header of column titles above the
// rows, grid lines, a rounded border and one highlighted row that a click
// selects. It holds no model: the owner sets columns and rows and reads
// selectedRow when it needs the choice. All columns share the width evenly.
class AQTableView : public QWidget {
    Q_OBJECT
public:
    explicit AQTableView(QWidget* parent = nullptr);

    double headerHeight() const { return _headerHeight; }
    void setHeaderHeight(double h);
    QFont headerFont() const { return _headerFont; }
    void setHeaderFont(const QFont& f);
    QColor headerBackgroundColor() const { return _headerBackgroundColor; }
    void setHeaderBackgroundColor(const QColor& c);
    QColor headerTextColor() const { return _headerTextColor; }
    void setHeaderTextColor(const QColor& c);
    double cellHeight() const { return _cellHeight; }
    void setCellHeight(double h);
    QFont cellFont() const { return _cellFont; }
    void setCellFont(const QFont& f);
    QColor cellBackgroundColor() const { return _cellBackgroundColor; }
    void setCellBackgroundColor(const QColor& c);
    QColor cellTextColor() const { return _cellTextColor; }
    void setCellTextColor(const QColor& c);
    QColor selectedColor() const { return _selectedColor; }
    void setSelectedColor(const QColor& c);
    // The highlighted row; -1 for none. A new table selects row 1.
    qint64 selectedRow() const { return _selectedRow; }
    void setSelectedRow(qint64 row);
    QColor gridColor() const { return _gridColor; }
    void setGridColor(const QColor& c);
    double gridSize() const { return _gridSize; }
    void setGridSize(double s);
    bool gridDrawRows() const { return _gridDrawRows; }
    void setGridDrawRows(bool on);
    bool gridDrawColumns() const { return _gridDrawColumns; }
    void setGridDrawColumns(bool on);
    bool drawBorder() const { return _drawBorder; }
    void setDrawBorder(bool on);
    double borderSize() const { return _borderSize; }
    void setBorderSize(double b);
    QColor borderColor() const { return _borderColor; }
    void setBorderColor(const QColor& c);
    double borderCornerRadius() const { return _borderCornerRadius; }
    void setBorderCornerRadius(double r);
    // An empty list counts as one untitled column.
    QStringList columns() const { return _columns; }
    void setColumns(const QStringList& columns);
    // One text per column; a short row leaves its last cells empty.
    const QList<QStringList>& rows() const { return _rows; }
    void setRows(const QList<QStringList>& rows);

    // Geometry, in the table's coordinates (y grows downward).
    // The row a click at height y selects, or -1 (header, below the rows).
    static qint64 rowAt(double y, double headerHeight, double cellHeight, qsizetype rowCount);
    // Heights of the horizontal grid lines: under the header and every row.
    static QList<double> rowLines(double headerHeight, double cellHeight, qsizetype rowCount);
    // Positions of the vertical grid lines between the columns.
    static QList<double> columnLines(double width, qsizetype columnCount);
    // The highlight's rectangle, or an empty one when the selection is not a row.
    static QRectF selectionRect(double width, double headerHeight, double cellHeight,
                                qint64 selectedRow, qsizetype rowCount);

    // This table's backgrounds (rounded at the outer corners when it has a
    // rounded border) and text origins (top left of each text).
    QPainterPath headerBackground() const;
    QPainterPath cellBackground() const;
    double textInset() const;
    QPointF headerTextOrigin(int column) const;
    QPointF cellTextOrigin(int row, int column) const;
    double columnWidth() const;
    int columnCount() const;

    QSize sizeHint() const override { return QSize(400, 200); }

signals:
    // A double click on a row, or Return or Enter while a row is highlighted.
    void rowActivated(qint64 row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPainterPath outline() const;
    void drawGrid(QPainter& p) const;
    void drawText(QPainter& p) const;

    double _headerHeight = 32.0;
    QFont _headerFont;
    QColor _headerBackgroundColor;
    QColor _headerTextColor;
    double _cellHeight = 24.0;
    QFont _cellFont;
    QColor _cellBackgroundColor;
    QColor _cellTextColor;
    QColor _selectedColor;
    qint64 _selectedRow = 1;
    QColor _gridColor;
    double _gridSize = 1.0;
    bool _gridDrawRows = true;
    bool _gridDrawColumns = true;
    bool _drawBorder = true;
    double _borderSize = 1.5;
    QColor _borderColor;
    double _borderCornerRadius = 5.0;
    QStringList _columns;
    QList<QStringList> _rows;
};

}  // namespace aq
