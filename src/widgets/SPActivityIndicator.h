#pragma once

#include <QColor>
#include <QLineF>
#include <QList>
#include <QSizeF>
#include <QWidget>

class QTimer;

namespace aq {

// A spinner of twelve fins whose brightness runs clockwise around the
// circle. Every tick (0.05 s) the brightest fin moves one step and every fin
// dims by 15 % towards a floor of 0.15; stopping lets the fins fade to the
// floor before the timer ends. The timer only calls updateFrame(), so tests
// drive the spinner tick by tick.
class SPActivityIndicator : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFinCount = 12;
    static constexpr int kTickMs = 50;
    static constexpr double kFloorAlpha = 0.15;

    explicit SPActivityIndicator(QWidget* parent = nullptr);

    // Fin geometry for a view size: S is the shorter side.
    struct FinGeometry {
        double side;
        double inner;  // distance of the fin's inner end from the centre
        double outer;  // distance of its outer end
        double width;  // line width, with round ends
    };
    static FinGeometry finGeometry(const QSizeF& size);
    // Fin i in view coordinates: fin 0 points to 12 o'clock, the next ones
    // follow counter-clockwise, 30° apart.
    static QLineF finLine(const QSizeF& size, int i);

    int position() const { return _position; }
    const QList<QColor>& finColors() const { return _finColors; }
    bool isFadingOut() const { return _isFadingOut; }
    bool isAnimating() const { return _isAnimating; }
    bool timerRunning() const;

    QColor foreColor() const { return _foreColor; }
    // Changes the fins' colour; each fin keeps its brightness.
    void setColor(const QColor& c);
    QColor backColor() const { return _backColor; }
    void setBackgroundColor(const QColor& c);
    // Opacity of the whole drawing, for an overlay that fades it.
    double opacity() const { return _opacity; }
    void setOpacity(double o);

    QSize sizeHint() const override { return QSize(40, 40); }

public slots:
    // Starts spinning, unless it already spins and is not fading out.
    void startAnimation();
    // Fades out; the spinner stops by itself once every fin is at the floor.
    void stopAnimation();
    // One tick of the timer.
    void updateFrame();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void stop();
    // Tells screen readers the busy state changed.
    void announceBusy();

    int _position = 0;
    QList<QColor> _finColors;
    bool _isFadingOut = false;
    bool _isAnimating = false;
    QTimer* _animationTimer = nullptr;
    QColor _foreColor;
    QColor _backColor;
    double _opacity = 1.0;
};

}  // namespace aq
