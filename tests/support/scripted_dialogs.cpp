#include "support/scripted_dialogs.h"

#include <QPrinter>

namespace rv720 {

QStringList ScriptedDialogs::questions() const {
    QStringList texts;
    for (const Call& call : calls)
        if (call.kind == Kind::YesNo) texts << call.text;
    return texts;
}

bool ScriptedDialogs::askYesNo(QWidget*, const QString& caption, const QString& text,
                               QuestionIcon icon) {
    calls.append({Kind::YesNo, caption, text, icon, {}});
    if (yesNoAnswers.empty()) {
        ++unscripted;
        return false;
    }
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

void ScriptedDialogs::inform(QWidget*, const QString& caption, const QString& text) {
    calls.append({Kind::Inform, caption, text, QuestionIcon::Question, {}});
}

QString ScriptedDialogs::nextFile() {
    if (fileAnswers.empty()) {
        ++unscripted;
        return {};
    }
    QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::openFileName(QWidget*, const FileDialogSpec& request) {
    calls.append({Kind::Open, {}, {}, QuestionIcon::Question, request});
    return withDefaultExtension(nextFile(), request.defaultExtension);
}

QString ScriptedDialogs::saveFileName(QWidget*, const FileDialogSpec& request) {
    calls.append({Kind::Save, {}, {}, QuestionIcon::Question, request});
    return withDefaultExtension(nextFile(), request.defaultExtension);
}

bool ScriptedDialogs::choosePrinter(QWidget*, QPrinter& printer) {
    calls.append({Kind::Print, {}, {}, QuestionIcon::Question, {}});
    bool answer = false;
    if (printAnswers.empty()) {
        ++unscripted;
    } else {
        answer = printAnswers.front();
        printAnswers.pop_front();
    }
    if (answer && !pdfPath.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
    }
    return answer;
}

}  // namespace rv720
