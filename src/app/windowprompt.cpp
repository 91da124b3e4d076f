#include "app/windowprompt.h"

#include "app/tdialog.h"
#include "app/tdialogmain.h"
#include "app/tform5.h"
#include "app/tuputstvo.h"

#include <QMessageBox>

WindowPrompt::WindowPrompt(TDialogMain &main, TDialog &device, TForm5 &unfinished, TUputstvo &instructions)
    : m_main(main), m_device(device), m_unfinished(unfinished), m_instructions(instructions) {}

bool WindowPrompt::messageDialog(const QString &title, const QString &text, bool question) {
  if (question)
    return m_main.pitaj(title, text);
  m_main.poruka(title, text);
  return true;
}

UserPrompt::DeviceErrorAnswer WindowPrompt::deviceErrorDialog(const DeviceError &request) {
  return m_device.ask(request);
}

void WindowPrompt::closeDeviceErrorDialog() {
  if (m_device.isVisible())
    m_device.done(QDialog::Accepted);
}

int WindowPrompt::unfinishedReceiptDialog(const UnfinishedReceipt &request) {
  return m_unfinished.ask(request);
}

void WindowPrompt::showInstructions() {
  m_instructions.exec();
}

void WindowPrompt::pressEnterNotice(const QString &text) {
  QMessageBox box(QMessageBox::Information, QStringLiteral("Obavestenje!"), text, QMessageBox::Ok);
  box.exec();
}

void WindowPrompt::setModel(int model) {
  m_device.model = model;
}
