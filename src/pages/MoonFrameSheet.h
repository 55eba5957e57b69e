#pragma once

#include <QDialog>

class QTimeEdit;

namespace aq {

class AQButton;

// The moon window sheet: when the moon starts and stops shining each night.
// Its owner reads the window into the pickers and sends each edit; the
// pickers stay disabled until the window has been read.
class MoonFrameSheet : public QDialog {
    Q_OBJECT
public:
    explicit MoonFrameSheet(QWidget* parent = nullptr);

    QTimeEdit* dtpTimeframeFrom() const { return _dtpTimeframeFrom; }
    QTimeEdit* dtpTimeframeTo() const { return _dtpTimeframeTo; }
    AQButton* btnClose() const { return _btnClose; }

    void setPickersEnabled(bool on);

private:
    QTimeEdit* _dtpTimeframeFrom;
    QTimeEdit* _dtpTimeframeTo;
    AQButton* _btnClose;
};

}  // namespace aq
