#pragma once
// The dialog seam answered by a script: the workflows that ask questions or
// choose files are driven by the test, which then reads what was asked.
#include <QString>
#include <QStringList>
#include <QVector>
#include <deque>

#include "ui/dialogs.h"

namespace rv720 {

// Answers from queues filled by the test; an unexpected question (its queue empty)
// is answered No / cancel and counted, so a test can insist there were none.
class ScriptedDialogs final : public Dialogs {
  public:
    enum class Kind { YesNo, Inform, Open, Save, Print };
    struct Call {
        Kind kind;
        QString caption;  // box caption; empty for file and print dialogs
        QString text;     // box text
        QuestionIcon icon = QuestionIcon::Question;
        FileDialogSpec request;
    };

    std::deque<bool> yesNoAnswers;
    std::deque<QString> fileAnswers;  // empty string = cancel
    std::deque<bool> printAnswers;
    // When set, an accepted print dialog sends the job to this PDF file.
    QString pdfPath;

    QVector<Call> calls;
    int unscripted = 0;

    QStringList questions() const;  // texts of the yes/no questions asked, in order

    bool askYesNo(QWidget* parent, const QString& caption, const QString& text,
                  QuestionIcon icon) override;
    void inform(QWidget* parent, const QString& caption, const QString& text) override;
    QString openFileName(QWidget* parent, const FileDialogSpec& request) override;
    QString saveFileName(QWidget* parent, const FileDialogSpec& request) override;
    bool choosePrinter(QWidget* parent, QPrinter& printer) override;

  private:
    QString nextFile();
};

}  // namespace rv720
