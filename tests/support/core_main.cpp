#include "support/testsupport.h"

#include <QCoreApplication>
#include <gmock/gmock.h>

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  testsupport::pinLocale();
  ::testing::InitGoogleMock(&argc, argv);
  return RUN_ALL_TESTS();
}
