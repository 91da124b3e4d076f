#pragma once

#include <QString>

// How the record checks talk to the user. Windows implement it with the
// program's message dialog and a warning box; tests record what was shown.
class RecordMessages {
public:
  virtual ~RecordMessages() = default;
  // The program's message dialog with one "U redu" button; title may be empty.
  virtual void show(const QString &title, const QString &text) = 0;
  // The standard warning box with one OK button (pre-post and delete checks).
  virtual void warning(const QString &text) = 0;
  // An audible signal that goes with some messages.
  virtual void beep() {}
  // False for a sink that only notes the texts (an import's report): it opens no
  // window, so it may hear of refusals while a transaction is open.
  virtual bool opensPrompt() const { return true; }
};
