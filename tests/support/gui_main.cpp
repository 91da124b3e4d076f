#include "support/testsupport.h"

#include <QApplication>
#include <gmock/gmock.h>

int main(int argc, char **argv) {
  // Widget tests never need a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testsupport::pinLocale();
  ::testing::InitGoogleMock(&argc, argv);
  return RUN_ALL_TESTS();
}
