// Runs the 3D pane tests in their own process (one X server, one QApplication).

#include <QApplication>
#include <QtTest>
#include <memory>

QObject* MakeDesignRoadTest();
QObject* MakePaneShotTest();
QObject* MakeCreasePatternPaneTest();
QObject* MakeIntersectionViewTest();

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int failures = 0;
    for (auto make : {MakeDesignRoadTest, MakePaneShotTest, MakeCreasePatternPaneTest,
                      MakeIntersectionViewTest}) {
        std::unique_ptr<QObject> test(make());
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
