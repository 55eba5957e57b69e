// Geometry and painting of the progress overlay; the showing and hiding
// live in SPProgressHUD.cpp.
#include "widgets/SPProgressHUD.h"

#include "widgets/SPActivityIndicator.h"
#include "widgets/SPProgressHUDParts.h"
#include "widgets/SPProgressIndicator.h"
#include "widgets/Theme.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace aq {

namespace {

// The popup never grows past 250 × 200 including its padding.
constexpr double kMaxPopupWidth = 250.0;
constexpr double kMaxPopupHeight = 200.0;
constexpr double kPopupCornerRadius = 15.0;

QString withLineBreaks(QString text) {
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return text;
}

}  // namespace

SPProgressHUD::Layout SPProgressHUD::layoutFor(double textWidth, double textHeight, bool hasText,
                                               double padding, const QSizeF& indicatorSize) {
    const double p = padding;
    const double iw = indicatorSize.width();
    const double ih = indicatorSize.height();
    const double maxW = kMaxPopupWidth - 2 * p;
    const double maxH = kMaxPopupHeight - 2 * p;

    double lh = hasText ? double(float(textHeight + 8)) : 0.0;
    // A tall text is cut to what the popup can hold beside the indicator;
    // never below nothing, whatever the indicator's size.
    lh = std::max(0.0, std::min(lh, maxH - ih - 1.5 * p));
    const double cw = std::min(maxW, std::max(textWidth, iw));
    const double ly = lh != 0 ? p : 0.0;
    const double gap = lh != 0 ? p / 3 : p;
    const double top = lh != 0 ? p / 3 : 0.0;

    Layout out;
    out.popupSize = QSizeF(2 * p + cw, lh + ly + gap + ih + p + top);
    const double h = out.popupSize.height();
    // Bottom-up stacking: the label sits `ly` above the bottom edge, the
    // indicator `gap` above the label.
    out.labelFrame = QRectF(p, h - ly - lh, cw, lh);
    out.indicatorFrame = QRectF((2 * p + cw) / 2 - iw / 2, h - (ly + lh + gap) - ih, iw, ih);
    return out;
}

QSizeF SPProgressHUD::measureText(const QString& text, const QFont& font, double maxWidth) {
    const QFontMetricsF metrics(font);
    double widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        widest = std::max(widest, metrics.horizontalAdvance(line));
    }
    return QSizeF(widest + 5, hud::Label::layout(text, font, maxWidth));
}

QRectF SPProgressHUD::centredRect(const QSizeF& viewSize, const QSizeF& popupSize,
                                  const QPointF& offset, double scale) {
    const double w = popupSize.width() * scale;
    const double h = popupSize.height() * scale;
    return QRectF(offset.x() + viewSize.width() / 2 - w / 2,
                  offset.y() + viewSize.height() / 2 - h / 2, w, h);
}

QFont SPProgressHUD::labelFont() const {
    QFont font = QApplication::font();
    font.setBold(true);
    // Twelve device-independent pixels at the usual 96 dpi, scaled with the
    // user's font resolution elsewhere.
    font.setPointSizeF(9.0);
    return font;
}

QRectF SPProgressHUD::popupFrame() const {
    if (!_parentView) return QRectF();
    return centredRect(QSizeF(_parentView->size()), _pSize, _pOffset, _scale);
}

QString SPProgressHUD::status() const {
    return _label->text();
}

void SPProgressHUD::updateLayout() {
    update();  // the dimming may have changed
    const double maxW = kMaxPopupWidth - 2 * _pPadding;
    const QString text = _label->text();
    const QSizeF measured = measureText(text, labelFont(), maxW);
    // A note has no indicator: its text alone fills the popup.
    _layout = layoutFor(measured.width(), measured.height(), !text.isEmpty(), _pPadding,
                        _message ? QSizeF(0, 0) : _indicatorSize);
    _cancelFrame = QRectF();
    if (_cancelAction) {
        // The button goes under everything else; the popup widens for it if
        // need be, its other parts staying centred.
        const QSize hint = _cancelButton->sizeHint();
        const double bw = std::max(90.0, double(hint.width()));
        const double bh = double(hint.height());
        const double oldWidth = _layout.popupSize.width();
        const double width = std::max(oldWidth, bw + 2 * _pPadding);
        const double shift = (width - oldWidth) / 2;
        _layout.labelFrame.translate(shift, 0);
        _layout.indicatorFrame.translate(shift, 0);
        _cancelFrame = QRectF((width - bw) / 2, _layout.popupSize.height(), bw, bh);
        _layout.popupSize = QSizeF(width, _layout.popupSize.height() + bh + _pPadding);
    }
    _pSize = _layout.popupSize;
    _progressIndicator->resize(_layout.indicatorFrame.size().toSize());
    _progressIndicator->setRingThickness(6);
    _progressIndicator->sizeToFit();
    _activityIndicator->setColor(theme::white());
}

