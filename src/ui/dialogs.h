#pragma once
// The station's modal questions and its file and print dialogs behind one small
// interface, so the workflows that ask them can be driven by a script in tests.
// QtDialogs shows the real boxes; the tests' scripted dialogs answer from queues
// and record every question they were asked.
#include <QString>

class QPrinter;
class QWidget;

namespace rv720 {

// A file dialog as the station describes it: the filter in the "text|pattern" form
// ("RV702 program file (*.pri)|*.pri") and the extension given to a bare name.
struct FileDialogSpec {
    QString filter;
    QString defaultExtension;
    QString directory = {};  // where the dialog starts; empty: the platform's choice
};

enum class QuestionIcon { Question, Warning };

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // A modal box with Yes and No; true for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& caption, const QString& text,
                          QuestionIcon icon = QuestionIcon::Question) = 0;
    // A modal box with OK only.
    virtual void inform(QWidget* parent, const QString& caption, const QString& text) = 0;
    // The chosen full path, or empty when cancelled.
    virtual QString openFileName(QWidget* parent, const FileDialogSpec& request) = 0;
    virtual QString saveFileName(QWidget* parent, const FileDialogSpec& request) = 0;
    // Lets the operator choose and set up `printer`; false when cancelled.
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer) = 0;
};

// "Text (*.x)|*.x|Other|*.y" -> "Text (*.x);;Other (*.y)" for Qt's dialogs.
QString toQtFilter(const QString& stationFilter);
// Appends ".ext" to a path whose file name has no extension.
QString withDefaultExtension(const QString& path, const QString& extension);

class QtDialogs final : public Dialogs {
  public:
    bool askYesNo(QWidget* parent, const QString& caption, const QString& text,
                  QuestionIcon icon) override;
    void inform(QWidget* parent, const QString& caption, const QString& text) override;
    QString openFileName(QWidget* parent, const FileDialogSpec& request) override;
    QString saveFileName(QWidget* parent, const FileDialogSpec& request) override;
    bool choosePrinter(QWidget* parent, QPrinter& printer) override;
};

}  // namespace rv720
