// Runs every window test class in one process (one X server, one QApplication).
// Test functions named on the command line run in the class that has them.

#include <QApplication>
#include <QtTest>
#include <memory>

QObject* MakeMainFrameTest();
QObject* MakeOpenRoutineTest();
QObject* MakeKeepWorkTest();
QObject* MakePatternOptionsTest();
int RunRecoveryVictimIfAsked(int argc, char** argv);

namespace {
// True when no function is named or this class has one of those named.
bool ClassIsAsked(const QObject& test, int argc, char** argv)
{
    bool named = false;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-')
            return true; // options: leave the selection to QtTest
        named = true;
        const QByteArray name = QByteArray(argv[i]).split(':').first() + "()";
        if (test.metaObject()->indexOfMethod(name.constData()) >= 0)
            return true;
    }
    return !named;
}
} // namespace

int main(int argc, char** argv)
{
    // The recovery test runs this program a second time and kills it.
    if (const int rc = RunRecoveryVictimIfAsked(argc, argv); rc >= 0)
        return rc;
    QApplication app(argc, argv);
    int failures = 0;
    for (auto make :
         {MakeMainFrameTest, MakeOpenRoutineTest, MakeKeepWorkTest, MakePatternOptionsTest}) {
        std::unique_ptr<QObject> test(make());
        if (ClassIsAsked(*test, argc, argv))
            failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
