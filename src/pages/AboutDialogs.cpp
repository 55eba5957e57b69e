#include "pages/AboutDialogs.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/AppLog.h"

namespace aq {

namespace {
// The viewer shows at most this much of the end of the log.
constexpr qint64 kViewerBytes = 256 * 1024;

QByteArray tailOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const qint64 size = file.size();
    if (size > kViewerBytes) file.seek(size - kViewerBytes);
    QByteArray data = file.read(kViewerBytes);
    // Start at a whole line when the beginning was cut.
    if (size > kViewerBytes) {
        const qsizetype newline = data.indexOf('\n');
        if (newline >= 0) data.remove(0, newline + 1);
    }
    return data;
}
}  // namespace

void showAboutDialog(QWidget* parent) {
    const QString settings = QSettings().fileName();
    const QString log = applicationLogPath(QStringLiteral("aqlamp"));
    const QString text =
        QCoreApplication::translate("AboutDialog",
                                    "<h3>aqlamp %1</h3>"
                                    "<p>Configures and drives aquarium LED lamps over Bluetooth "
                                    "LE.</p>"
                                    "<p>Licensed under the GNU General Public License, version 3 "
                                    "or (at your option) any later version "
                                    "(GPL-3.0-or-later). There is no warranty.</p>"
                                    "<p>Settings: <tt>%2</tt><br>Log: <tt>%3</tt></p>")
            .arg(QCoreApplication::applicationVersion().toHtmlEscaped(),
                 settings.toHtmlEscaped(), log.toHtmlEscaped());
    QMessageBox box(parent);
    box.setObjectName(QStringLiteral("aboutBox"));
    box.setWindowTitle(QCoreApplication::translate("AboutDialog", "About aqlamp"));
    box.setTextFormat(Qt::RichText);
    box.setText(text);
    box.setIconPixmap(QGuiApplication::windowIcon().pixmap(64, 64));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void showLogViewer(QWidget* parent, const QString& logPath) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("logViewer"));
    dialog.setWindowTitle(QCoreApplication::translate("AboutDialog", "Log"));
    dialog.resize(760, 480);
    auto* column = new QVBoxLayout(&dialog);
    auto* where = new QLabel(
        QCoreApplication::translate("AboutDialog", "The log is kept in %1").arg(logPath));
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    where->setWordWrap(true);
    column->addWidget(where);
    auto* text = new QPlainTextEdit;
    text->setObjectName(QStringLiteral("logText"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QByteArray content = tailOf(logPath);
    text->setPlainText(content.isEmpty()
                           ? QCoreApplication::translate("AboutDialog", "The log is empty.")
                           : QString::fromUtf8(content));
    column->addWidget(text, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QPushButton* open = buttons->addButton(
        QCoreApplication::translate("AboutDialog", "Open in Text Editor"),
        QDialogButtonBox::ActionRole);
    open->setEnabled(QFileInfo::exists(logPath));
    QObject::connect(open, &QPushButton::clicked, &dialog,
                     [logPath] { QDesktopServices::openUrl(QUrl::fromLocalFile(logPath)); });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    column->addWidget(buttons);
    text->verticalScrollBar()->setValue(text->verticalScrollBar()->maximum());
    dialog.exec();
}

}  // namespace aq
