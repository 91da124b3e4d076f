#pragma once

#include <QString>

#include <optional>

// The fiscal reports of the reports menu (model 4): which report each button asks
// the device for, and the checks of the two fields before anything is sent.
namespace FiscalReports {

// Report types of the device's report command.
constexpr int Dnevni = 0, PresekStanja = 1, Periodicni = 2, PoArtiklima = 3, PoOdeljenjima = 4,
              PoOperaterima = 5;

struct Order {
  int type = Dnevni;
  QString from, to; // what the command gets; for the number reports also written back into the fields
};

struct Check {
  std::optional<Order> order; // none when refused
  QString title;              // the refusal's title ("Greska")
  QString text;
};

// Checks the fields EdtOd and EdtDo for the report type.
Check check(int type, const QString &od, const QString &doText);

} // namespace FiscalReports
