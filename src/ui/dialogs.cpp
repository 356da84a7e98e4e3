#include "ui/dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QStringList>

namespace rv720 {

QString toQtFilter(const QString& stationFilter) {
    const QStringList parts = stationFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString text = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the parentheses; add them when the text lacks them.
        if (!text.contains(QLatin1Char('('))) text += QStringLiteral(" (%1)").arg(patterns);
        filters << text;
    }
    return filters.join(QStringLiteral(";;"));
}

QString withDefaultExtension(const QString& path, const QString& extension) {
    if (path.isEmpty() || extension.isEmpty()) return path;
    const QFileInfo info(path);
    if (info.fileName().contains(QLatin1Char('.'))) return path;
    return path + QLatin1Char('.') + extension;
}

// ------------------------------------------------------------------- QtDialogs

bool QtDialogs::askYesNo(QWidget* parent, const QString& caption, const QString& text,
                         QuestionIcon icon) {
    QMessageBox box(icon == QuestionIcon::Warning ? QMessageBox::Warning : QMessageBox::Question,
                    caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::inform(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox::information(parent, caption, text, QMessageBox::Ok);
}

namespace {

QString runFileDialog(QWidget* parent, const FileDialogSpec& request,
                      QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setNameFilter(toQtFilter(request.filter));
    dialog.setDefaultSuffix(request.defaultExtension);
    // A bare name takes the extension of the filter chosen, so a name typed under
    // the text form's filter is not saved as a .pri.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
        static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
        const QRegularExpressionMatch match = pattern.match(f);
        if (match.hasMatch()) dialog.setDefaultSuffix(match.captured(1));
    });
    if (!request.directory.isEmpty()) dialog.setDirectory(request.directory);
    // The station asks its own overwrite question after the dialog.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return QFileInfo(dialog.selectedFiles().first()).absoluteFilePath();
}

}  // namespace

QString QtDialogs::openFileName(QWidget* parent, const FileDialogSpec& request) {
    return runFileDialog(parent, request, QFileDialog::AcceptOpen);
}

QString QtDialogs::saveFileName(QWidget* parent, const FileDialogSpec& request) {
    return runFileDialog(parent, request, QFileDialog::AcceptSave);
}

bool QtDialogs::choosePrinter(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace rv720
