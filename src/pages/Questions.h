#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace aq {

// A question the user answers before something that cannot be taken back.
struct Question {
    QString title;
    QString text;
    QString detail;
    QString confirm;  // the button that goes on
    QString cancel;   // the button that keeps things as they are (the default)
    // Offers a "Don't ask again" box.
    bool offerDontAsk = false;
    // Offers a check box of its own when not empty, checked to begin with
    // when `optionChecked`.
    QString option;
    bool optionChecked = false;
};

struct Answer {
    bool confirmed = false;
    bool dontAskAgain = false;
    // The question's own check box was checked when the user confirmed.
    bool option = false;
};

// Questions go through one replaceable function, as alerts do, so that tests
// answer them instead of blocking on a message box.
using QuestionFunction = std::function<Answer(QWidget* parent, const Question& question)>;

// Replaces the function that asks; an empty function restores the message
// box. Returns the function that was in place.
QuestionFunction setQuestionFunction(QuestionFunction function);

// Asks over the parent's window (main thread only).
Answer ask(QWidget* parent, const Question& question);

}  // namespace aq
