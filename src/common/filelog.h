#pragma once

#include <QFile>
#include <QString>

// A log file of limited size with numbered older files beside it: when the next
// line would take the file past its limit, name.1 becomes name.2 and so on, the
// file becomes name.1 and a new one starts; no more than keepFiles files stay.
class RotatingLogFile {
public:
  RotatingLogFile(const QString &path, qint64 maxBytes, int keepFiles);

  // Appends one line and flushes it, so a crash loses nothing written before.
  // False when the file cannot be written.
  bool write(const QString &line);
  QString path() const { return m_path; }
  // name, name.1, ... name.(keepFiles-1).
  QString olderFile(int n) const;

private:
  void rotate();

  QString m_path;
  qint64 m_maxBytes;
  int m_keepFiles;
  QFile m_file;
};

// Sends the Qt log messages of every category under a prefix (e.g. "kasa.uredjaj")
// to a rotating file, each line with the time and category in front; all other
// messages go where they went before. One routing at a time, for the whole
// process; messages may come from any thread.
namespace FileLog {

void install(const QString &categoryPrefix, const QString &path, qint64 maxBytes, int keepFiles);
// Back to the previous handler; the file is closed.
void uninstall();

} // namespace FileLog
