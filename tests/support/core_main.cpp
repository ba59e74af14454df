#include <gtest/gtest.h>

#include <QCoreApplication>

// The main of test programs that paint nothing: an event loop for the component's notifications
// and timers, and no window system.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
