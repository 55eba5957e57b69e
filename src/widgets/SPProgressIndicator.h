#pragma once

#include <QColor>
#include <QPolygonF>
#include <QWidget>

#include <optional>

#include "widgets/SPBezierPath.h"

namespace aq {

// A ring that fills clockwise from 12 o'clock as progress runs from 0 to 1,
// over a full background ring. A negative progress, or clear(), takes both
// rings away until the next progress or ring change brings them back.
class SPProgressIndicator : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRingPoints = 72;

    explicit SPProgressIndicator(QWidget* parent = nullptr);

    QColor ringColor() const { return _ringColor; }
    QColor backRingColor() const { return _backRingColor; }
    // Either colour that differs is taken; a change redraws the rings.
    void setRingColor(const QColor& ring, const QColor& backgroundRing);
    QColor backColor() const { return _backColor; }
    void setBackgroundColor(const QColor& c);

    double ringThickness() const { return _ringThickness; }
    void setRingThickness(double t);
    // Half the width less the thickness until set (or fitted) explicitly.
    double ringRadius() const;
    void setRingRadius(double r);
    // Fits the ring to the current width.
    void sizeToFit();

    double currentProgress() const { return _currentProgress; }
    // The fraction of the ring that is filled, 0 … 1.
    double strokeEnd() const { return _strokeEnd; }
    bool ringsShown() const { return _ringsShown; }

    // Opacity of the whole drawing, for an overlay that fades it.
    double opacity() const { return _opacity; }
    void setOpacity(double o);

    // The ring as a closed polygon: 72 points on the circle from 12 o'clock
    // clockwise, then back to the first.
    static SPBezierPath ringPath(const QPointF& centre, double radius);
    static QPolygonF ringPolygon(const QPointF& centre, double radius);
    // The first `fraction` of that polygon's length.
    static QPolygonF ringStroke(const QPointF& centre, double radius, double fraction);

    QSize sizeHint() const override { return QSize(40, 40); }

public slots:
    // Negative progress clears the rings.
    void showProgress(float progress);
    void clear();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void resetRings();

    QColor _backRingColor;
    QColor _ringColor;
    QColor _backColor;
    double _currentProgress = 0;
    double _ringThickness = 6;
    std::optional<double> _ringRadius;
    double _strokeEnd = 0;
    bool _ringsShown = true;
    double _opacity = 1.0;
};

}  // namespace aq
