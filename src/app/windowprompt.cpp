#include "app/windowprompt.h"

#include "app/tdialog.h"
#include "app/tdialogmain.h"
#include "app/tform5.h"
#include "app/tuputstvo.h"
#include "data/database.h"
#include "device/deviceprofile.h"

#include <QMessageBox>

WindowPrompt::WindowPrompt(TDialogMain &main, TDialog &device, TForm5 &unfinished, TUputstvo &instructions)
    : m_main(main), m_device(device), m_unfinished(unfinished), m_instructions(instructions) {}

// Every window here is modal: none may open while a transaction is open.
bool WindowPrompt::messageDialog(const QString &title, const QString &text, bool question) {
  expectNoOpenTransaction("the message dialog");
  if (question)
    return m_main.pitaj(title, text);
  m_main.poruka(title, text);
  return true;
}

UserPrompt::DeviceErrorAnswer WindowPrompt::deviceErrorDialog(const DeviceError &request) {
  expectNoOpenTransaction("the device-error dialog");
  return m_device.ask(request);
}

void WindowPrompt::closeDeviceErrorDialog() {
  if (m_device.isVisible())
    m_device.done(QDialog::Accepted);
}

int WindowPrompt::unfinishedReceiptDialog(const UnfinishedReceipt &request) {
  expectNoOpenTransaction("the unfinished-receipt dialog");
  return m_unfinished.ask(request);
}

void WindowPrompt::showInstructions() {
  expectNoOpenTransaction("the instructions window");
  m_instructions.exec();
}

void WindowPrompt::pressEnterNotice(const QString &text) {
  expectNoOpenTransaction("the press-Enter notice");
  QMessageBox box(QMessageBox::Information, QStringLiteral("Obavestenje!"), text, QMessageBox::Ok);
  box.exec();
}

void WindowPrompt::setModel(int model) {
  m_device.alwaysOffersZaustavi = DeviceProfile::of(model).alwaysOffersZaustavi;
}

void WindowRecordMessages::warning(const QString &text) {
  QMessageBox::warning(QApplication::activeWindow(), QString(), text);
}
