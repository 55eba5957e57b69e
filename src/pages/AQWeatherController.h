#pragma once

#include "pages/AQController.h"

namespace aq {

// The weather simulation: clouds and lightning. Its controls are still to come; for now the page
// only shows where the user is.
class AQWeatherController : public AQController {
    Q_OBJECT
public:
    explicit AQWeatherController(QObject* parent = nullptr);
};

}  // namespace aq
