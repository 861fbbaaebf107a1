// The main function of every test program: widget tests (KELVO_TEST_WIDGETS) get a
// QApplication, the others a QGuiApplication, so that they link no widgets.
#ifdef KELVO_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif
#include <QStandardPaths>

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the cases (CTest does so after each build) needs no application and no display.
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QStandardPaths::setTestModeEnabled(true);
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
