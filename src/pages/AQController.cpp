#include "pages/AQController.h"

#include <QWidget>

#include "link/BTLEController.h"
#include "link/Log.h"
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

}  // namespace aq
