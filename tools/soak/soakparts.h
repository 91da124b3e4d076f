#pragma once

#include "common/scheduler.h"

#include <QString>

#include <algorithm>
#include <iterator>

// What the soak and the kill campaign share: the shortened clock and the shop's articles.

// Every delay of the engine shortened alike, so a watchdog of 3 s and its three
// resends cost a tenth of that and a thousand receipts with faults fit in minutes.
class ScaledScheduler : public QtScheduler {
public:
  explicit ScaledScheduler(int factor) : m_factor(factor) {}
  TaskId schedule(int ms, QObject *context, std::function<void()> task) override {
    return QtScheduler::schedule(ms <= 0 ? ms : std::max(1, ms / m_factor), context, std::move(task));
  }

private:
  int m_factor;
};

struct Article {
  QString sifra;
  QString naziv;
  double cena;
  int deviceNumber;
};
const Article kArticles[] = {{QStringLiteral("1"), QStringLiteral("KAFA"), 100, 10},
                             {QStringLiteral("2"), QStringLiteral("ESPRESSO"), 150, 11},
                             {QStringLiteral("3"), QStringLiteral("CAJ"), 80, 12}};
const double kQuantities[] = {1, 2, 3, 0.5, 1.5};
constexpr double kStartStock = 1000000;
