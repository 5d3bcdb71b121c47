#include <gtest/gtest.h>

#include <QApplication>

#include "tests/support/test_support.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing_support::InstallTestSeams();
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
