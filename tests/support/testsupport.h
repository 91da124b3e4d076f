#pragma once

#include <QLocale>
#include <QString>

class QObject;

#include <functional>
#include <memory>
#include <optional>
#include <ostream>

// Readable failures.
inline void PrintTo(const QString &s, std::ostream *os) {
  *os << '"' << s.toStdString() << '"';
}

namespace testsupport {

// Pins number and date conventions to Serbian Latin so results do not depend
// on the machine the tests run on.
void pinLocale();

// Runs the event loop until pred() holds or timeoutMs passes; true if it held.
// pred() is asked again every pollMs (a costly question, e.g. to another
// process's database, is asked less often).
template <typename Pred> bool waitFor(Pred pred, int timeoutMs = 5000, int pollMs = 1);

bool waitForImpl(const std::function<bool()> &pred, int timeoutMs, int pollMs);

template <typename Pred> bool waitFor(Pred pred, int timeoutMs, int pollMs) {
  return waitForImpl(std::function<bool()>(pred), timeoutMs, pollMs);
}

// Runs act() on the event loop once cond() holds, polling every 20 ms for at
// most timeoutMs (a modal window spins its own loop, so this reaches into it);
// the tasks go with context. Nothing runs when the time passes.
void when(QObject *context, std::function<bool()> cond, std::function<void()> act, int timeoutMs = 30000);

// The answer of an asynchronous call. The callback owns where it writes, so an
// answer that comes after the test has given up touches nothing of its frame.
template <typename T> class Answer {
public:
  std::function<void(T)> callback() const {
    return [value = m_value](T v) { *value = std::move(v); };
  }
  bool arrived() const { return m_value->has_value(); }
  const T &operator*() const { return **m_value; }
  T valueOr(T fallback) const { return m_value->value_or(std::move(fallback)); }

private:
  std::shared_ptr<std::optional<T>> m_value = std::make_shared<std::optional<T>>();
};

// Path of the fiscal-sim binary built with the tests.
QString fiscalSimPath();

// A file of the source tree (e.g. "scripts/demo-data.sql"). Compiled-in paths
// are relative to a build directory once ccache rewrites them, so the tree is
// named at run time.
QString sourcePath(const QString &relative);

} // namespace testsupport
