// A GoogleTest main for tests that need a QApplication (on the platform that
// QT_QPA_PLATFORM names; CTest sets offscreen).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
