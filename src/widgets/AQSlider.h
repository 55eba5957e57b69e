#pragma once

#include <QColor>
#include <QLineF>
#include <QRectF>
#include <QSlider>

namespace aq {

// A horizontal slider drawn as a thin track, a thick value bar and a round
// knob. Its value reads as a percentage (the range defaults to 0 … 100).
// Keyboard, wheel and the QAbstractSlider signals behave as in QSlider; the
// mouse follows the painted knob rather than the style's handle.
class AQSlider : public QSlider {
    Q_OBJECT
public:
    explicit AQSlider(QWidget* parent = nullptr);

    QColor fullLineColor() const { return _fullLineColor; }
    void setFullLineColor(const QColor& c);
    QColor valueLineColor() const { return _valueLineColor; }
    void setValueLineColor(const QColor& c);
    QColor knobColor() const { return _knobColor; }
    void setKnobColor(const QColor& c);

    // Everything one drawing pass places, for a width, height and percent.
    struct Geometry {
        double knobRadius;  // k = H × 0.4
        double centreY;     // the line the track and bar run along
        double knobX;       // the knob's left edge: (W − 2k) × v / 100
        QLineF track;       // full width, 2 wide
        QLineF valueBar;    // from 0 to the knob's left edge, 5 wide
        QRectF knob;        // the circle's square
    };
    static Geometry geometry(double width, double height, double percent);
    // The percent whose knob centre sits at x (unclamped).
    static double percentAt(double x, double width, double height);

    // The value as a percentage of the range.
    double percent() const;
    // Whether the mouse has moved the knob since the last press.
    bool dragged() const { return _dragged; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int valueAt(double x) const;

    QColor _fullLineColor;
    QColor _valueLineColor;
    QColor _knobColor;
    // While dragging: where on the knob the mouse took hold, so the knob
    // does not jump under the pointer.
    double _grabOffset = 0;
    bool _dragged = false;
};

}  // namespace aq
