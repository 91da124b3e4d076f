#pragma once

#include "engine/racun.h"

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QTime>

#include <optional>

// What one confirmed step is written under: the receipt's key and header values.
struct ReceiptKey {
  int broj = 0;    // brojRacuna
  int godina = 0;  // year of today, taken when the reply is handled
  QDate datum;     // today
  QTime vreme;     // now
  int sifoper = 0; // element 0's operater (restaurant) or rbrKasira (retail)
  int brstola = 0; // trenutniSto in restaurant mode, else 0
  bool restoran = false;
};

// The engine's database writes and reads: every value is a bound parameter, and
// the writes of one confirmed device step go through one transaction (begin/commit
// around the step, rollback when any statement fails).
class ReceiptStore {
public:
  explicit ReceiptStore(const QString &connectionName = QString());
  void setConnection(const QString &connectionName) { m_connection = connectionName; }
  QSqlDatabase db() const;

  // The last failure's text (for the message the engine shows).
  QString lastError() const { return m_error; }

  // --- one transaction per confirmed step; false when it was rolled back ---
  bool begin();
  bool commit();
  void rollback();

  // Sale line: RACUNI row located or created, PRODATO row, stock of the article and its recipe.
  bool writeSaleLine(const ReceiptKey &key, const Racun &step);
  // Payment that does not close the receipt: RACUNI amounts and one RATE row.
  bool writePayment(const ReceiptKey &key, const Racun &step);
  // Dialect A's closing payment (reply 0x1C): cash gets GOTOVINA := sum - CEK - KARTICA
  // and a RATE row only when ostatak is not 0; BRFISIS stored.
  bool writeClosingPaymentA(const ReceiptKey &key, const Racun &step, quint32 brfisis);
  // Dialect B's completion: GOTOVINA := sum - CEK - KARTICA (the device books the unpaid
  // rest as cash); a cash payment that closes adds its RATE row (ostatak) when not 0.
  // Cheque and card steps were booked by writePayment; the closing adds nothing to them.
  bool writeClosingB(const ReceiptKey &key, const Racun &step);
  // Dialect C's answer to KrajRacuna: GOTOVINA := sum - CEK - KARTICA, the unpaid rest as a cash RATE row.
  bool writeClosingC(const ReceiptKey &key);

  // --- single statements ---
  // "UPDATE RACUNI SET STATUS=1 [,BRFISIS=n] ..."; errors ignored by the callers.
  bool markFinished(int godina, int broj, std::optional<quint32> brfisis = std::nullopt);
  // Largest PRODATO.BRRAC of the year + 1; 1 when there is none or the query fails.
  int nextReceiptNumber(int godina);
  // Sum of PRODATO.IZNOS minus sum of RATE.IZNOS (each 0 when its query fails).
  double ostatakIznosa(int godina, int broj);
  // The year's last receipt (highest BROJ) and its STATUS; nullopt when none or on failure.
  struct LastReceipt {
    int broj = 0;
    int status = 1;
  };
  std::optional<LastReceipt> lastReceipt(int godina);
  QList<StoredLine> storedLines(int godina, int broj);
  // Cancels a stored receipt: reversal rows for the sales not yet voided, stock back,
  // payments cleared. Runs in one transaction.
  bool storniraj(int godina, int broj, const QDate &today);

  // --- restaurant tables ---
  bool deleteTableLines(int brstola, const QList<int> &rbr);
  bool deleteAllTableLines(int brstola);
  int countTableLines(int brstola);
  int countRoundLines(int brstola, int tura);
  bool freeTable(int brstola);
  double tableSum(int brstola); // 0 on failure
  bool shiftRoundsDown(int brstola, int afterTura);
  int maxRound(int brstola);

private:
  bool exec(class QSqlQuery &q);
  bool ensureHeader(const ReceiptKey &key);
  bool addPaymentRow(const ReceiptKey &key, int nacin, double iznos, const Racun &step);
  double receiptSum(int godina, int broj, bool *ok);
  bool lowerStock(const QString &sifra, double kolicina);
  int nextProdatoRbr(bool *ok);

  QString m_connection;
  QString m_error;
};
