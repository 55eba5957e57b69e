#include "pages/AQWeatherController.h"

#include "pages/SimplePage.h"

namespace aq {

AQWeatherController::AQWeatherController(QObject* parent)
    : AQController(QStringLiteral("weather"), parent) {
    setView(makeSimplePage(ident(), QStringLiteral("Weather")));
}

}  // namespace aq
