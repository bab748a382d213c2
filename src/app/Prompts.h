#pragma once
// Every message box and file dialog of the program goes through here, so tests
// can answer them without a modal loop. Message boxes carry the caption
// "Lintoro" and an OK button.

#include <QString>
#include <QStringList>
#include <functional>

class QPrinter;
class QWidget;
struct CPatternOptions;

struct FileRequest {
    enum Kind { kOpen, kSave } kind = kOpen;
    QString filter;        // Qt filter list, entries separated by ";;"
    QString defaultSuffix; // without the dot; empty for none
    QString proposedName;  // initial file name; empty for none
    QString folder;        // initial folder; empty for the current one
    // Save dialogs: the default suffix follows the chosen filter's first
    // "*.ext" pattern, so a bare name gets the extension of the type picked.
    bool suffixFollowsFilter = false;
    QString title; // the dialog's caption; empty for the toolkit's own
};

struct PromptHooks {
    // Receives caption and text instead of a message box.
    std::function<void(const QString& caption, const QString& text)> message;
    // Receives the informative text under each message (empty for none),
    // after `message`.
    std::function<void(const QString& informative)> informative;
    // Answers a file dialog: the chosen path, or empty for Cancel.
    std::function<QString(const FileRequest& request)> file;
    // Answers the print dialog: sets the printer up and returns true, or
    // false for Cancel.
    std::function<bool(QPrinter& printer)> print;
    // Answers Crease Pattern Options: changes the options and returns true,
    // or false for Cancel.
    std::function<bool(CPatternOptions& options)> patternOptions;
    // Answers a question: the index of the button chosen, or -1 for Escape
    // (which AskChoice turns into its `escape`).
    std::function<int(const QString& text, const QStringList& buttons)> choice;
};

// Replaces the hooks (empty members restore the real dialogs).
void SetPromptHooks(PromptHooks hooks);

constexpr const char* kMessageCaption = "Lintoro";

// `informative` (the file and the reason, say) goes under the text in a smaller font.
void ShowMessage(QWidget* parent, const QString& text, const QString& informative = QString());
// Returns the chosen path, empty when the user cancelled.
QString AskFilePath(QWidget* parent, const FileRequest& request);
// Qt's print dialog on `printer`; false when the user cancelled.
bool AskPrinter(QWidget* parent, QPrinter& printer);
// Crease Pattern Options, starting from `options`; false (options
// untouched) when the user cancelled.
bool AskPatternOptions(QWidget* parent, CPatternOptions& options);
// Asks `text` with the buttons in `buttons`, the first the default. Returns
// the index of the button chosen; Escape or the close box gives `escape`
// (-1: none of them).
int AskChoice(QWidget* parent, const QString& text, const QStringList& buttons, int escape = -1);

class QDialog;
class QFormLayout;
// Lays a small dialog out as its form above OK and Cancel, which accept and
// reject it; the dialog keeps its size.
void FinishFormDialog(QDialog* dialog, QFormLayout* form);
