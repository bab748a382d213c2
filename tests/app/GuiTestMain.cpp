// Runs every window test class in one process (one X server, one QApplication).

#include <QApplication>
#include <QtTest>
#include <memory>

QObject* MakeMainFrameTest();
QObject* MakeOpenRoutineTest();

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int failures = 0;
    for (auto make : {MakeMainFrameTest, MakeOpenRoutineTest}) {
        std::unique_ptr<QObject> test(make());
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
