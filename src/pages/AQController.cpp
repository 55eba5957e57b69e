#include "pages/AQController.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include "link/BTLEController.h"
#include "link/Log.h"
#include "pages/PageLook.h"
#include "session/GlobalStore.h"

namespace aq {

AQController::AQController(QString ident, QObject* parent)
    : QObject(parent), _ident(std::move(ident)) {}

AQController::~AQController() = default;

void AQController::onEnter() {
    logLine(format("onEnter %s", _ident.toUtf8().constData()));
}

void AQController::onLeave() {
    logLine(format("onLeave %s", _ident.toUtf8().constData()));
}

BTLEController& AQController::link() {
    return GlobalStore::sharedInstance().btController();
}

Dispatch& AQController::dispatch() {
    return link().dispatch();
}

QVBoxLayout* AQController::newPageLayout(const QString& title) {
    auto* page = new QWidget;
    page->setObjectName(ident());
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(look::kPageMargin, look::kPageMargin, look::kPageMargin,
                               look::kPageMargin);
    layout->setSpacing(look::kSpacing);
    if (!title.isEmpty()) layout->addWidget(look::pageTitle(title));
    return layout;
}

}  // namespace aq
