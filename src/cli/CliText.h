#pragma once

#include <QCoreApplication>
#include <QString>

namespace aq::cli {

// The program's texts, translated under one context.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(aqlampctl)
};

inline QString tr(const char* text, const char* disambiguation = nullptr, int n = -1) {
    return Text::tr(text, disambiguation, n);
}

}  // namespace aq::cli
