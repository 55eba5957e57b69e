#pragma once

#include <QDateTime>
#include <QString>
#include <QWidget>

#include <functional>

class QLabel;

namespace aq {

class AQButton;

// The lamp's clock against this computer's: lamps lose their time in a
// power cut, and users rarely notice until the day programme runs wrong.
namespace clockcare {

// A lamp clock further off than this is worth a notice.
constexpr qint64 kNoticeSeconds = 120;

// This computer's local time; replaceable so tests run on virtual time.
using Clock = std::function<QDateTime()>;
Clock setComputerClock(Clock clock);
QDateTime computerNow();

// How far the lamp is from this computer, lamp minus computer in seconds,
// as the user reads it: "3 h 12 min behind", "5 min ahead", "in step".
QString offsetText(qint64 seconds);

}  // namespace clockcare

// A short notice above the pages, after connecting a lamp whose clock is
// off: it says by how much and offers to set it; nothing changes until the
// user presses the button.
class ClockNotice : public QWidget {
    Q_OBJECT
public:
    explicit ClockNotice(QWidget* parent = nullptr);

    // A new connection: the next clock read decides whether the notice shows.
    void arm();
    // Disconnected: hidden, and nothing pending.
    void disarm();
    // The lamp's clock as read, against this computer's at that moment.
    void clockRead(const QDateTime& lamp, const QDateTime& computer);

    QLabel* lbText() const { return _lbText; }
    AQButton* btnSet() const { return _btnSet; }
    AQButton* btnDismiss() const { return _btnDismiss; }

signals:
    void setClockPressed();

private:
    void dismiss();

    QLabel* _lbText;
    AQButton* _btnSet;
    AQButton* _btnDismiss;
    bool _armed = false;
};

}  // namespace aq
