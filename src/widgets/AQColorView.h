#pragma once

#include <QColor>
#include <QWidget>

namespace aq {

// A plain colour swatch. An invalid colour (the default) paints nothing, so
// the parent shows through.
class AQColorView : public QWidget {
    Q_OBJECT
public:
    explicit AQColorView(QWidget* parent = nullptr);

    QColor fillColor() const { return _fillColor; }
    void setFillColor(const QColor& c);

    QSize sizeHint() const override { return QSize(24, 24); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor _fillColor;
};

}  // namespace aq
