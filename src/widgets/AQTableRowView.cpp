#include "widgets/AQTableRowView.h"

#include "widgets/Theme.h"

#include <QAbstractItemView>
#include <QPainter>

namespace aq {

AQTableRowView::AQTableRowView(QObject* parent) : QStyledItemDelegate(parent) {}

QPainterPath AQTableRowView::selectionPath(const QRectF& rowRect) {
    QPainterPath path;
    path.addRoundedRect(rowRect, 6, 6);
    return path;
}

bool AQTableRowView::drawsSelection(const QStyleOptionViewItem& option) {
    if (!(option.state & QStyle::State_Selected)) return false;
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    return !view || view->selectionMode() != QAbstractItemView::NoSelection;
}

void AQTableRowView::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    QStyleOptionViewItem opt(option);
    if (drawsSelection(option)) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->fillPath(selectionPath(QRectF(option.rect)), theme::accent());
        painter->restore();
        // The style must not paint its own highlight over ours; the text
        // keeps the contrast a highlight would give it.
        opt.state &= ~QStyle::State_Selected;
        opt.state &= ~QStyle::State_HasFocus;
        opt.palette.setColor(QPalette::Text, theme::white());
        opt.palette.setColor(QPalette::WindowText, theme::white());
    }
    QStyledItemDelegate::paint(painter, opt, index);
}

}  // namespace aq
