#include "app/Prompts.h"

#include "app/PatternOptionsDlg.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QVBoxLayout>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>

namespace {
PromptHooks& Hooks()
{
    static PromptHooks hooks;
    return hooks;
}
} // namespace

void SetPromptHooks(PromptHooks hooks)
{
    Hooks() = std::move(hooks);
}

void ShowMessage(QWidget* parent, const QString& text, const QString& informative)
{
    const QString caption = QString::fromUtf8(kMessageCaption);
    if (Hooks().message) {
        Hooks().message(caption, text);
        if (Hooks().informative)
            Hooks().informative(informative);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    if (!informative.isEmpty())
        box.setInformativeText(informative);
    box.exec();
}

int AskChoice(QWidget* parent, const QString& text, const QStringList& buttons, int escape)
{
    int answer = -1;
    if (Hooks().choice) {
        answer = Hooks().choice(text, buttons);
    } else {
        QMessageBox box(QMessageBox::Question, QString::fromUtf8(kMessageCaption), text,
                        QMessageBox::NoButton, parent);
        QList<QPushButton*> added;
        for (const QString& b : buttons)
            added << box.addButton(b, QMessageBox::ActionRole);
        if (!added.isEmpty())
            box.setDefaultButton(added.first());
        if (escape >= 0 && escape < added.size())
            box.setEscapeButton(added[escape]);
        box.exec();
        answer = int(added.indexOf(static_cast<QPushButton*>(box.clickedButton())));
    }
    return answer >= 0 && answer < buttons.size() ? answer : escape;
}

QString AskFilePath(QWidget* parent, const FileRequest& request)
{
    if (Hooks().file)
        return Hooks().file(request);
    QFileDialog dialog(parent);
    dialog.setNameFilters(request.filter.split(QStringLiteral(";;")));
    if (request.kind == FileRequest::kOpen) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (request.suffixFollowsFilter) {
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog](const QString& filter) {
                             static const QRegularExpression ext(QStringLiteral("\\*\\.(\\w+)"));
                             const QRegularExpressionMatch m = ext.match(filter);
                             if (m.hasMatch())
                                 dialog.setDefaultSuffix(m.captured(1));
                         });
    }
    if (!request.title.isEmpty())
        dialog.setWindowTitle(request.title);
    if (!request.folder.isEmpty())
        dialog.setDirectory(request.folder);
    if (!request.proposedName.isEmpty())
        dialog.selectFile(request.proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

bool AskPatternOptions(QWidget* parent, CPatternOptions& options)
{
    if (Hooks().patternOptions)
        return Hooks().patternOptions(options);
    CPatternOptionsDlg dialog(parent, options);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    options = dialog.Choice();
    return true;
}

bool AskPrinter(QWidget* parent, QPrinter& printer)
{
    if (Hooks().print)
        return Hooks().print(printer);
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

void FinishFormDialog(QDialog* dialog, QFormLayout* form)
{
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    dialog->setSizeGripEnabled(false);
}