// Puts the popup and its parts where the current scale and opacities say.
// While scaled the parts keep their size and move with the popup's centre.
void SPProgressHUD::placeParts() {
    if (!_parentView) return;
    setGeometry(_parentView->rect());
    if (_backgroundMask) _backgroundMask->setGeometry(_parentView->rect());
    const QRectF frame = popupFrame();
    _mainHUD->setGeometry(frame.toAlignedRect());
    _mainHUD->setLook(theme::hudPopup(_pAlpha), _mainOpacity);
    const QPointF shift = frame.topLeft() - QPointF(_mainHUD->pos());
    auto place = [&](QWidget* w, const QRectF& r) {
        QRectF scaled(QPointF(), r.size());
        scaled.moveCenter(r.center() * _scale + shift);
        w->setGeometry(scaled.toRect());
    };
    place(_activityIndicator, _layout.indicatorFrame);
    place(_progressIndicator, _layout.indicatorFrame);
    place(_label, _layout.labelFrame);
    if (!_cancelFrame.isEmpty()) place(_cancelButton, _cancelFrame);
    const double content = _mainOpacity * _contentOpacity;
    _activityIndicator->setOpacity(content);
    _progressIndicator->setOpacity(content);
    _label->setOpacity(content);
}

void SPProgressHUD::paintEvent(QPaintEvent*) {
    // A note dims nothing: the page beneath stays as it is.
    if (_message) return;
    QPainter p(this);
    p.fillRect(rect(), QColor::fromRgbF(0, 0, 0, float(_backgroundAlpha)));
}

namespace hud {

Popup::Popup(QWidget* parent) : QWidget(parent) {}

void Popup::setLook(const QColor& fill, double opacity) {
    _fill = fill;
    _opacity = opacity;
    update();
}

void Popup::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(_opacity);
    p.setPen(Qt::NoPen);
    p.setBrush(_fill);
    p.drawRoundedRect(QRectF(rect()), kPopupCornerRadius, kPopupCornerRadius);
}

Label::Label(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Label::setText(const QString& text) {
    _text = text;
    update();
}

void Label::setOpacity(double opacity) {
    _opacity = opacity;
    update();
}

double Label::layout(const QString& text, const QFont& font, double width, QPainter* painter,
                     const QColor& color) {
    if (text.isEmpty()) return 0;
    QTextLayout layout(withLineBreaks(text), font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setAlignment(Qt::AlignHCenter);
    layout.setTextOption(option);
    double y = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    if (painter) {
        // Only whole lines: a text cut at the popup's height ends on its
        // last complete line, not on half a line.
        painter->setPen(color);
        const double room =
            painter->clipBoundingRect().isEmpty() ? y : painter->clipBoundingRect().bottom();
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine line = layout.lineAt(i);
            if (i > 0 && line.position().y() + line.height() > room + 0.5) break;
            line.draw(painter, QPointF(0, 0));
        }
    }
    return y;
}

void Label::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setOpacity(_opacity);
    p.setClipRect(rect());
    // The frame leaves a little room around the lines; they sit in its middle.
    const double h = layout(_text, font(), width());
    p.translate(0, std::max(0.0, (height() - h) / 2));
    layout(_text, font(), width(), &p, theme::hudText());
}

Mask::Mask() {
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

void Mask::mousePressEvent(QMouseEvent* e) {
    e->accept();
}
void Mask::mouseReleaseEvent(QMouseEvent* e) {
    e->accept();
}
void Mask::mouseDoubleClickEvent(QMouseEvent* e) {
    e->accept();
}
void Mask::mouseMoveEvent(QMouseEvent* e) {
    e->accept();
}
void Mask::wheelEvent(QWheelEvent* e) {
    e->accept();
}

}  // namespace hud

}  // namespace aq
