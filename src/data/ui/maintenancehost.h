#pragma once

#include <QString>

#include <functional>

// What the maintenance windows ask of the program: its message dialog and the
// choice of a file. Tests answer from a script.
struct MaintenanceHost {
  // TDialogMain: "U redu" only, or with "Otkaz" in question mode; true = "U redu".
  std::function<bool(const QString &title, const QString &text, bool question)> message;
  // A save (or open) dialog proposing the file name; empty = cancelled.
  std::function<QString(bool save, const QString &proposed)> chooseFile;
  // The standard warning box with one OK button; the message dialog when not set.
  std::function<void(const QString &text)> warningBox;

  bool ask(const QString &title, const QString &text) const { return message && message(title, text, true); }
  void tell(const QString &title, const QString &text) const {
    if (message)
      message(title, text, false);
  }
  void warn(const QString &text) const {
    if (warningBox)
      warningBox(text);
    else
      tell(QStringLiteral("Upozorenje!"), text);
  }
  // The file dialog with the CSV filter, when no other chooser is set.
  QString file(bool save, const QString &proposed) const;
};
