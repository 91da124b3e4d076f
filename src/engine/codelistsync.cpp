#include "engine/codelistsync.h"

#include "data/codelistmaintenance.h"
#include "data/recordrules.h"
#include "device/replyparser.h"
#include "engine/userprompt.h"

using namespace ReplyParser;

CodeListSync::CodeListSync(TransactionEngine &engine, LinkSettings &link, QObject *parent)
    : QObject(parent), m_engine(engine), m_link(link) {}

MemoryCommands CodeListSync::commands() const {
  return MemoryCommands(m_link.Model, m_link.IBFM, quint8(m_engine.sendSeq() & 0xFF));
}

void CodeListSync::citanjeOperatera() {
  const int model = m_link.Model;
  if (running() || (model != 1 && model != 4 && model != 5))
    return;
  m_reading = Reading::Operators;
  m_family4 = model == 4;
  // Operator 0 administers a family-1 device, operator 1 a model 4.
  m_first = m_family4 ? 1 : 0;
  m_last = m_family4 ? 64 : 24;
  m_rows.clear();
  ask(m_first);
}

void CodeListSync::citanjeStopa() {
  const int model = m_link.Model;
  if (running() || (model != 1 && model != 4 && model != 5))
    return;
  m_reading = Reading::TaxRates;
  m_family4 = model == 4;
  m_first = 0;
  m_last = 8;
  m_rows.clear();
  ask(0);
}

void CodeListSync::buttonEnabled(bool on) {
  if (m_reading == Reading::Operators)
    emit operatorButtonEnabled(on);
  else if (m_reading == Reading::TaxRates)
    emit taxButtonEnabled(on);
}

void CodeListSync::ask(int n) {
  m_asked = n;
  buttonEnabled(false);
  const MemoryCommands mc = commands();
  // Last: a command the engine refuses before sending gives the buttons back from inside.
  m_engine.sendService(m_reading == Reading::Operators ? mc.CitanjeOperatera(n) : mc.CitanjeStopa(n));
}

bool CodeListSync::claims(const QByteArray &frame) const {
  switch (m_reading) {
  case Reading::None:
    return false;
  case Reading::Operators:
    return m_family4 ? isShort(frame, 0x90) : isLong(frame, 0x75);
  case Reading::TaxRates:
    return m_family4 ? isShort(frame, 0x70) : isLong(frame, 0x6B);
  }
  return false;
}

void CodeListSync::handle(const QByteArray &frame) {
  buttonEnabled(true);
  if (m_reading == Reading::Operators)
    onOperator(frame);
  else if (m_reading == Reading::TaxRates)
    onTaxRates(frame);
}

void CodeListSync::onOperator(const QByteArray &frame) {
  const DeviceOperator op = m_family4 ? operatorFamily4(frame) : operatorFamily1(frame);
  if (!op.empty) {
    QSqlRecord row = RecordRules::emptyRecord(QStringLiteral("KONOBARI"));
    row.setValue(QStringLiteral("rbr"), op.broj);
    // Model 4 keeps no codes: the operator's number stands for it.
    row.setValue(QStringLiteral("sifkonob"), QString::number(m_family4 ? op.broj : op.sifra));
    row.setValue(QStringLiteral("naziv"), op.naziv.left(30));
    row.setValue(QStringLiteral("admin"), op.broj == m_first);
    m_rows.append(row);
  }
  // A reply for a number already passed still moves on, so the reading always ends.
  const int answered = std::max(op.broj, m_asked);
  if (answered < m_last)
    ask(answered + 1);
  else
    finish();
}

void CodeListSync::onTaxRates(const QByteArray &frame) {
  const auto add = [this](const DeviceTaxRate &rate) {
    QSqlRecord row = RecordRules::emptyRecord(QStringLiteral("PORSTOPE"));
    row.setValue(QStringLiteral("stopa"), rate.index);
    row.setValue(QStringLiteral("iznos"), rate.defined ? rate.hundredths / 100.0 : 0.0);
    m_rows.append(row);
  };
  if (m_family4) {
    for (const DeviceTaxRate &rate : taxRatesFamily4(frame))
      add(rate);
    finish();
    return;
  }
  const DeviceTaxRate rate = taxRateFamily1(frame);
  add(rate);
  const int answered = std::max(rate.index, m_asked);
  if (answered < m_last)
    ask(answered + 1);
  else
    finish();
}

void CodeListSync::finish() {
  const Reading reading = m_reading;
  const QList<QSqlRecord> rows = m_rows;
  m_reading = Reading::None;
  m_rows.clear();
  if (!m_db || !m_rules)
    return;
  CodeListMaintenance lists(*m_db, *m_rules);
  const MaintenanceOutcome o =
      reading == Reading::Operators ? lists.replaceWaiters(rows) : lists.replaceTaxRates(rows);
  if (!o.ok && m_prompt)
    m_prompt->messageDialog(o.title, o.text);
}

void CodeListSync::givenUp() {
  if (m_reading == Reading::None)
    return;
  // Nothing of an unfinished reading is stored.
  buttonEnabled(true);
  m_reading = Reading::None;
  m_rows.clear();
}
