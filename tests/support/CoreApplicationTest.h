#pragma once

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace tl::test {

// A test with Qt's core application, for code that answers through Qt's event loop.
class CoreApplicationTest : public ::testing::Test {
protected:
    int argc = 1;
    char name[16] = "tidelumine-test";
    char* argv[2] = { name, nullptr };
    QCoreApplication application { argc, argv };
};

} // namespace tl::test
