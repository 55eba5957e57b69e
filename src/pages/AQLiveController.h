#pragma once

#include "pages/AQController.h"

namespace aq {

// Live control: the user drives the channels by hand. Its controls are still to come; for now the
// page only shows where the user is.
class AQLiveController : public AQController {
    Q_OBJECT
public:
    explicit AQLiveController(QObject* parent = nullptr);
};

}  // namespace aq
