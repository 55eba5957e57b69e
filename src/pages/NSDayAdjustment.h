#pragma once

#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

#include "curve/DayAdjustmentGraph.h"
#include "pages/DayEditHistory.h"
#include "platform/DayChartPainter.h"

namespace aq {

class AQAdjustController;

// The day-curve chart on screen: owns a DayAdjustmentGraph, paints it, and
// turns the mouse into the graph's editing. A press holds the point under
// it, a drag moves the held point or, away from every point, shifts the
// whole selected curve; a double click removes the point under it or adds
// one; a right click opens the point adjust sheet. In moon mode the curves
// are shown but not edited.
//
// With the keyboard: Tab and Shift+Tab hold the next and previous point of
// the curve (past either end the focus moves on), the arrow keys move it by
// a minute or a percent (with Shift by 15 minutes or 10 percent), Delete
// removes it, Insert adds a point halfway along the segment after it, and
// the keys 1 to 9 pick the channel. Every edit, by mouse, keyboard or sheet,
// is reported once with the points before and after it.
class NSDayAdjustment : public QWidget {
    Q_OBJECT
public:
    explicit NSDayAdjustment(QWidget* parent = nullptr);
    ~NSDayAdjustment() override;

    // Selects the curve to edit and redraws.
    void setChannel(std::uint8_t n);

    // Hears of every finished edit: the channel's points before and after,
    // and what was done ("move point").
    using EditReport = std::function<void(ChannelChange change, const QString& what)>;
    void setOnEdit(EditReport report) { _onEdit = std::move(report); }
    // Hears of a channel picked with the keyboard.
    void setOnChannelPicked(std::function<void(std::uint8_t)> picked) {
        _onChannelPicked = std::move(picked);
    }
    // The point the keyboard holds on the selected curve, or -1.
    std::int32_t keyPoint() const;

    DayAdjustmentGraph& daGraph() { return *_daGraph; }
    const DayAdjustmentGraph& daGraph() const { return *_daGraph; }
    bool moonMode() const { return _moonMode; }
    void setMoonMode(bool on);
    // The window the adjust sheet opens on; without one a right click only logs.
    QWidget* wnd() const { return _wnd; }
    void setWnd(QWidget* wnd) { _wnd = wnd; }

    // The adjust sheet once a right click has made it.
    AQAdjustController* adjustSheet() const { return _adjustSheet.get(); }

    // The mouse operations in view coordinates (y grows downward).
    void mouseDown(const QPointF& position);
    void mouseDragged(const QPointF& position);
    void mouseUp(const QPointF& position, int clickCount);
    void rightMouseDown(const QPointF& position);

    // The status text shown beside a dragged point: "percent%@hh:mm" while
    // a point is held and moved, empty otherwise.
    QString statusText() const;
    // What a screen reader says of the chart: the selected curve and the
    // point the keyboard holds on it.
    QString spokenValue() const;
    // Where the status box of the given size goes: above and right of the
    // point, flipped to whichever side keeps it inside the bounds.
    static QRectF statusTextRect(const QPointF& point, double markerRadius, const QSizeF& size,
                                 const QRectF& bounds);

    QSize sizeHint() const override { return QSize(800, 480); }
    QSize minimumSizeHint() const override { return QSize(320, 200); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Tells screen readers the chart's value changed.
    void announceValue();
    void initMembers();
    void drawStatusText(QPainter& painter);
    // Reports the edit of the selected curve when its points differ from before.
    void reportEdit(std::uint8_t channel, std::vector<CurvePoint> before, const QString& what);
    // Holds the next (step 1) or previous (-1) point; false past either end.
    bool stepKeyPoint(int step);
    void dropKeyPoint();
    void moveKeyPoint(int minutes, int percent);
    void removeKeyPoint();
    void insertAfterKeyPoint();

    bool _mouseDown = false;
    bool _drag = false;
    QPointF _lastDrag;
    std::unique_ptr<AQAdjustController> _adjustSheet;
    bool _moonMode = false;
    std::unique_ptr<DayAdjustmentGraph> _daGraph;
    // Keeps the chart's background between frames.
    DayChartPainter _chartPainter;
    QPointer<QWidget> _wnd;
    // Clicks of the press in progress: a double click's second press counts 2.
    int _clickCount = 1;
    // The selected curve as the press in progress found it.
    std::vector<CurvePoint> _pressBefore;
    std::uint8_t _pressChannel = 0;
    bool _pressHeldPoint = false;
    bool _keyHeld = false;
    EditReport _onEdit;
    std::function<void(std::uint8_t)> _onChannelPicked;
};

}  // namespace aq
