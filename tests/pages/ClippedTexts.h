#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QStringList>
#include <QWidget>

namespace aq::test {

// The shown labels and buttons under `root` whose text does not fit: outside
// their parent, or narrower than their text needs (wrapping labels may be).
inline QStringList clippedTexts(QWidget* root) {
    QStringList out;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root->window())) continue;
        auto* label = qobject_cast<QLabel*>(w);
        auto* button = qobject_cast<QAbstractButton*>(w);
        if (!label && !button) continue;
        const QString text = label ? label->text() : button->text();
        const bool outside = !w->parentWidget()->rect().contains(w->geometry());
        const bool narrow = !(label && label->wordWrap()) && w->width() < w->minimumSizeHint().width();
        if (outside || narrow) out << text;
    }
    return out;
}

}  // namespace aq::test
