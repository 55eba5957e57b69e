#include "pages/SimplePage.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include "pages/PageLook.h"

namespace aq {

QWidget* makeSimplePage(const QString& ident, const QString& title) {
    auto* page = new QWidget;
    page->setObjectName(ident);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(look::kPageMargin, look::kPageMargin, look::kPageMargin,
                               look::kPageMargin);
    layout->addWidget(look::pageTitle(title));
    layout->addStretch(1);
    return page;
}

}  // namespace aq
