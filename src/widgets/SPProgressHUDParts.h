#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

// The progress overlay's own pieces. Only SPProgressHUD makes them.
namespace aq::hud {

// The rounded popup. Its opacity is painted, and its children read it.
class Popup : public QWidget {
public:
    explicit Popup(QWidget* parent);
    void setLook(const QColor& fill, double opacity);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor _fill;
    double _opacity = 1.0;
};

// The status text: centred lines, wrapped at word boundaries (or inside a
// word too long for a line), painted at an opacity.
class Label : public QWidget {
public:
    explicit Label(QWidget* parent);
    QString text() const { return _text; }
    void setText(const QString& text);
    void setOpacity(double opacity);

    // Lays the text out at a width and paints it if a painter is given;
    // returns the height of the lines.
    static double layout(const QString& text, const QFont& font, double width,
                         QPainter* painter = nullptr, const QColor& color = QColor());

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString _text;
    double _opacity = 1.0;
};

// The invisible layer over the covered view that takes its clicks and
// wheel turns, so that none reaches a control beneath.
class Mask : public QWidget {
public:
    Mask();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
};

}  // namespace aq::hud
