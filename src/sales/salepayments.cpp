#include "sales/salepayments.h"

#include "engine/racun.h"
#include "engine/userprompt.h"

void SalePayments::clear() {
  ukupno = gotovina = cek = kartica = povracaj = Money();
  m_cardPending = false;
  m_cardAmount = Money();
}

Money SalePayments::due(int nacin) const {
  return ukupno - (nacin == Racun::Kartica ? cek : kartica);
}

Money SalePayments::capped(int nacin, Money typed) const {
  const Money rest = due(nacin);
  return (typed > rest || typed.isNegative()) ? rest : typed;
}

void SalePayments::awaitCard(Money amount) {
  m_cardPending = true;
  m_cardAmount = amount;
}

void SalePayments::cardSettled() {
  m_cardPending = false;
  m_cardAmount = Money();
}

void SalePayments::dropPendingCard() {
  if (!m_cardPending)
    return;
  kartica -= m_cardAmount;
  cardSettled();
  refreshChange();
}

QString SalePayments::swipePrompt() const {
  return QStringLiteral("PROVUCITE KARTICU I SACEKAJTE. UKOLIKO NE ZELITE DA SACEKATE ODGOVOR TERMINALA "
                        "PRITISNITE TASTER ") +
         m_abandonKey;
}

QString SalePayments::transactionStartedText() const {
  return QStringLiteral(
             "TRANSAKCIJA U TOKU. UKOLIKO NE ZELITE DA SACEKATE ODGOVOR TERMINALA PRITISNITE TASTER ") +
         m_abandonKey;
}

bool SalePayments::keepAbandonedCard(UserPrompt &prompt) {
  return prompt.messageDialog(
      QStringLiteral("PREKID"),
      QStringLiteral(
          "Prekinuto cekanje odgovora terminala.Ukoliko zelite da odstampate ovo placanje pritisnite "
          "dugme U REDU,u suprotnom pritisnite dugme OTKAZ!"),
      true);
}
