#pragma once

#include "pages/AQController.h"

namespace aq {

// The moon simulation: active lamps, moon channel, window and brightness. Its controls are still to
// come; for now the page only shows where the user is.
class AQMoonAdjustmentController : public AQController {
    Q_OBJECT
public:
    explicit AQMoonAdjustmentController(QObject* parent = nullptr);

    // This page writes no entry log line.
    void onEnter() override;
};

}  // namespace aq
