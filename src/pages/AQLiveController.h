#pragma once

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include "pages/AQController.h"

class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace aq {

class AQButton;
class AQSlider;
class SliderCommit;

// One channel row of the live page: the channel's name and its 0 … 100 %
// slider. The slider carries the row's channel index as its "tag" property.
class AQTableCellView : public QWidget {
    Q_OBJECT
public:
    explicit AQTableCellView(QWidget* parent = nullptr);

    QLabel* lbChannel() const { return _lbChannel; }
    AQSlider* slChannel() const { return _slChannel; }
    // The slider's value in percent.
    QLabel* lbValue() const { return _lbValue; }
    // Draws the slider's bar in the channel's colour.
    void setChannelColor(const QColor& c);

    // The channel index a slider drives.
    static int tag(const AQSlider* slider);
    static void setTag(AQSlider* slider, int tag);

private:
    QLabel* _lbChannel;
    AQSlider* _slChannel;
    QLabel* _lbValue;
};

// The user drives the lamp by hand. Entering switches the lamp into live
// mode with every channel dark; each channel's slider then sets its output
// as it moves, and four buttons act as the lamp's own keys. Leaving returns
// the lamp to normal operation and every channel and slider to 0. Only the
// master lamp is driven.
class AQLiveController : public AQController {
    Q_OBJECT
public:
    explicit AQLiveController(QObject* parent = nullptr);
    ~AQLiveController() override;

    void onEnter() override;
    void onLeave() override;

    // The rows: one per channel of the store.
    int numberOfRowsInTableView() const;
    AQTableCellView* tableView(int row);

    // A channel slider's action: slider percent to 0 … 255, truncated,
    // replacing this channel's value if one still waits to be sent. A drag
    // sends every step; keys, wheel and track clicks once they are quiet.
    void moveSlider(AQSlider* slider);
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

    std::uint8_t _device = 0;
    QScrollArea* _tableView = nullptr;
    QWidget* _rowsHolder = nullptr;
    QVBoxLayout* _rowsLayout = nullptr;
    QList<QPointer<AQSlider>> _slider;
    QList<QPointer<AQTableCellView>> _rows;
    QStringList _rowNames;
    bool _loaded = false;
    QList<QPointer<SliderCommit>> _commits;
    AQButton* _btnNavLeft = nullptr;
    AQButton* _btnNavRight = nullptr;
    AQButton* _btnNavPush = nullptr;
    AQButton* _btnNavLongPush = nullptr;
};

}  // namespace aq
