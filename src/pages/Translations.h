#pragma once

#include <QLocale>

namespace aq {

// Installs the user interface's translation for `locale` (ours, embedded, and
// Qt's own where the system has it) into the running application. Returns
// whether ours was found; English needs none and returns false.
bool installTranslations(const QLocale& locale);

}  // namespace aq
