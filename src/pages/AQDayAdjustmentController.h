#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "pages/AQController.h"
#include "pages/DayTransfer.h"

class QLabel;

namespace aq {

class AQButton;
class AQTableSheetController;
class NSDayAdjustment;

// The lamp's day programme: one curve of set points per channel, edited in
// one chart. The page chooses the target lamp (the master, one slave or all
// of them), downloads the programme or one of the lamp's presettings,
// uploads the chart, previews it on the lamp, and saves and loads preset
// files. The curves are the store channels' own, so edits outlive the page.
//
// Transfers run on one worker each, behind the progress overlay. A download
// builds its curves aside and hands them over only when every answer came;
// an upload sends a copy of the points taken when it starts. A lamp that
// stops answering ends the transfer with an alert saying what was not done.
class AQDayAdjustmentController : public AQController {
    Q_OBJECT
public:
    // The target meaning every lamp.
    static constexpr std::uint8_t kAllDevices = 255;

    explicit AQDayAdjustmentController(QObject* parent = nullptr);
    ~AQDayAdjustmentController() override;

    // Connects the device, channel and presetting lists on the first entry,
    // and fills them from the store on every entry.
    void setOnce();
    // Lays out the chart, shows the store's curves and asks for the target lamp.
    void onEnter() override;
    // Puts the lamp back into normal operation.
    void onLeave() override;

    void btnChannelPressed();
    void btnPresetsPressed();
    void btnPreviewPressed();
    void btnDownloadPressed();
    void btnUploadPressed();
    void downloadPreset(std::uint8_t n);
    // Shows the store's curves, giving a channel without one a flat line.
    void setPointsFromChannels();
    void btnSavePressed();
    void btnLoadPressed();

    // What the save and open dialogs do once the user has chosen a file;
    // false when nothing was written or loaded (an alert said why).
    bool saveToFile(const QString& path);
    bool loadFromFile(const QString& path);

    NSDayAdjustment* dayAdjustment() const { return _dayAdjustment; }
    // The window the sheets, dialogs and alerts open on: the page's own
    // window unless one is set.
    QWidget* mainWindow() const;
    void setMainWindow(QWidget* window) { _mainWindow = window; }
    // What the progress overlay covers during a transfer: the window's
    // content (page bar included) unless set.
    QWidget* mainView() const;
    void setMainView(QWidget* view) { _mainView = view; }

    AQTableSheetController* tscDevice() const { return _tscDevice; }
    AQTableSheetController* tscChannel() const { return _tscChannel; }
    AQTableSheetController* tscPresets() const { return _tscPresets; }
    std::uint8_t device() const { return _device; }
    // A download or upload is running.
    bool busy() const { return _busy; }

    // "Master #1", "Slave #2", ...: how the lists and alerts name a lamp.
    static QString deviceName(std::uint8_t device);

private:
    void buildView();
    void updateCaption();
    void deviceChosen(qint64 row);
    void channelChosen(qint64 row);
    void presetChosen(qint64 row);

    // Transfers.
    std::vector<ChannelLook> channelLooks() const;
    void startDownload(const QString& what, std::function<ProgrammeRead(BTLEController&)> read);
    void handOver(std::vector<std::shared_ptr<DayAdjustmentChannel>> channels);
    void beginTransfer();
    void endTransfer();
    void tellLampSilent(const QString& text);

    NSDayAdjustment* _dayAdjustment = nullptr;
    QPointer<QWidget> _mainWindow;
    QPointer<QWidget> _mainView;
    AQTableSheetController* _tscDevice = nullptr;
    AQTableSheetController* _tscChannel = nullptr;
    AQTableSheetController* _tscPresets = nullptr;
    std::uint8_t _device = 0;
    bool _sheetSetup = false;
    bool _busy = false;
    QLabel* _caption = nullptr;
};

}  // namespace aq
