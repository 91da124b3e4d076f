#pragma once

#include "common/money.h"
#include "data/codelistrepository.h"
#include "data/dbresult.h"
#include "data/tablerepository.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class ArticleLookup;
class Database;

// One order ticket of a round, ready for its layout: the kitchen and bar tickets list
// the round's articles of their kind summed, the guest ticket every line of the round.
struct OrderTicket {
  enum class Kind { Kuhinja, Bar, Gost };
  Kind kind = Kind::Kuhinja;
  QString title;           // "Narudzbenica za kuhinju", "Narudzbenica za bar", "NEFISKALAN ISECAK"
  QString waiterLabel;     // "Konobar: " + the waiter's name
  QList<TicketLine> items; // kitchen and bar
  QList<TableLine> lines;  // guest
};

// TfrmNarudzbina's model: the orders of one table in rounds. Every entered article
// becomes a STOST line of the selected round; nothing goes to the device here.
class TableOrders : public QObject {
  Q_OBJECT
public:
  TableOrders(Database &db, ArticleLookup &articles, QObject *parent = nullptr);

  // The line-amount rule of the configured device (Model, Zaokruzi).
  void setAmountRule(int model, bool zaokruzi) {
    m_model = model;
    m_zaokruzi = zaokruzi;
  }

  // Prepares the window for a table: its rounds 1..n and a new round n + 1, selected;
  // the heading; all three tickets ticked; entry mode NORMAL and quantity 1,000.
  // A failure leaves the window unprepared (the caller reports it).
  DbResult<> open(int brstola, const Waiter &waiter);
  int brstola() const { return m_brstola; }

  // --- state the window shows ---
  QString lblNar;
  QStringList ListTure;                         // "1" .. "n+1"
  int selectedRound() const { return m_round; } // r, from 1
  const QList<TableLine> &DBGridTure() const { return m_lines; }
  QString edtUnosRest;
  QString edtKol() const { return m_kolText; }
  Quantity kolicina() const { return m_kol; }
  QString edtStatusRest;
  bool lblPonistavanjeVisible = false;
  bool cbKuhinja = true, cbBar = true, cbGost = true;
  QString rezimNarudzbine = QStringLiteral("NORMAL");

  // --- operations ---
  void selectRound(int index); // a click in the round list (index from 0)
  void setEntry(const QString &text) { edtUnosRest = text; }
  void unos();                             // Enter
  void kolicinaKey();                      // numeric-pad *
  void ponistiKey();                       // numeric-pad -
  void articlePicked(const QString &code); // F5's choice or a scanned code: entered at once
  // F5: the articles window in pick mode; gives the chosen code or nothing.
  std::function<QString()> pickArticle;
  void artikliKey(); // F5

  // "Stampa narudzbine": the ticked tickets of the selected round, kitchen, bar, guest.
  DbResult<QList<OrderTicket>> tickets();

signals:
  void changed();
  void beep();
  void focusEntry();

private:
  struct NumberError {};
  void interpret(const QString &T);
  DbResult<> reloadLines();
  void setKolicina(Quantity q);
  Money amountOf(Quantity q, Money price) const;

  Database &m_db;
  ArticleLookup &m_articles;
  TableRepository m_tables;
  int m_model = 1;
  bool m_zaokruzi = false;
  int m_brstola = 0;
  Waiter m_waiter;
  int m_round = 1;
  QList<TableLine> m_lines;
  Quantity m_kol;
  QString m_kolText;
};
