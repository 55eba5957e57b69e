// One application object for every test of a folder, made before the first test: a
// QApplication where the folder's tests make widgets (AQ_TEST_WIDGETS), a QGuiApplication
// where they draw text (AQ_TEST_GUI), else a QCoreApplication. Kept for the whole run:
// objects made by the tests may outlive them.
#if defined(AQ_TEST_WIDGETS)
#include <QApplication>
using TestApplication = QApplication;
#elif defined(AQ_TEST_GUI)
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <gtest/gtest.h>

namespace {

class ApplicationEnvironment : public testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "aqlamp_test";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) new TestApplication(argc, argv);
    }
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

}  // namespace
