#include "pages/AQMoonAdjustmentController.h"

#include "pages/SimplePage.h"

namespace aq {

AQMoonAdjustmentController::AQMoonAdjustmentController(QObject* parent)
    : AQController(QStringLiteral("moonadjustment"), parent) {
    setView(makeSimplePage(ident(), QStringLiteral("Moon")));
}

void AQMoonAdjustmentController::onEnter() {}

}  // namespace aq
