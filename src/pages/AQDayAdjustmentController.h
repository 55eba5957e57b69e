#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pages/AQController.h"
#include "pages/DayEditHistory.h"
#include "session/DayTransfer.h"

class QAction;
class QLabel;
class QUndoStack;

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
// an upload sends a copy of the points taken when it starts. The overlay
// says how far the transfer has come and offers Cancel, which stops it
// between two commands; a cancelled transfer, like one whose lamp stops
// answering, ends with an alert saying what was not done. Closing the
// window or disconnecting during a transfer asks first.
//
// Every edit of the chart, and every download or file replacing curves, is
// a step of the page's history (undo and redo), kept while the application
// runs and begun anew for another lamp.
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
    // Shift+Upload sends everything, whatever the lamp is known to hold.
    void btnUploadPressed();
    // Uploads the chart: only the channels the lamp is not known to hold,
    // or every channel when `everything`.
    void upload(bool everything);
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
    QUndoStack* history() const { return _history; }
    // The menu entries; enabled while there is a step and no transfer runs.
    QAction* undoAction() const { return _undoAction; }
    QAction* redoAction() const { return _redoAction; }
    // Checked while uploads are read back (the VerifyUploads preference).
    QAction* verifyAction() const { return _verifyAction; }
    // The chart holds the flat lines it starts with, not a programme read,
    // loaded or edited since the lamp was connected.
    bool showsPlaceholders() const;
    // The preference that lets Upload go without asking.
    static constexpr const char* kUploadWithoutAskingKey = "UploadWithoutAsking";
    // The preference that reads every channel back after uploading it: on
    // unless set to 0.
    static constexpr const char* kVerifyUploadsKey = "VerifyUploads";
    // Asks, during a transfer, whether to stop it for what the user is about
    // to do ("quit"); true when no transfer runs. When the user insists the
    // transfer is cancelled and `then` runs once it has stopped and said
    // what was left undone; false is returned either way.
    bool stopTransferFirst(const QString& action, std::function<void()> then);
    // The running transfer's overlay text, for tests and screenshots.
    QString progressText() const { return _progressText; }
    // Cancels the running transfer at its next command (the overlay's Cancel).
    void cancelTransfer();
    bool previewing() const { return _previewing; }
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
    // Runs fn at once when no transfer runs, else once the running one has
    // ended and its report has been read.
    void whenIdle(std::function<void()> fn) {
        if (_busy || _reporting) {
            _afterTransfer.push_back(std::move(fn));
        } else {
            fn();
        }
    }

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
    using ReadFunction = std::function<ProgrammeRead(BTLEController&, const TransferControl*)>;
    // what: how a failure names it; title: the overlay's; done: the note at
    // the end; step: the history's name for it.
    void startDownload(const QString& what, const QString& title, const QString& done,
                       const QString& step, ReadFunction read);
    void handOver(std::vector<std::shared_ptr<DayAdjustmentChannel>> channels, const QString& step);
    void runAfterTransfer();
    void beginTransfer(const QString& what);
    void endTransfer();
    void showTransferProgress(const TransferProgress& progress);
    std::shared_ptr<TransferControl> newTransferControl();
    void tellLampSilent(const QString& text);
    void tellStopped(const TransferStop& stop, const QString& text);
    // Whether to go on, and then whether to send everything.
    std::optional<bool> askBeforeUpload(const std::vector<std::uint8_t>& devices,
                                        bool everything);
    void startUpload(std::vector<std::uint8_t> devices, bool everything);
    bool verifyUploads() const;
    LampMemory lampMemory();
    bool eventFilter(QObject* watched, QEvent* event) override;

    // History.
    void buildHistory();
    void updateHistoryActions();
    void record(std::vector<ChannelChange> changes, const QString& what);
    void chartChanged();

    NSDayAdjustment* _dayAdjustment = nullptr;
    QPointer<QWidget> _mainWindow;
    QPointer<QWidget> _mainView;
    AQTableSheetController* _tscDevice = nullptr;
    AQTableSheetController* _tscChannel = nullptr;
    AQTableSheetController* _tscPresets = nullptr;
    std::uint8_t _device = 0;
    bool _sheetSetup = false;
    bool _busy = false;
    bool _reporting = false;
    QLabel* _caption = nullptr;
    QUndoStack* _history = nullptr;
    QAction* _undoAction = nullptr;
    QAction* _redoAction = nullptr;
    QAction* _verifyAction = nullptr;
    // The history step at which the chart showed its starting lines, or -1.
    int _placeholderStep = -1;
    // The lamp the history belongs to.
    std::optional<std::string> _historyLamp;
    bool _previewing = false;
    bool _active = false;
    AQButton* _btnPreview = nullptr;

    // The running transfer.
    std::shared_ptr<TransferControl> _control;
    QString _transferWhat;
    QString _progressText;
    double _transferStart = 0.0;
    // Lamps of the running upload; 0 for a download.
    int _uploadLamps = 0;
    QPointer<QWidget> _closeWatched;
    std::vector<std::function<void()>> _afterTransfer;
};

}  // namespace aq
