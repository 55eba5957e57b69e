#include "pages/AQFirmwareController.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QVBoxLayout>
#include <QWidget>

#include "link/BTLEController.h"
#include "link/Dispatch.h"
#include "pages/AQNavigationController.h"
#include "pages/Alerts.h"
#include "pages/PageLook.h"
#include "pages/TimeLeft.h"
#include "widgets/AQButton.h"
#include "widgets/SPProgressHUD.h"

#include <cmath>

namespace aq {

namespace {

QString busyStatus() { return AQFirmwareController::tr("Please wait.\nDo not turn off!"); }

// "Page 12 of 64 - 18 %", the time left once known, and the warning.
QString pageStatus(int page, int pages, double elapsed) {
    const int percent = pages > 0 ? page * 100 / pages : 0;
    QString text =
        AQFirmwareController::tr("Page %1 of %2 - %3 %").arg(page).arg(pages).arg(percent);
    if (const auto left = secondsLeft(elapsed, page, pages)) {
        text += QLatin1Char('\n') + timeLeftText(*left);
    }
    return text + QLatin1Char('\n') + AQFirmwareController::tr("Do not turn off!");
}

AQFirmwareController::ConfirmFunction& confirmFunction() {
    static AQFirmwareController::ConfirmFunction f;
    return f;
}

AQFirmwareController::ChooseFileFunction& chooseFileFunction() {
    static AQFirmwareController::ChooseFileFunction f;
    return f;
}

bool confirmWithMessageBox(QWidget* parent, const QString& message, const QString& detail) {
    QMessageBox box(QMessageBox::Warning, QString(), message, QMessageBox::NoButton,
                    parent ? parent->window() : nullptr);
    box.setInformativeText(detail);
    QPushButton* ok = box.addButton(AQFirmwareController::tr("OK"), QMessageBox::AcceptRole);
    box.addButton(AQFirmwareController::tr("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.exec();
    return box.clickedButton() == ok;
}

QString chooseWithDialog(QWidget* parent) {
    // One file, no folders; firmware files first, any file on request.
    return QFileDialog::getOpenFileName(parent ? parent->window() : nullptr,
                                        AQFirmwareController::tr("Choose a firmware file"),
                                        QString(),
                                        AQFirmwareController::fileFilters().join(
                                            QStringLiteral(";;")));
}

}  // namespace

QString firmwareFailureText(FirmwareResult result) {
    switch (result) {
        case FirmwareResult::LinkLost:
            return AQFirmwareController::tr(
                "The lamp stopped answering during the update. Its firmware may be incomplete: "
                "connect it again and repeat the update.");
        case FirmwareResult::NotConnected:
            return AQFirmwareController::tr(
                "Error loading Hex-File.\nNo lamp with a boot loader is connected.");
        case FirmwareResult::BadRecord:
        case FirmwareResult::NoEndRecord:
        case FirmwareResult::NoData:
            return AQFirmwareController::tr(
                "Error loading Hex-File.\nThe file is damaged or incomplete; nothing was sent.");
        case FirmwareResult::NotAFile:
            return AQFirmwareController::tr("Error loading Hex-File.\n") +
                   QCoreApplication::translate("AQFirmwareController",
                                               "This is no file but a folder, pipe or device; "
                                               "nothing was sent.");
        case FirmwareResult::TooLarge:
            return AQFirmwareController::tr("Error loading Hex-File.\n") +
                   QCoreApplication::translate("AQFirmwareController",
                                               "The file is far larger than any firmware for the "
                                               "lamp; nothing was sent.");
        case FirmwareResult::CannotOpen:
        case FirmwareResult::Sent:
            break;
    }
    return AQFirmwareController::tr("Error loading Hex-File.");
}

QStringList AQFirmwareController::fileFilters() {
    return {tr("Intel HEX (*.hex *.ihx)"), tr("All files (*)")};
}

void AQFirmwareController::setConfirmFunction(ConfirmFunction confirm) {
    confirmFunction() = std::move(confirm);
}

void AQFirmwareController::setChooseFileFunction(ChooseFileFunction choose) {
    chooseFileFunction() = std::move(choose);
}

AQFirmwareController::AQFirmwareController(QObject* parent)
    : AQController(QStringLiteral("firmwareupdatecontroller"), parent) {
    buildView();
}

void AQFirmwareController::buildView() {
    QVBoxLayout* layout = newPageLayout(tr("Firmware update"));
    QWidget* page = layout->parentWidget();

    auto* explain = new QLabel(tr(
        "Choose the lamp's new firmware (an Intel HEX file) and start the update. It takes "
        "about three seconds per 256 bytes of firmware; keep the lamp powered and near until "
        "it is done. The lamp restarts afterwards and must be connected again."));
    explain->setWordWrap(true);
    layout->addWidget(explain);

    auto* row = new QHBoxLayout;
    row->setSpacing(look::kSpacing);
    row->addWidget(look::caption(tr("File")));
    _tfFile = new QLineEdit;
    _tfFile->setPlaceholderText(tr("Path of the firmware file"));
    row->addWidget(_tfFile, 1);
    _btnSelect = look::button(tr("Choose…"));
    _btnSelect->setToolTip(tr("Pick the firmware file (Intel HEX) to send to the lamp."));
    row->addWidget(_btnSelect);
    layout->addLayout(row);

    auto* actions = new QHBoxLayout;
    actions->addStretch(1);
    _btnRun = look::button(tr("Start update"));
    actions->addWidget(_btnRun);
    layout->addLayout(actions);
    layout->addStretch(1);

    // Nothing to send until a file is named.
    _btnRun->setEnabled(false);
    connect(_tfFile, &QLineEdit::textChanged, this, [this] { updateRunEnabled(); });
    connect(_btnSelect, &AQButton::clicked, this, [this] { selectFilePressed(); });
    connect(_btnRun, &AQButton::clicked, this, [this] { runUpdatePressed(); });
    if (!_mainView) _mainView = page;
    setView(page);
}

void AQFirmwareController::updateRunEnabled() {
    _btnRun->setEnabled(!_updating && !_tfFile->text().trimmed().isEmpty());
}

void AQFirmwareController::selectFilePressed() {
    const auto& choose = chooseFileFunction();
    const QString path = choose ? choose(_mainView) : chooseWithDialog(_mainView);
    if (!path.isEmpty()) _tfFile->setText(path);
}

void AQFirmwareController::runUpdatePressed() {
    if (_updating) return;
    const QString message = tr("Are you sure you want to start the process?");
    const QString detail =
        tr("The firmware update can not be undone. Be sure what you are doing.");
    const auto& confirm = confirmFunction();
    const bool go = confirm ? confirm(_mainView, message, detail)
                            : confirmWithMessageBox(_mainView, message, detail);
    if (go) loadHexFile(_tfFile->text());
}

void AQFirmwareController::loadHexFile(const QString& path) {
    _updating = true;
    _progress = 0.0;
    _progressText.clear();
    _btnRun->setEnabled(false);
    emit updatingChanged(true);
    SPProgressHUD::showStatus(busyStatus(), _mainView);
    const std::string file = path.toUtf8().toStdString();
    QPointer<AQFirmwareController> self(this);
    Dispatch& d = dispatch();
    BTLEController& lamp = link();
    auto image = _hexfile;
    const double start = d.now();
    d.runOnWorker([&d, &lamp, file, image, self, start] {
        // Reported once per page sent, as the fraction page / pages: the
        // count of reports is the page, and the fraction gives the total.
        int page = 0;
        const FirmwareResult result =
            runFirmwareUpdate(lamp, file, *image, [&d, self, start, &page](double f) {
                ++page;
                const int pages = f > 0.0 ? static_cast<int>(std::lround(page / f)) : 0;
                const QString text = pageStatus(page, pages, d.now() - start);
                d.postToMain([self, f, text] {
                    if (!self) return;
                    self->_progress = f;
                    self->_progressText = text;
                    SPProgressHUD::showProgress(f, text, self->_mainView);
                });
            });
        d.postToMain([self, result] {
            if (self) self->finished(result);
        });
    });
}

void AQFirmwareController::finished(FirmwareResult result) {
    _updating = false;
    updateRunEnabled();
    SPProgressHUD::dismiss();
    emit updatingChanged(false);
    if (result != FirmwareResult::Sent) {
        showAlert(_mainView, tr("Update failed?"), firmwareFailureText(result));
    } else {
        SPProgressHUD::showMessage(tr("The firmware update is finished."), _mainView);
    }
    // After a transfer (whole or broken off) the lamp is no longer the one
    // that was connected: go back to the connection page. A refused file
    // leaves the page as it was.
    const bool sentSomething = result == FirmwareResult::Sent || result == FirmwareResult::LinkLost;
    if (sentSomething && _navigationController) _navigationController->setDisconnected();
}

}  // namespace aq
