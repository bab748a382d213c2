#pragma once
// The application object: the profile, the recent-file list, the document and
// the main window; start-up, the command-line open and the About box.

#include "app/Profile.h"
#include "app/RecentFileList.h"
#include "ui/CommandMap.h"

#include <QObject>
#include <QStringList>
#include <memory>

class CKelmarDoc;
class CMainFrame;

class CKelmarApp : public QObject {
    Q_OBJECT
public:
    // The title of the application: the caption of every message box.
    static constexpr const char* kAppTitle = "Lintoro";

    // profilePath empty: MakeProfilePath() for the running executable.
    explicit CKelmarApp(std::string profilePath = std::string());
    ~CKelmarApp() override;

    // Start-up: loads the recent files, creates the document and the main
    // window, shows it, offers a design left in a recovery file and opens
    // the command-line path (arguments after the
    // program name, joined by blanks; one pair of surrounding double quotes is
    // dropped). False when the main window cannot be created.
    bool InitInstance(const QStringList& arguments);
    // Writes the recent-file list; safe to call more than once.
    void ExitInstance();

    // Opens a file by name (recent-file menu, dropped files, command line),
    // first asking whether to save unsaved changes (Cancel opens nothing).
    CKelmarDoc* OpenDocumentFile(const QString& path);

    CProfile& Profile() { return profile_; }
    CRecentFileList& RecentFiles() { return recent_; }
    // Adds a path to the recent files (as an absolute path).
    void AddToRecentFileList(const QString& path);
    CMainFrame* MainFrame() const { return frame_.get(); }
    CKelmarDoc* Document() const { return doc_.get(); }
    CCommandMap& Commands() { return commands_; }

    void OnAppAbout();

signals:
    void RecentFilesChanged();

private:
    CProfile profile_;
    CRecentFileList recent_;
    std::unique_ptr<CKelmarDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
    CCommandMap commands_;
};

// The joined command-line text with one pair of surrounding quotes dropped;
// empty when there were no arguments.
QString CommandLinePath(const QStringList& arguments);
