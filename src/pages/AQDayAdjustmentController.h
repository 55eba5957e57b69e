#pragma once

#include "pages/AQController.h"

namespace aq {

// The lamp's day programme: one curve of set points per channel. Its editor is still to come; for
// now the page only shows where the user is.
class AQDayAdjustmentController : public AQController {
    Q_OBJECT
public:
    explicit AQDayAdjustmentController(QObject* parent = nullptr);
};

}  // namespace aq
