#include "pages/AQSettingsController.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <QWidget>

#include "link/BTLEController.h"
#include "link/Log.h"
#include "pages/Alerts.h"
#include "pages/PageLook.h"
#include "session/GlobalStore.h"
#include "state/LampNames.h"
#include "widgets/AQButton.h"

namespace aq {

namespace {
// The lamp keeps at most 24 characters of its name.
constexpr int kNameLength = 24;
}  // namespace

AQSettingsController::AQSettingsController(QObject* parent)
    : AQController(QStringLiteral("settings"), parent) {
    buildView();
}

void AQSettingsController::buildView() {
    QVBoxLayout* layout = newPageLayout(tr("Lamp settings"));
    QWidget* page = layout->parentWidget();

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(look::kSpacing * 2);
    grid->setVerticalSpacing(look::kSpacing);

    _tfName = new QLineEdit;
    _tfName->setMaxLength(kNameLength);
    // The lamp takes ASCII only and turns any other name into an empty one.
    _tfName->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[\\x20-\\x7E]*")), _tfName));
    _tfName->setMinimumWidth(260);
    _tfName->setPlaceholderText(tr("Name of the lamp"));
    _btnApplyName = look::button(tr("Rename"));
    _lbNameLength = new QLabel;
    _lbNameLength->setObjectName(QStringLiteral("nameLength"));
    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(look::kSpacing);
    nameRow->addWidget(_tfName);
    nameRow->addWidget(_lbNameLength);
    nameRow->addWidget(_btnApplyName);
    QLabel* nameCaption = look::caption(tr("Name"));
    nameCaption->setBuddy(_tfName);
    grid->addWidget(nameCaption, 0, 0);
    grid->addLayout(nameRow, 0, 1);

    _chbDemo = look::checkBox();
    _chbDemoLoop = look::checkBox();
    _chbDemo->setToolTip(tr("The lamp runs through its colours to show what it can do."));
    _chbDemoLoop->setToolTip(
        tr("The demonstration starts again when it ends, instead of running once."));
    const std::pair<AQButton*, const char*> boxes[] = {
        {_chbDemo, QT_TR_NOOP("Demonstration mode")},
        {_chbDemoLoop, QT_TR_NOOP("Repeat the demonstration")},
    };
    int row = 1;
    for (const auto& [box, text] : boxes) {
        auto* line = new QHBoxLayout;
        line->setSpacing(look::kSpacing);
        line->addWidget(box);
        line->addWidget(look::checkLabel(tr(text), box));
        line->addStretch(1);
        grid->addLayout(line, row++, 1);
    }
    grid->addWidget(look::caption(tr("Demo")), 1, 0);
    grid->setColumnStretch(2, 1);
    layout->addLayout(grid);
    layout->addStretch(1);

    // How much of the lamp's name limit is used, as the user types.
    connect(_tfName, &QLineEdit::textChanged, this, [this](const QString& text) {
        _lbNameLength->setText(tr("%1/%2").arg(text.size()).arg(kNameLength));
    });
    _lbNameLength->setText(tr("%1/%2").arg(0).arg(kNameLength));
    connect(_tfName, &QLineEdit::returnPressed, this, [this] { applyName(); });
    connect(_btnApplyName, &QPushButton::clicked, this, [this] { applyName(); });
    // `clicked` comes from the user only; the entry chain sets the boxes
    // without sending anything back.
    connect(_chbDemo, &QPushButton::clicked, this, [this](bool on) { toggleDemo(on); });
    connect(_chbDemoLoop, &QPushButton::clicked, this, [this](bool on) { toggleDemoLoop(on); });
    setView(page);
}

void AQSettingsController::onEnter() {
    AQController::onEnter();
    _tfName->setAttribute(Qt::WA_MacShowFocusRect, false);
    const std::uint64_t entry = ++_entry;
    QPointer<AQSettingsController> self(this);
    link().getName([self, entry](const std::string& name) {
        if (!self || self->_entry != entry) return;
        self->_tfName->setText(QString::fromLatin1(name.data(), qsizetype(name.size())));
        self->readMode(entry);
    });
}

void AQSettingsController::readMode(std::uint64_t entry) {
    QPointer<AQSettingsController> self(this);
    link().getMode([self, entry](std::uint64_t mode) {
        if (!self || self->_entry != entry) return;
        self->_chbDemo->setChecked(mode == kModeDemo);
        self->readDemoLoop(entry);
    });
}

void AQSettingsController::readDemoLoop(std::uint64_t entry) {
    QPointer<AQSettingsController> self(this);
    link().getDemoLoop([self, entry](bool loop) {
        if (!self || self->_entry != entry) return;
        self->_chbDemoLoop->setChecked(loop);
    });
}

void AQSettingsController::applyName() {
    const QString text = _tfName->text();
    if (text.trimmed().isEmpty()) {
        // The lamp would be left without a name to be found by.
        showAlert(_tfName, tr("Name not changed"), tr("Give the lamp a name first."));
        return;
    }
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E) {
            // Sent as it stands, the lamp would lose its name altogether.
            showAlert(_tfName, tr("Name not changed"),
                      tr("The lamp's name may hold only letters, digits, spaces and "
                                     "punctuation without accents."));
            return;
        }
    }
    renameWhenLinkIdle(text.toStdString(), dispatch().now() + kIdleWait);
}

void AQSettingsController::renameWhenLinkIdle(const std::string& name, double giveUpAt) {
    // The link sends the newest waiting command first. With other commands
    // under way (this page's entry reads), the name would be read back
    // before it was written and the old one recorded; so the rename starts
    // on an idle link, where the first half goes out at once and the second
    // half, queued from its answer, overtakes the read-back.
    BTLEController& lamp = link();
    const bool idle = !lamp.firedCommand() && lamp.waitingCommandCount() == 0;
    if (!idle && dispatch().now() < giveUpAt) {
        QPointer<AQSettingsController> self(this);
        dispatch().singleShot(kIdlePoll, [self, name, giveUpAt] {
            if (self) self->renameWhenLinkIdle(name, giveUpAt);
        });
        return;
    }
    lamp.setName(name);
    // What is stored is what the lamp reports back, not what was typed.
    lamp.getName([](const std::string& reported) {
        const std::optional<std::string> uuid = GlobalStore::sharedInstance().connectedUUID();
        if (!uuid) {
            logLine("renamed lamp has no UUID; name not stored");
            return;
        }
        GlobalStore::setNameForUUID(*uuid, lampNameText(reported));
    });
}

void AQSettingsController::toggleDemo(bool on) {
    link().setMode(on ? kModeDemo : kModeNormal);
}

void AQSettingsController::toggleDemoLoop(bool on) {
    link().setDemoLoop(on);
}

}  // namespace aq
