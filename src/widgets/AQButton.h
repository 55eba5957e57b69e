#pragma once

#include <QColor>
#include <QPushButton>
#include <QRectF>

namespace aq {

// A push button with rounded corners in the application's colours. It keeps
// the behaviour of QPushButton (clicks, checked state, enabled state) and
// replaces only the drawing. Three forms: a plain button, a toggle button
// (checkable; its title turns accent while on) and a checkbox (a rounded box
// with a tick; the title is not drawn).
class AQButton : public QPushButton {
    Q_OBJECT
public:
    explicit AQButton(QWidget* parent = nullptr);
    explicit AQButton(const QString& title, QWidget* parent = nullptr);

    QColor borderColor() const { return _borderColor; }
    void setBorderColor(const QColor& c);
    double borderSize() const { return _borderSize; }
    void setBorderSize(double b);
    double borderCornerRadius() const { return _borderCornerRadius; }
    void setBorderCornerRadius(double r);
    QColor textColor() const { return _textColor; }
    void setTextColor(const QColor& c);
    QColor backgroundColor() const { return _backgroundColor; }
    void setBackgroundColor(const QColor& c);
    QColor textColorPressed() const { return _textColorPressed; }
    void setTextColorPressed(const QColor& c);
    QColor backgroundColorPressed() const { return _backgroundColorPressed; }
    void setBackgroundColorPressed(const QColor& c);
    // Both forms make the button checkable, so a click flips its state.
    bool toggleButton() const { return _toggleButton; }
    void setToggleButton(bool on);
    bool checkboxButton() const { return _checkboxButton; }
    void setCheckboxButton(bool on);

    // Geometry of one drawing pass over the bounds R with border width b:
    // the rectangle that is filled and outlined, and the checkbox's square.
    static QRectF innerRect(const QRectF& bounds, double border);
    static QRectF checkboxRect(const QRectF& bounds, double border);

    // The colours of a pass given the three facts the drawing depends on.
    QColor fillColor(bool highlighted) const;
    QColor titleColor(bool highlighted, bool on, bool enabled) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void init();

    QColor _borderColor;
    double _borderSize = 1.0;
    double _borderCornerRadius = 5.0;
    QColor _textColor;
    QColor _backgroundColor;
    QColor _textColorPressed;
    QColor _backgroundColorPressed;
    bool _toggleButton = false;
    bool _checkboxButton = false;
};

}  // namespace aq
