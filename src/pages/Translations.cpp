#include "pages/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace aq {

bool installTranslations(const QLocale& locale) {
    auto* app = QCoreApplication::instance();
    if (!app) return false;
    // Qt's own texts (standard buttons, file dialogs), from the system's Qt.
    auto* qt = new QTranslator(app);
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt);
    } else {
        delete qt;
    }
    auto* ours = new QTranslator(app);
    if (!ours->load(locale, QStringLiteral("aqlamp"), QStringLiteral("_"),
                    QStringLiteral(":/i18n"))) {
        delete ours;
        return false;
    }
    QCoreApplication::installTranslator(ours);
    return true;
}

}  // namespace aq
