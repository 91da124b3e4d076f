#include "sales/waiterlogin.h"

#include "data/auditjournal.h"

namespace {
const char *const kWrongCode = "Uneli ste pogresnu sifru!";
} // namespace

QString WaiterLogin::caption(Mode m) {
  return m == Mode::Restaurant ? QStringLiteral("Konobari") : QStringLiteral("Operateri");
}

QString WaiterLogin::prompt(Mode m) {
  switch (m) {
  case Mode::SetCode:
    return QStringLiteral("Unesite lozinku");
  case Mode::Restaurant:
    return QStringLiteral("Unesite lozinku konobara");
  case Mode::Operator:
    break;
  }
  return QStringLiteral("Unesite lozinku operatera");
}

bool WaiterLogin::serviceCodeOffered() const {
  // An unreadable table never opens the back door.
  return !CodeListRepository(*m_db).anyAdministrator().value_or(true);
}

WaiterLogin::Result WaiterLogin::check(Window w, const QString &entry) const {
  Result r = checkCode(w, entry);
  if (r.ok) {
    AuditJournal::setWaiter(r.waiter.rbr, r.waiter.naziv);
    journal(w == Window::Login ? QStringLiteral("prijava") : QStringLiteral("promena konobara"),
            r.serviceCode ? QStringLiteral(", servisna sifra") : QString());
  } else if (!entry.isEmpty() && r.error == QLatin1String(kWrongCode)) {
    // A refused code is journaled too (never the code itself): repeated tries are what an owner asks about.
    journal(QStringLiteral("pogresna sifra"), QString());
  }
  return r;
}

void WaiterLogin::journal(const QString &what, const QString &tail) const {
  // A log-in is not refused because its row could not be written; the failure goes to the log.
  if (const auto logged = AuditJournal(*m_db).append(AuditAction::Login, what + tail); !logged)
    qWarning("audit journal: %s", qPrintable(logged.error()));
}

WaiterLogin::Result WaiterLogin::checkCode(Window w, const QString &entry) const {
  Result r;
  if (entry.isEmpty()) {
    r.error = w == Window::Login ? QStringLiteral("Morate uneti sifru!")
                                 : QStringLiteral("Morate uneti sifru konobara!");
    return r;
  }
  CodeListRepository codes(*m_db);
  const auto found = codes.waiterByCode(entry);
  if (!found) {
    r.error = found.error();
    return r;
  }
  if (*found) {
    r.ok = true;
    r.waiter = **found;
    return r;
  }
  if (w == Window::Login && entry == QLatin1String(kServiceCode) && serviceCodeOffered()) {
    r.ok = true;
    r.serviceCode = true;
    // The service code works as the first waiter; with none yet, as operator 1.
    if (const auto first = codes.firstWaiter().value_or(std::nullopt)) {
      r.waiter.rbr = first->rbr;
      r.waiter.naziv = first->naziv;
    }
    return r;
  }
  r.error = QLatin1String(kWrongCode);
  return r;
}

WaiterLogin::Result WaiterLogin::newCode(const QString &entry) {
  Result r;
  const QString code = entry.trimmed();
  if (code.size() >= 8) {
    r.error = QStringLiteral("Maksimalna dozvoljena duzina je 7 karaktera!");
    return r;
  }
  r.ok = true;
  r.code = code;
  return r;
}
