#pragma once

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "link/BTLECommand.h"
#include "link/Dispatch.h"
#include "pages/AQController.h"

class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace aq {

class AQButton;
class AQSlider;

// One channel row of the live page: the channel's name and its 0 … 100 %
// slider. The slider carries the row's channel index as its "tag" property.
class AQTableCellView : public QWidget {
    Q_OBJECT
public:
    explicit AQTableCellView(QWidget* parent = nullptr);

    QLabel* lbChannel() const { return _lbChannel; }
    AQSlider* slChannel() const { return _slChannel; }

    // The channel index a slider drives.
    static int tag(const AQSlider* slider);
    static void setTag(AQSlider* slider, int tag);

private:
    QLabel* _lbChannel;
    AQSlider* _slChannel;
};

// The user drives the lamp by hand. Entering switches the lamp into live
// mode with every channel dark; each channel's slider then sets its output
// as it moves, and four buttons act as the lamp's own keys. Leaving returns
// the lamp to normal operation and every channel and slider to 0. Only the
// master lamp is driven.
class AQLiveController : public AQController {
    Q_OBJECT
public:
    // Operating modes this page sets.
    static constexpr unsigned kModeNormal = 0;
    static constexpr unsigned kModeLive = 2;
    // How often values held back (see sendLive) try again.
    static constexpr double kRetryDelay = 0.02;

    explicit AQLiveController(QObject* parent = nullptr);
    ~AQLiveController() override;

    void onEnter() override;
    void onLeave() override;

    // The rows: one per channel of the store.
    int numberOfRowsInTableView() const;
    AQTableCellView* tableView(int row);

    // A channel slider's action, on every change: slider percent to 0 … 255,
    // truncated, replacing a live value still waiting to be sent.
    void moveSlider(AQSlider* slider);
    // Values held back until the link's queue lets them go without
    // dropping another command.
    std::size_t heldBack() const { return _heldBack.size(); }
    static unsigned sliderToLive(int percent);

    void navLeft();
    void navRight();
    void navPush();
    void navLongPush();

    std::uint8_t device() const { return _device; }
    QScrollArea* table() const { return _tableView; }
    // The sliders of the rows, in the order the rows were made.
    QList<AQSlider*> slider() const;
    QList<AQTableCellView*> rows() const;
    AQButton* btnNavLeft() const { return _btnNavLeft; }
    AQButton* btnNavRight() const { return _btnNavRight; }
    AQButton* btnNavPush() const { return _btnNavPush; }
    AQButton* btnNavLongPush() const { return _btnNavLongPush; }

private:
    void buildView();
    // Makes the rows afresh when the store's channels are not the ones the
    // rows show (first entry, or a lamp with other channels connected).
    void reloadIfChannelsChanged();
    static QStringList channelNames();
    // The replacing send drops whatever command waits to be written last,
    // which is only right when that is this page's own value for the same
    // channel. Anything else waiting (a key, another channel's last value,
    // the entry's zeros) holds the value back until the queue has drained.
    void sendLive(unsigned channel, unsigned value);
    bool trySendLive(unsigned channel, unsigned value);
    bool ownValueWaiting(unsigned channel) const;
    void retryHeldBack();
    void dropHeldBack();

    std::uint8_t _device = 0;
    QScrollArea* _tableView = nullptr;
    QWidget* _rowsHolder = nullptr;
    QVBoxLayout* _rowsLayout = nullptr;
    QList<QPointer<AQSlider>> _slider;
    QList<QPointer<AQTableCellView>> _rows;
    QStringList _rowNames;
    bool _loaded = false;
    // This page's live value waiting alone behind the command in flight.
    std::optional<unsigned> _waitingChannel;
    std::weak_ptr<BTLECommand> _waitingBehind;
    std::vector<std::pair<unsigned, unsigned>> _heldBack;
    std::optional<Dispatch::TimerId> _retryTimer;
    Dispatch* _retryDispatch = nullptr;
    AQButton* _btnNavLeft = nullptr;
    AQButton* _btnNavRight = nullptr;
    AQButton* _btnNavPush = nullptr;
    AQButton* _btnNavLongPush = nullptr;
};

}  // namespace aq
