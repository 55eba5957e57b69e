#include "pages/Questions.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
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
    QCheckBox* option = nullptr;
    if (!question.option.isEmpty()) {
        option = new QCheckBox(question.option);
        option->setChecked(question.optionChecked);
        // Above the buttons, below "Don't ask again" where that is offered.
        auto* grid = qobject_cast<QGridLayout*>(box.layout());
        auto* buttons = box.findChild<QDialogButtonBox*>();
        const int index = grid && buttons ? grid->indexOf(buttons) : -1;
        if (index >= 0) {
            int row = 0, column = 0, rows = 1, columns = 1;
            grid->getItemPosition(index, &row, &column, &rows, &columns);
            grid->removeWidget(buttons);
            // In the text's column, as "Don't ask again" stands.
            const int textColumn = columns > 1 ? column + 1 : column;
            grid->addWidget(option, row, textColumn, 1, column + columns - textColumn);
            grid->addWidget(buttons, row + 1, column, rows, columns);
        } else if (!dontAsk) {
            box.setCheckBox(option);
        } else {
            delete option;
            option = nullptr;
        }
    }
    box.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    box.exec();
    Answer answer;
    answer.confirmed = box.clickedButton() == go;
    answer.dontAskAgain = answer.confirmed && dontAsk && dontAsk->isChecked();
    answer.option = answer.confirmed && option && option->isChecked();
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
