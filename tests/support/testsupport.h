#pragma once

#include <QLocale>
#include <QString>

#include <functional>
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
template <typename Pred> bool waitFor(Pred pred, int timeoutMs = 5000);

bool waitForImpl(const std::function<bool()> &pred, int timeoutMs);

template <typename Pred> bool waitFor(Pred pred, int timeoutMs) {
  return waitForImpl(std::function<bool()>(pred), timeoutMs);
}

// Path of the fiscal-sim binary built with the tests.
QString fiscalSimPath();

// A file of the source tree (e.g. "scripts/demo-data.sql"). Compiled-in paths
// are relative to a build directory once ccache rewrites them, so the tree is
// named at run time.
QString sourcePath(const QString &relative);

} // namespace testsupport
