#include "pages/AQDayAdjustmentController.h"

#include "pages/SimplePage.h"

namespace aq {

AQDayAdjustmentController::AQDayAdjustmentController(QObject* parent)
    : AQController(QStringLiteral("dayadjustment"), parent) {
    setView(makeSimplePage(ident(), QStringLiteral("Day programme")));
}

}  // namespace aq
