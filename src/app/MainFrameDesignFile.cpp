// The main window's side of keeping the design: the question before it is
// replaced, Save Design and Save Design As, and the recovery file.

#include "app/CoreAdapters.h"
#include "app/KelmarApp.h"
#include "app/KelmarDoc.h"
#include "app/MainFrame.h"
#include "app/Prompts.h"
#include "base/AtomicFile.h"
#include "document/DesignFile.h"
#include "paper/PaperLayout.h"
#include "ui/AppState.h"
#include "widgets/ModelView.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

namespace {
const char* const kDesignFilter = "FOLD (*.fold)";
const char* const kDesignWithoutPaperFilter = "OBJ File, as this model has no paper (*.obj)";
const char* const kSaveDesignTitle = "Save Design";
const char* const kSaveWithoutPaperTitle =
    "Save Design: this model has no paper, so it is saved as OBJ";
const char* const kSaveChangesQuestion = "Save changes to the design?";

// `path` with `suffix` appended unless it already ends with it (any case).
QString WithSuffix(const QString& path, const char* suffix)
{
    const QString dotted = QLatin1Char('.') + QLatin1String(suffix);
    return path.endsWith(dotted, Qt::CaseInsensitive) ? path : path + dotted;
}
} // namespace

void CMainFrame::StartDocument(const QString& savePath, const QString& originalName)
{
    // The design it replaces was saved or given up: its recovery file goes too.
    RemoveRecoveryFile();
    savePath_ = savePath;
    originalName_ = originalName;
    recovered_ = false;
    CDocumentState& state = session_->Document();
    state.Saved();
    recoveryChanges_ = state.Changes();
    UpdateTitle();
}

bool CMainFrame::Modified() const
{
    return g_pModel && session_->Document().Modified();
}

bool CMainFrame::MaybeSaveChanges()
{
    if (!Modified())
        return true;
    const int answer =
        AskChoice(this, QString::fromUtf8(kSaveChangesQuestion),
                  {QStringLiteral("Save"), QStringLiteral("Discard"), QStringLiteral("Cancel")}, 2);
    if (answer == 0)
        return SaveDesign(false);
    return answer == 1;
}

bool CMainFrame::SaveDesign(bool choosePath)
{
    if (!g_pModel || readInProgress_)
        return false;
    const bool paper = HasPaper(*g_pModel);
    const char* suffix = paper ? "fold" : "obj";
    QString path = choosePath ? QString() : savePath_;
    if (path.isEmpty()) {
        FileRequest request;
        request.kind = FileRequest::kSave;
        request.filter = QString::fromUtf8(paper ? kDesignFilter : kDesignWithoutPaperFilter);
        request.defaultSuffix = QString::fromLatin1(suffix);
        request.title = QString::fromUtf8(paper ? kSaveDesignTitle : kSaveWithoutPaperTitle);
        const QString base = QFileInfo(originalName_).completeBaseName();
        request.proposedName =
            (base.isEmpty() ? QStringLiteral("design") : base) + QLatin1Char('.') + suffix;
        // A recovered design's file is the recovery folder: propose nothing there.
        const QString near = !savePath_.isEmpty() ? savePath_
                             : recovered_         ? QString()
                                                  : QFile::decodeName(g_pModel->fileName.c_str());
        if (!near.isEmpty())
            request.folder = QFileInfo(near).absolutePath();
        path = AskFilePath(this, request);
        if (path.isEmpty())
            return false;
        path = WithSuffix(QFileInfo(path).absoluteFilePath(), suffix);
    }
    const std::string file = QFile::encodeName(path).toStdString();
    std::string message = kCannotWriteMessage;
    const bool written =
        paper ? WriteDesignFile(*g_pModel, file, message) : ExportShapeToFile(*g_pModel, file);
    if (!written) {
        ShowMessage(this, QString::fromStdString(message));
        return false;
    }
    app_->AddToRecentFileList(path);
    doc_->SetTitle(QFileInfo(path).fileName());
    StartDocument(path, QFileInfo(path).fileName());
    return true;
}

void CMainFrame::SetRecoveryInterval(int milliseconds)
{
    recoveryTimer_->setInterval(milliseconds);
}

QString CMainFrame::RecoveryFile() const
{
    const std::string folder = RecoveryFolder();
    if (folder.empty())
        return QString();
    return QFile::decodeName(RecoveryPath(folder, QCoreApplication::applicationPid()).c_str());
}

void CMainFrame::WriteRecovery(bool wait)
{
    if (!Modified() || readInProgress_)
        return;
    const uint64_t changes = session_->Document().Changes();
    const QString path = RecoveryFile();
    if (changes != recoveryChanges_ && !path.isEmpty()) {
        CRecoverySnapshot snapshot;
        TakeRecoverySnapshot(*g_pModel, originalName_.toStdString(), snapshot);
        if (!recoveryWriter_)
            recoveryWriter_ = std::make_unique<CRecoveryWriter>();
        recoveryWriter_->Submit(std::move(snapshot), QFile::encodeName(path).toStdString());
        recoveryChanges_ = changes;
    }
    if (wait && recoveryWriter_)
        recoveryWriter_->Flush();
}

void CMainFrame::RemoveRecoveryFile()
{
    // A write under way would bring the file back after the removal.
    if (recoveryWriter_)
        recoveryWriter_->Flush();
    const QString path = RecoveryFile();
    if (!path.isEmpty())
        QFile::remove(path);
}

void CMainFrame::CloseForSignal()
{
    WriteRecovery(true);
    closingForSignal_ = true;
    close();
    closingForSignal_ = false;
}

void CMainFrame::OfferRecovery()
{
    const std::vector<CRecoveryCandidate> found = FindOrphanRecoveryFiles(RecoveryFolder());
    if (found.empty())
        return;
    const QString file = QFile::decodeName(found.front().path.c_str());
    QString name = QString::fromStdString(RecoveryOriginalName(found.front().path));
    if (name.isEmpty())
        name = CKelmarDoc::UntitledName();
    const QString text =
        QStringLiteral("A design was not saved when Lintoro last ended:\n%1\nRecover it?")
            .arg(name);
    const int answer =
        AskChoice(this, text, {QStringLiteral("Recover"), QStringLiteral("Discard")});
    if (answer == 1) {
        QFile::remove(file);
        return;
    }
    if (answer != 0 || !InstallModelFrom(file, false))
        return; // kept for the next start
    doc_->SetTitle(name + QStringLiteral(" (recovered)"));
    doc_->UpdateAllViews(kHintNewModel);
    StartDocument(QString(), name);
    // The file becomes this program's own, so it stays until the design is
    // saved or the program ends cleanly.
    const QString own = RecoveryFile();
    if (!QFile::rename(file, own)) {
        QFile::remove(own);
        QFile::rename(file, own);
    }
    recovered_ = true;
    session_->Document().MarkUnsaved();
    recoveryChanges_ = session_->Document().Changes();
    UpdateTitle();
}
