#include "gui/widgets/ApplicationSetup.h"

#include <QApplication>

#include <gtest/gtest.h>

// Window tests need one application object for the whole run, set up as the
// program sets up its own, so that the tests see what the operator sees; the
// offscreen platform is the default so that no display is needed.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    nakilon::setUpApplication(application);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
