#include "common/filelog.h"

#include <QDateTime>
#include <QFileInfo>

#include <memory>
#include <mutex>

RotatingLogFile::RotatingLogFile(const QString &path, qint64 maxBytes, int keepFiles)
    : m_path(path), m_maxBytes(qMax<qint64>(maxBytes, 1)), m_keepFiles(qMax(keepFiles, 1)), m_file(path) {}

QString RotatingLogFile::olderFile(int n) const {
  return n == 0 ? m_path : m_path + QLatin1Char('.') + QString::number(n);
}

void RotatingLogFile::rotate() {
  m_file.close();
  QFile::remove(olderFile(m_keepFiles - 1));
  for (int n = m_keepFiles - 2; n >= 0; --n)
    if (QFile::exists(olderFile(n)))
      QFile::rename(olderFile(n), olderFile(n + 1));
  // With a single file kept, the old one simply goes.
  if (m_keepFiles == 1)
    QFile::remove(m_path);
}

bool RotatingLogFile::write(const QString &line) {
  const QByteArray bytes = line.toUtf8() + '\n';
  if (m_file.isOpen() || QFileInfo::exists(m_path)) {
    const qint64 size = m_file.isOpen() ? m_file.size() : QFileInfo(m_path).size();
    // A line longer than the limit still gets a file of its own.
    if (size > 0 && size + bytes.size() > m_maxBytes)
      rotate();
  }
  if (!m_file.isOpen() && !m_file.open(QIODevice::WriteOnly | QIODevice::Append))
    return false;
  if (m_file.write(bytes) != bytes.size())
    return false;
  return m_file.flush();
}

namespace FileLog {

namespace {
std::mutex g_mutex;
std::unique_ptr<RotatingLogFile> g_file;
QByteArray g_prefix;
QtMessageHandler g_previous = nullptr;
bool g_installed = false;

bool routed(const char *category) {
  if (!category)
    return false;
  const QByteArrayView c(category);
  return c == g_prefix || (c.startsWith(g_prefix) && c.size() > g_prefix.size() && c[g_prefix.size()] == '.');
}

void handler(QtMsgType type, const QMessageLogContext &context, const QString &message) {
  {
    std::lock_guard lock(g_mutex);
    if (g_file && routed(context.category)) {
      g_file->write(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) +
                    QLatin1String(context.category) + QLatin1String(": ") + message);
      return;
    }
  }
  if (g_previous)
    g_previous(type, context, message);
}
} // namespace

void install(const QString &categoryPrefix, const QString &path, qint64 maxBytes, int keepFiles) {
  std::lock_guard lock(g_mutex);
  g_prefix = categoryPrefix.toLatin1();
  g_file = std::make_unique<RotatingLogFile>(path, maxBytes, keepFiles);
  if (!g_installed) {
    g_previous = qInstallMessageHandler(handler);
    g_installed = true;
  }
}

void uninstall() {
  std::lock_guard lock(g_mutex);
  g_file.reset();
  if (g_installed) {
    qInstallMessageHandler(g_previous);
    g_previous = nullptr;
    g_installed = false;
  }
}

} // namespace FileLog
