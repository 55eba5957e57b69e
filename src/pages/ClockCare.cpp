#include "pages/ClockCare.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>

#include "pages/PageLook.h"
#include "widgets/AQButton.h"

namespace aq {

namespace clockcare {

namespace {
Clock& clockFunction() {
    static Clock f;
    return f;
}
}  // namespace

Clock setComputerClock(Clock clock) {
    Clock previous = std::move(clockFunction());
    clockFunction() = std::move(clock);
    return previous;
}

QDateTime computerNow() {
    const Clock& f = clockFunction();
    return f ? f() : QDateTime::currentDateTime();
}

QString offsetText(qint64 seconds) {
    const qint64 off = seconds < 0 ? -seconds : seconds;
    if (off < 60) return QWidget::tr("in step with this computer");
    const qint64 minutes = off / 60;
    QString amount;
    if (minutes < 60) {
        amount = QWidget::tr("%1 min").arg(minutes);
    } else if (minutes < 24 * 60) {
        amount = QWidget::tr("%1 h %2 min").arg(minutes / 60).arg(minutes % 60);
    } else {
        amount = QWidget::tr("%1 d %2 h").arg(minutes / (24 * 60)).arg(minutes / 60 % 24);
    }
    return seconds < 0 ? QWidget::tr("%1 behind").arg(amount) : QWidget::tr("%1 ahead").arg(amount);
}

}  // namespace clockcare

ClockNotice::ClockNotice(QWidget* parent)
    : QWidget(parent), _lbText(new QLabel(this)),
      _btnSet(look::button(tr("Set to this computer's time"))),
      _btnDismiss(look::button(tr("Not now"))) {
    setObjectName(QStringLiteral("clockNotice"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(look::kSpacing, look::kSpacing / 2, look::kSpacing, look::kSpacing / 2);
    row->setSpacing(look::kSpacing);
    _lbText->setWordWrap(true);
    row->addWidget(_lbText, 1);
    row->addWidget(_btnSet);
    row->addWidget(_btnDismiss);
    connect(_btnSet, &QPushButton::clicked, this, [this] {
        dismiss();
        emit setClockPressed();
    });
    connect(_btnDismiss, &QPushButton::clicked, this, [this] { dismiss(); });
    hide();
}

void ClockNotice::dismiss() {
    // Hiding the focused button would hand the focus on to the next control
    // in the window, which may be one that writes to the lamp (the info
    // page's clock): the window takes it instead.
    if (isAncestorOf(QApplication::focusWidget()) && window()) {
        window()->setFocus(Qt::OtherFocusReason);
    }
    hide();
}

void ClockNotice::arm() {
    _armed = true;
    dismiss();
}

void ClockNotice::disarm() {
    _armed = false;
    dismiss();
}

void ClockNotice::clockRead(const QDateTime& lamp, const QDateTime& computer) {
    if (!_armed) return;
    _armed = false;
    if (!lamp.isValid()) {
        _lbText->setText(tr("The lamp's clock shows no valid date."));
        show();
        return;
    }
    const qint64 off = computer.secsTo(lamp);
    if (off >= -clockcare::kNoticeSeconds && off <= clockcare::kNoticeSeconds) return;
    _lbText->setText(tr("The lamp's clock is %1.").arg(clockcare::offsetText(off)));
    show();
}

}  // namespace aq
