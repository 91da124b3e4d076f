#pragma once

#include "data/recordmessages.h"
#include "engine/userprompt.h"

#include <QApplication>

class TDialog;
class TDialogMain;
class TForm5;
class TUputstvo;

// The user-prompt port over the program's modal windows.
class WindowPrompt : public UserPrompt {
public:
  WindowPrompt(TDialogMain &main, TDialog &device, TForm5 &unfinished, TUputstvo &instructions);

  bool messageDialog(const QString &title, const QString &text, bool question = false) override;
  DeviceErrorAnswer deviceErrorDialog(const DeviceError &request) override;
  void closeDeviceErrorDialog() override;
  int unfinishedReceiptDialog(const UnfinishedReceipt &request) override;
  void showInstructions() override;
  void pressEnterNotice(const QString &text) override;
  void beep() override { QApplication::beep(); }

  // The link's model, for its "Zaustavi" rule of the device-error dialog.
  void setModel(int model);

private:
  TDialogMain &m_main;
  TDialog &m_device;
  TForm5 &m_unfinished;
  TUputstvo &m_instructions;
};

// The record checks' messages: the program's message dialog, and a warning box
// over the active window.
class WindowRecordMessages : public RecordMessages {
public:
  explicit WindowRecordMessages(UserPrompt &prompt) : m_prompt(prompt) {}
  void show(const QString &title, const QString &text) override { m_prompt.messageDialog(title, text); }
  void warning(const QString &text) override;
  void beep() override { QApplication::beep(); }

private:
  UserPrompt &m_prompt;
};
