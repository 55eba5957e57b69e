#pragma once

#include <QString>

class QWidget;

namespace aq {

// A page view that holds only its heading, named after the page's identifier.
QWidget* makeSimplePage(const QString& ident, const QString& title);

}  // namespace aq
