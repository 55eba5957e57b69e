#include "pages/MoonFrameSheet.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "pages/PageLook.h"
#include "widgets/AQButton.h"

namespace aq {

namespace {
QTimeEdit* timePicker(QWidget* parent) {
    auto* picker = new QTimeEdit(parent);
    picker->setDisplayFormat(QStringLiteral("HH:mm"));
    picker->setMinimumWidth(100);
    return picker;
}
}  // namespace

MoonFrameSheet::MoonFrameSheet(QWidget* parent)
    : QDialog(parent),
      _dtpTimeframeFrom(timePicker(this)),
      _dtpTimeframeTo(timePicker(this)),
      _btnClose(new AQButton(tr("Close"), this)) {
    setObjectName(QStringLiteral("MoonFrameSheet"));
    setWindowTitle(tr("Moon time frame"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 16);
    layout->setSpacing(look::kSpacing);

    auto* heading = new QLabel(tr("Moon time frame"), this);
    QFont font = heading->font();
    font.setBold(true);
    heading->setFont(font);
    layout->addWidget(heading);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(look::kSpacing);
    grid->addWidget(look::caption(tr("From")), 0, 0);
    grid->addWidget(_dtpTimeframeFrom, 0, 1);
    grid->addWidget(look::caption(tr("To")), 1, 0);
    grid->addWidget(_dtpTimeframeTo, 1, 1);
    grid->setColumnStretch(2, 1);
    layout->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    _btnClose->setMinimumSize(90, 28);
    _btnClose->setDefault(true);
    buttons->addWidget(_btnClose);
    layout->addStretch(1);
    layout->addLayout(buttons);
    connect(_btnClose, &QPushButton::clicked, this, &QDialog::accept);
    setPickersEnabled(false);
    resize(300, 160);
}

void MoonFrameSheet::setPickersEnabled(bool on) {
    _dtpTimeframeFrom->setEnabled(on);
    _dtpTimeframeTo->setEnabled(on);
}

}  // namespace aq
