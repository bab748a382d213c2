#include "app/KelmarApp.h"

#include "app/AboutDlg.h"
#include "app/KelmarDoc.h"
#include "app/MainFrame.h"
#include "ui/AppState.h"

#include <QApplication>
#include <QFileInfo>

QString CommandLinePath(const QStringList& arguments)
{
    QString text = arguments.join(QLatin1Char(' '));
    if (text.startsWith(QLatin1Char('"'))) {
        text.remove(0, 1);
        if (!text.isEmpty())
            text.chop(1);
    }
    return text;
}

CKelmarApp::CKelmarApp(std::string profilePath)
{
    profile_.SetPath(profilePath.empty() ? MakeProfilePath(CurrentExecutablePath())
                                         : std::move(profilePath));
    commands_.Add(kCmdAbout, [this] { OnAppAbout(); });
    commands_.Add(kCmdExit, [this] {
        if (frame_)
            frame_->close();
    });
    for (int i = 0; i < kRecentFileCount; ++i) {
        const int index = i;
        commands_.Add(
            kCmdRecentFile1 + i,
            [this, index] {
                if (static_cast<size_t>(index) < recent_.Size())
                    OpenDocumentFile(QString::fromStdString(recent_[index]));
            },
            [this, index](CCmdUI& ui) {
                const size_t n = recent_.Size();
                ui.Enable(static_cast<size_t>(index) < n);
                if (static_cast<size_t>(index) < n) {
                    QString shown = QString::fromStdString(recent_[index]);
                    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
                    ui.SetText(QStringLiteral("&%1 %2").arg(index + 1).arg(shown).toStdString());
                } else if (index == 0) {
                    ui.SetText("Recently used files");
                }
            });
    }
}

CKelmarApp::~CKelmarApp()
{
    frame_.reset();
    doc_.reset();
    // The model outlives the views that draw it, never the other way round.
    g_pModel.reset();
}

bool CKelmarApp::InitInstance(const QStringList& arguments)
{
    recent_.Load(profile_);
    doc_ = std::make_unique<CKelmarDoc>();
    frame_ = std::make_unique<CMainFrame>(this, doc_.get());
    if (!frame_->Create()) {
        frame_.reset();
        return false;
    }
    frame_->show();
    frame_->repaint();
    frame_->OfferRecovery();
    const QString path = CommandLinePath(arguments);
    if (!path.isEmpty())
        OpenDocumentFile(path);
    return true;
}

void CKelmarApp::ExitInstance()
{
    recent_.Save(profile_);
}

CKelmarDoc* CKelmarApp::OpenDocumentFile(const QString& path)
{
    if (!frame_)
        return nullptr;
    if (frame_->MaybeSaveChanges())
        frame_->OpenModelFile(path);
    return doc_.get();
}

void CKelmarApp::AddToRecentFileList(const QString& path)
{
    recent_.Add(QFileInfo(path).absoluteFilePath().toStdString());
    emit RecentFilesChanged();
}

void CKelmarApp::OnAppAbout()
{
    CAboutDlg dialog(frame_.get());
    dialog.exec();
}
