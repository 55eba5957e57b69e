#include "pages/Questions.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace aq {

namespace {
QuestionFunction& questionFunction() {
    static QuestionFunction function;
    return function;
}

Answer askWithMessageBox(QWidget* parent, const Question& question) {
    QMessageBox box(QMessageBox::Question, question.title, question.text, QMessageBox::NoButton,
                    parent ? parent->window() : nullptr);
    box.setInformativeText(question.detail);
    QPushButton* go = box.addButton(question.confirm, QMessageBox::AcceptRole);
    QPushButton* keep = box.addButton(question.cancel, QMessageBox::RejectRole);
    box.setDefaultButton(keep);
    box.setEscapeButton(keep);
    QCheckBox* dontAsk = nullptr;
    if (question.offerDontAsk) {
        dontAsk = new QCheckBox(QCoreApplication::translate("Questions", "Don't ask again"));
        box.setCheckBox(dontAsk);
    }
    box.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    box.exec();
    Answer answer;
    answer.confirmed = box.clickedButton() == go;
    answer.dontAskAgain = answer.confirmed && dontAsk && dontAsk->isChecked();
    return answer;
}
}  // namespace

QuestionFunction setQuestionFunction(QuestionFunction function) {
    QuestionFunction previous = std::move(questionFunction());
    questionFunction() = std::move(function);
    return previous;
}

Answer ask(QWidget* parent, const Question& question) {
    const QuestionFunction function = questionFunction();
    return function ? function(parent, question) : askWithMessageBox(parent, question);
}

}  // namespace aq
