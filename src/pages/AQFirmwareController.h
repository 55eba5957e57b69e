#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

#include "link/FirmwareUpdate.h"
#include "link/HexFile.h"
#include "pages/AQController.h"

class QLineEdit;
class QWidget;

namespace aq {

class AQButton;
class AQNavigationController;

// Firmware update, reached from the application menu while a lamp is
// connected: the user picks an Intel HEX file and, after a warning, the
// image goes to the lamp's boot loader on a worker while the progress
// overlay covers the page. At the end the application is disconnected (the
// lamp restarts into its new firmware).
class AQFirmwareController : public AQController {
    Q_OBJECT
public:
    // Asks the user to confirm; true to go on. Replaceable for tests.
    using ConfirmFunction =
        std::function<bool(QWidget* parent, const QString& message, const QString& detail)>;
    // Asks for a file; an empty text when the user cancelled. Replaceable.
    using ChooseFileFunction = std::function<QString(QWidget* parent)>;

    explicit AQFirmwareController(QObject* parent = nullptr);

    void setNavigationController(AQNavigationController* navigation) {
        _navigationController = navigation;
    }
    // The view the overlay covers during the update: the whole window's
    // content, so no other page can be reached while the boot loader is fed.
    void setMainView(QWidget* view) { _mainView = view; }
    static void setConfirmFunction(ConfirmFunction confirm);
    static void setChooseFileFunction(ChooseFileFunction choose);
    // The file chooser's filters, firmware files first.
    static QStringList fileFilters();

    void selectFilePressed();
    void runUpdatePressed();
    void loadHexFile(const QString& path);

    QLineEdit* tfFile() const { return _tfFile; }
    AQButton* btnSelect() const { return _btnSelect; }
    AQButton* btnRun() const { return _btnRun; }
    bool updating() const { return _updating; }
    // The fraction of pages sent by the running or last transfer.
    double progress() const { return _progress; }
    // The overlay's text of the running or last transfer ("Page 12 of 64 - 18 %").
    QString progressText() const { return _progressText; }

signals:
    // An update started (true) or ended (false).
    void updatingChanged(bool updating);

private:
    // Start works once a file is named and no update runs.
    void updateRunEnabled();
    void buildView();
    void finished(FirmwareResult result);

    QLineEdit* _tfFile = nullptr;
    AQButton* _btnSelect = nullptr;
    AQButton* _btnRun = nullptr;
    QWidget* _mainView = nullptr;
    AQNavigationController* _navigationController = nullptr;
    // Only the transfer's worker touches the image while it runs.
    std::shared_ptr<HexFile> _hexfile = std::make_shared<HexFile>();
    bool _updating = false;
    double _progress = 0.0;
    QString _progressText;
};

// The informative text of the failure alert for a result.
QString firmwareFailureText(FirmwareResult result);

}  // namespace aq
