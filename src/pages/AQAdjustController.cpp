#include "pages/AQAdjustController.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTime>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <cmath>

#include "link/Log.h"
#include "widgets/AQButton.h"
#include "widgets/AQSlider.h"

namespace aq {

namespace {
QString percentText(int percent) {
    return QStringLiteral("%1%").arg(percent);
}

// Truncates toward zero and keeps the result inside lo .. hi; a value that is
// not a number shows as lo.
int truncatedWithin(double v, int lo, int hi) {
    const double t = std::trunc(v);
    if (!(t > lo)) return lo;
    if (t > hi) return hi;
    return static_cast<int>(t);
}
// A click into a time field leaves a bare cursor, and Qt 6.4's time edit
// refuses digits typed beside the ones already there: typing "0630" after a
// click changed nothing. Selecting the clicked section makes typed digits
// replace it, as they do after Tab.
class SectionOnClick : public QObject {
public:
    explicit SectionOnClick(QTimeEdit* edit) : QObject(edit), _edit(edit) {
        if (QLineEdit* line = edit->findChild<QLineEdit*>()) line->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonRelease) return false;
        // The line edit places its cursor first; the section it lies in is then chosen.
        static_cast<QObject*>(watched)->event(event);
        _edit->setSelectedSection(_edit->currentSection());
        return true;
    }

private:
    QTimeEdit* _edit;
};

}  // namespace

AQAdjustController::AQAdjustController(QObject* parent) : SheetController(parent) {}

AQAdjustController::~AQAdjustController() = default;

int AQAdjustController::minutesFor(float w) {
    return truncatedWithin(static_cast<double>(w * 1440.0f), 0, 1439);
}

int AQAdjustController::percentFor(float h) {
    return truncatedWithin(static_cast<double>(h * 100.0f), 0, 100);
}

void AQAdjustController::openSheet(QWidget* wnd, float w, float h) {
    _w = w;
    _h = h;
    beginSheet(wnd);
}

void AQAdjustController::loadSheet(QDialog& dialog, QVBoxLayout& layout) {
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);

    grid->addWidget(new QLabel(tr("Time"), &dialog), 0, 0);
    _dpTime = new QTimeEdit(&dialog);
    _dpTime->setDisplayFormat(QStringLiteral("HH:mm"));
    _dpTime->setMinimumWidth(90);
    new SectionOnClick(_dpTime);
    grid->addWidget(_dpTime, 0, 1, 1, 2, Qt::AlignLeft);

    grid->addWidget(new QLabel(tr("Intensity"), &dialog), 1, 0);
    _slIntense = new AQSlider(&dialog);
    _slIntense->setRange(0, 100);
    _slIntense->setMinimumWidth(200);
    grid->addWidget(_slIntense, 1, 1);
    _lbIntense = new QLabel(&dialog);
    _lbIntense->setMinimumWidth(48);
    _lbIntense->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(_lbIntense, 1, 2);
    grid->setColumnStretch(1, 1);
    layout.addLayout(grid);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new AQButton(tr("OK"), &dialog);
    ok->setMinimumSize(90, 28);
    ok->setDefault(true);
    connect(ok, &AQButton::clicked, this, &AQAdjustController::okPressed);
    buttons->addWidget(ok);
    layout.addLayout(buttons);

    connect(_slIntense, &AQSlider::valueChanged, this, &AQAdjustController::sliderChanged);
    connect(_dpTime, &QTimeEdit::timeChanged, this, &AQAdjustController::datePickerChaned);
}

void AQAdjustController::setControls() {
    logLine(format("--> w%f h%f", static_cast<double>(_w), static_cast<double>(_h)));
    if (!_slIntense || !_dpTime) return;
    // Setting the controls must not feed their rounded values back into w and h.
    const QSignalBlocker sliderBlock(_slIntense);
    const QSignalBlocker timeBlock(_dpTime);
    _slIntense->setValue(percentFor(_h));
    _lbIntense->setText(percentText(_slIntense->value()));
    const int minutes = minutesFor(_w);
    _dpTime->setTime(QTime(minutes / 60, minutes % 60));
}

void AQAdjustController::sliderChanged() {
    if (!_slIntense) return;
    const int percent = _slIntense->value();
    _lbIntense->setText(percentText(percent));
    _h = static_cast<float>(percent) / 100.0f;
}

void AQAdjustController::datePickerChaned() {
    if (!_dpTime) return;
    const QTime t = _dpTime->time();
    _w = static_cast<float>(t.hour() * 60 + t.minute()) / 1440.0f;
}

void AQAdjustController::okPressed() {
    endSheet();
}

void AQAdjustController::sheetDidEnd() {
    _lbIntense = nullptr;
    _slIntense = nullptr;
    _dpTime = nullptr;
    logLine(format("<-- w%f h%f", static_cast<double>(_w), static_cast<double>(_h)));
    if (_done && accepted()) {
        const Done done = _done;
        done(_w, _h);
    }
}

}  // namespace aq
