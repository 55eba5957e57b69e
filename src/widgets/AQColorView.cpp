#include "widgets/AQColorView.h"

#include <QPainter>

namespace aq {

AQColorView::AQColorView(QWidget* parent) : QWidget(parent) {}

void AQColorView::setFillColor(const QColor& c) {
    _fillColor = c;
    update();
}

void AQColorView::paintEvent(QPaintEvent*) {
    if (!_fillColor.isValid()) return;
    QPainter p(this);
    p.fillRect(rect(), _fillColor);
}

}  // namespace aq
