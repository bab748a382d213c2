// Crease Pattern Options in the window: asked after the file and before the
// print dialog, remembered in the profile, followed by the SVG and the print.

#include "GuiFixture.h"
#include "app/PatternOptionsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>

namespace {

// Pages of a PDF by pdfinfo; -1 when it cannot say.
int PdfPages(const QString& path)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {path});
    if (!info.waitForStarted() || !info.waitForFinished())
        return -1;
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                          .match(QString::fromUtf8(info.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace

class PatternOptionsTest : public GuiFixture {
    Q_OBJECT

    int optionsSeen_ = 0;
    // Answers the next Crease Pattern Options dialog: `fill` sets its fields
    // (and may check the ones offered); it is accepted unless `fill` returns false.
    std::function<bool(CPatternOptionsDlg*)> fill_;

    void RealOptionsDialog()
    {
        PromptHooks hooks;
        hooks.message = [this](const QString&, const QString& text) { messages_ << text; };
        hooks.file = [this](const FileRequest& r) {
            fileRequests_ << r;
            return nextFile_;
        };
        hooks.print = [this](QPrinter& printer) { return nextPrint_ && nextPrint_(printer); };
        SetPromptHooks(hooks);
    }

    bool Run(int command)
    {
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [this] {
            auto* dialog = qobject_cast<CPatternOptionsDlg*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Crease Pattern Options"));
            ++optionsSeen_;
            if (fill_ && fill_(dialog))
                dialog->accept();
            else
                dialog->reject();
        });
        poll.start();
        return Frame()->ExecuteCommand(command);
    }

    void NewSheet()
    {
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog && dialog->windowTitle() == QLatin1String("New Sheet")) {
                poll.stop();
                dialog->accept(); // A4
            }
        });
        poll.start();
        QVERIFY(Frame()->ExecuteCommand(kCmdNewSheet));
        QVERIFY(g_pModel && g_pModel->paperInfo.has);
    }

    int PrintPages(const QString& name)
    {
        const QString pdf = dir_->filePath(name);
        nextPrint_ = [&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            printer.setPageSize(QPageSize(QPageSize::A4));
            return true;
        };
        if (!Run(kCmdPrintCreasePattern))
            return -1;
        return PdfPages(pdf);
    }

private slots:
    void optionsAreAskedRememberedAndFollowed()
    {
        Start();
        NewSheet();
        RealOptionsDialog();
        Frame()->UpdateCommandUI();

        // SVG: the dialog comes after the file; Both with dashes and bends.
        nextFile_ = dir_->filePath(QStringLiteral("both.svg"));
        fill_ = [](CPatternOptionsDlg* d) {
            d->findChild<QComboBox*>(QStringLiteral("PatternSide"))->setCurrentIndex(2);
            d->findChild<QCheckBox*>(QStringLiteral("PatternDashed"))->setChecked(true);
            d->findChild<QCheckBox*>(QStringLiteral("PatternBends"))->setChecked(true);
            return true;
        };
        QVERIFY(Run(kCmdExportCreasePattern));
        QCOMPARE(optionsSeen_, 1);
        QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join('\n')));
        QVERIFY(fileRequests_.last().filter.contains(QLatin1String("DXF (*.dxf)")));
        QFile svg(nextFile_);
        QVERIFY(svg.open(QIODevice::ReadOnly));
        const QByteArray text = svg.readAll();
        for (const char* layer : {"cut", "valley", "bend", "back-cut", "back-mountain"})
            QVERIFY2(text.contains(QByteArray("<g id=\"") + layer + "\""), layer);
        QFile profile(ProfilePath());
        QVERIFY(profile.open(QIODevice::ReadOnly));
        const QByteArray ini = profile.readAll();
        QVERIFY2(ini.contains("[CreasePattern]\nSide=both\nDash=3\nGap=1.5\nMargin=1\nBends=1\n"),
                 ini.constData());

        // The next time offers the last choice; Cancel writes nothing.
        nextFile_ = dir_->filePath(QStringLiteral("never.dxf"));
        bool offered = false;
        fill_ = [&](CPatternOptionsDlg* d) {
            const CPatternOptions o = d->Choice();
            offered = o.side == PatternSide::kBoth && o.dashed && o.bends && o.dash == 3.0;
            return false;
        };
        QVERIFY(Run(kCmdExportCreasePattern));
        QCOMPARE(optionsSeen_, 2);
        QVERIFY(offered);
        QVERIFY(!QFile::exists(nextFile_));

        // FOLD is the pattern itself: nothing to ask.
        nextFile_ = dir_->filePath(QStringLiteral("pattern.fold"));
        QVERIFY(Run(kCmdExportCreasePattern));
        QCOMPARE(optionsSeen_, 2);
        QVERIFY(QFile::exists(nextFile_));

        // Print: the front alone, then both sides: every front page gets its back.
        fill_ = [](CPatternOptionsDlg* d) {
            d->findChild<QComboBox*>(QStringLiteral("PatternSide"))->setCurrentIndex(0);
            return true;
        };
        const int front = PrintPages(QStringLiteral("front.pdf"));
        if (front < 0)
            QSKIP("pdfinfo (poppler-utils) is not installed");
        QVERIFY(front >= 1);
        fill_ = [](CPatternOptionsDlg* d) {
            d->findChild<QComboBox*>(QStringLiteral("PatternSide"))->setCurrentIndex(2);
            return true;
        };
        const int both = PrintPages(QStringLiteral("both.pdf"));
        QCOMPARE(both, 2 * front);
        QCOMPARE(both % 2, 0);
        // Cancelling the options cancels the print before its dialog.
        bool printAsked = false;
        nextPrint_ = [&](QPrinter&) { return printAsked = true; };
        fill_ = nullptr;
        QVERIFY(Run(kCmdPrintCreasePattern));
        QVERIFY(!printAsked);
        QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join('\n')));
    }
};

QObject* MakePatternOptionsTest()
{
    return new PatternOptionsTest;
}

#include "PatternOptionsTest.moc"
