#pragma once

#include <functional>

#include "pages/SheetController.h"

class QLabel;
class QTimeEdit;

namespace aq {

class AQSlider;

// A sheet that edits one set point of a day curve: its time of day in hours
// and minutes, and its intensity in whole percent. The values go in and out
// as fractions (w of 1440 minutes, h of full); a control the user does not
// touch hands its value back exactly as it came. The completion runs when
// the sheet is accepted; Escape leaves the point as it was.
class AQAdjustController : public SheetController {
    Q_OBJECT
public:
    using Done = std::function<void(float w, float h)>;

    explicit AQAdjustController(QObject* parent = nullptr);
    ~AQAdjustController() override;

    void openSheet(QWidget* wnd, float w, float h);
    void setOnDone(Done done) { _done = std::move(done); }

    // The controls' actions.
    void sliderChanged();
    void datePickerChaned();
    void okPressed();

    float w() const { return _w; }
    float h() const { return _h; }

    // The controls while the sheet is loaded.
    QLabel* lbIntense() const { return _lbIntense; }
    AQSlider* slIntense() const { return _slIntense; }
    QTimeEdit* dpTime() const { return _dpTime; }

    // The picker's minutes and the slider's percent for a point, truncated
    // and kept to what the controls can show.
    static int minutesFor(float w);
    static int percentFor(float h);

protected:
    void loadSheet(QDialog& dialog, QVBoxLayout& layout) override;
    void setControls() override;
    void sheetDidEnd() override;

private:
    QLabel* _lbIntense = nullptr;
    AQSlider* _slIntense = nullptr;
    QTimeEdit* _dpTime = nullptr;
    Done _done;
    float _w = 0.0f;
    float _h = 0.0f;
};

}  // namespace aq
