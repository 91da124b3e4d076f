#include "sales/engineretailcalls.h"

#include "engine/transactionengine.h"

void EngineRetailCalls::Prijava(const Racun &stavka) {
  m_engine.setRetailScreenOpen(true);
  m_engine.beginRetailReceipt(stavka.operater);
}

void EngineRetailCalls::Provera(const Racun &stavka) {
  m_engine.sellRetailLine(stavka);
}

void EngineRetailCalls::Placanje(const Racun &stavka, bool closeAfter) {
  if (closeAfter)
    m_engine.closeRetail(stavka, false);
  else
    m_engine.payRetail(stavka);
}

void EngineRetailCalls::KrajRacuna(const Racun &stavka) {
  m_engine.closeRetail(stavka, true);
}

void EngineRetailCalls::StornirajRacun() {
  m_engine.stornoRetail();
}

void EngineRetailCalls::OtvoriFioku() {
  m_engine.OtvoriFioku();
}

void EngineRetailCalls::freeTextStarting() {
  m_engine.freeTextStarting();
}

void EngineRetailCalls::LcdShow(const QString &text, int line) {
  m_engine.LcdShow(text, line);
}

void EngineRetailCalls::GetStatusFromSale() {
  m_engine.setRetailScreenOpen(true);
  m_engine.requestStatusFromSale();
}

void EngineRetailCalls::screenClosed() {
  m_engine.setRetailScreenOpen(false);
}

bool EngineRetailCalls::resolveUnfinishedReceipt(int year, int &brojRacuna, int &sledeciRed) {
  (void)year;
  (void)sledeciRed; // a continued receipt is loaded into the screen by the engine
  m_engine.setBrojRacuna(brojRacuna);
  m_engine.setRetailScreenOpen(true);
  // The engine asks the device first and opens the receipt itself once it is settled.
  m_engine.recoverRetailReceipt();
  return false;
}

int EngineRetailCalls::nextReceiptNumber(int year) {
  (void)year;
  const int n = m_engine.nextReceiptNumber();
  m_engine.setBrojRacuna(n);
  return n;
}
