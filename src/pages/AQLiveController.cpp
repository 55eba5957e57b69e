#include "pages/AQLiveController.h"

#include "pages/SimplePage.h"

namespace aq {

AQLiveController::AQLiveController(QObject* parent)
    : AQController(QStringLiteral("livecontroller"), parent) {
    setView(makeSimplePage(ident(), QStringLiteral("Live control")));
}

}  // namespace aq
