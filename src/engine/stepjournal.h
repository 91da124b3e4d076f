#pragma once

#include "data/receiptrepository.h"
#include "engine/receiptstore.h"

#include <QByteArray>
#include <QList>
#include <QString>

// A confirmed step the server could not take: what it writes and the receipt it
// belongs to, as the engine knew it then.
struct PendingStep {
  QString id;        // unique; written with the step, so it is never written twice
  QString racun;     // the receipt's own id: every step of one receipt carries the same
  ReceiptHeader key; // the number hoped for (or, when stored, the number it has), date, time, ...
  StepParts parts;

  QByteArray toJson() const;
  // Nothing when the text is no whole record.
  static std::optional<PendingStep> fromJson(const QByteArray &line);
};

// The file of waiting steps in the working directory, one JSON record a line, oldest
// first. Every change is on the disk before it returns: an appended record is written
// and flushed (the directory too when the file is new), and records crossed off are
// dropped by writing the rest to a new file that replaces the old one. A line that is
// no record (a write torn by a crash) is never dropped: it goes to the conflicts file.
class StepJournal {
public:
  explicit StepJournal(const QString &dir);

  static QString fileName() { return QStringLiteral("odlozeni-koraci.jsonl"); }
  // Records that could not be written to the database, and lines that are no record.
  static QString conflictsFileName() { return QStringLiteral("odlozeni-koraci-sukobi.jsonl"); }
  QString path() const { return m_path; }
  QString conflictsPath() const { return m_conflicts; }

  // Reads the file (missing: no steps). Lines that are no record are moved to the
  // conflicts file; their number is given back (they are reported, never dropped).
  // False when the file cannot be read or the bad lines not kept.
  bool load(int *badLines = nullptr);
  const QList<PendingStep> &steps() const { return m_steps; }
  bool isEmpty() const { return m_steps.isEmpty(); }
  int count() const { return int(m_steps.size()); }

  // Appends the step, on the disk when true is returned.
  bool append(const PendingStep &step);
  // The first step is done: it leaves the file. When it stored its receipt (broj > 0),
  // the receipt's later steps carry that number from now on, also across a restart.
  bool takeFirst(int broj);
  // The step goes to the conflicts file with the reason, and then leaves the file.
  bool moveFirstToConflicts(const QString &reason);
  // A step written only in part (paid lines another till had changed stay on the table)
  // is kept in the conflicts file with the reason, once: a replay cut short between this
  // and the commit finds it there.
  bool keepPartlyWritten(const PendingStep &step, const QString &reason);
  QString errorString() const { return m_error; }

private:
  bool rewrite();
  bool appendTo(const QString &path, const QByteArray &line);

  QString m_dir;
  QString m_path;
  QString m_conflicts;
  QList<PendingStep> m_steps;
  QString m_error;
};
