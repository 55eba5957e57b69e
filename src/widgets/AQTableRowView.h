#pragma once

#include <QPainterPath>
#include <QStyledItemDelegate>

namespace aq {

// Draws list rows with the application's selection: a rounded accent bar
// behind the selected row, its text in white. Everything else is drawn as
// QStyledItemDelegate draws it. Install it on a single-column list view with
// setItemDelegate().
class AQTableRowView : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit AQTableRowView(QObject* parent = nullptr);

    // The selection shape for a row's rectangle: radius 6 in both directions.
    static QPainterPath selectionPath(const QRectF& rowRect);
    // Whether a row in this state gets the selection drawn: it is selected
    // and its view has not switched selection off.
    static bool drawsSelection(const QStyleOptionViewItem& option);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

}  // namespace aq
