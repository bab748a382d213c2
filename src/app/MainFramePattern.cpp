// Export and Print Crease Pattern: the file or the printer, then the options
// that say how the pattern goes on paper, remembered in the profile.

#include "app/CoreAdapters.h"
#include "app/KelmarApp.h"
#include "app/MainFrame.h"
#include "app/PatternPrint.h"
#include "app/PatternSettings.h"
#include "app/Prompts.h"
#include "export/CreasePatternFile.h"
#include "paper/CreasePattern.h"
#include "ui/AppState.h"

#include <QFile>
#include <QPrinter>

namespace {

const char* const kCreasePatternFilter = "FOLD (*.fold);;SVG (*.svg);;PDF (*.pdf);;DXF (*.dxf)";

} // namespace

bool CMainFrame::AskCreasePatternOptions(CPatternOptions& options)
{
    options = LoadPatternOptions(app_->Profile());
    if (!AskPatternOptions(this, options))
        return false;
    // The choice is kept even when the profile cannot be written: it is
    // only a convenience for the next time.
    SavePatternOptions(app_->Profile(), options);
    return true;
}

void CMainFrame::OnExportCreasePattern()
{
    if (!g_pModel)
        return;
    // Without paper there is no pattern: say why before asking for a file.
    if (!g_pModel->paperInfo.has) {
        ShowMessage(this, QString::fromStdString(g_pModel->paperInfo.whyNot));
        return;
    }
    FileRequest request = SaveRequest(kCreasePatternFilter, "fold");
    request.suffixFollowsFilter = true;
    const QString path = AskFilePath(this, request);
    if (path.isEmpty())
        return;
    const std::string file = QFile::encodeName(path).toStdString();
    CPatternOptions options;
    // FOLD is the pattern itself: nothing to ask. A name of no known format
    // is refused by the writer before anything is asked either.
    const CreasePatternFormat format = CreasePatternFormatOf(file);
    if (format != CreasePatternFormat::kFold && format != CreasePatternFormat::kUnknown &&
        !AskCreasePatternOptions(options))
        return;
    std::string message;
    if (!ExportCreasePatternToFile(*g_pModel, file, message, options))
        ShowMessage(this, QString::fromStdString(message));
}

void CMainFrame::OnPrintCreasePattern()
{
    if (!g_pModel)
        return;
    // Without paper there is no pattern: say why before any dialog.
    CCreasePattern pattern;
    std::string message;
    if (!BuildModelCreasePattern(*g_pModel, pattern, message)) {
        ShowMessage(this, QString::fromStdString(message));
        return;
    }
    CPatternOptions options;
    if (!AskCreasePatternOptions(options))
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(windowTitle());
    if (!AskPrinter(this, printer))
        return;
    if (!PrintCreasePattern(printer, pattern, options, message))
        ShowMessage(this, QString::fromStdString(message));
}
