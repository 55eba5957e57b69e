// One QApplication for every test of the pages, made before the first test.
#include <QApplication>

#include <gtest/gtest.h>

namespace {

class ApplicationEnvironment : public testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "pages_test";
        static char* argv[] = {name, nullptr};
        // Kept for the whole run: widgets made by the tests may outlive them.
        if (!QApplication::instance()) new QApplication(argc, argv);
    }
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

}  // namespace
