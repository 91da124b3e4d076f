#pragma once

#include "sales/retailsale.h"

class TransactionEngine;

// The retail screen's calls carried out by the transaction engine.
class EngineRetailCalls : public RetailEngineCalls {
public:
  explicit EngineRetailCalls(TransactionEngine &engine) : m_engine(engine) {}

  void Prijava(const Racun &stavka) override;
  void Provera(const Racun &stavka) override;
  void Placanje(const Racun &stavka, bool closeAfter) override;
  void KrajRacuna(const Racun &stavka) override;
  void StornirajRacun() override;
  void OtvoriFioku() override;
  void LcdShow(const QString &text, int line) override;
  void GetStatusFromSale() override;
  void screenClosed() override;
  void freeTextStarting() override;
  void setCekanjePrekinuto(bool value) override { m_cekanjePrekinuto = value; }
  bool resolveUnfinishedReceipt(int year, int &brojRacuna, int &sledeciRed) override;
  int nextReceiptNumber(int year) override;

  // Read by the card-terminal link: a late answer is ignored once set.
  bool cekanjePrekinuto() const { return m_cekanjePrekinuto; }

private:
  TransactionEngine &m_engine;
  bool m_cekanjePrekinuto = false;
};
