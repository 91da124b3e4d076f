#pragma once

#include <QString>
#include <QtGlobal>

// The texts the devices' refusals and notices turn into.
namespace DeviceErrors {

// The text of family 4's error bit n (0-31), with its leading space; empty outside the range.
QString errorBitText(int bit);
// "/" + text + "(" + n + ")" for every set bit, rising; bytes as at offsets 11, 12, 13, 14.
QString DekodirajGresku(quint8 b11, quint8 b12, quint8 b13, quint8 b14);
QString DekodirajGresku(quint32 errorWord);

// Family 4 notice (short 0xF5) texts; unknown codes give the catch-all.
QString noticeText(int code);
// Family 1 refusal reason: model 5 names some reasons, model 1 only paper out.
QString reasonText(int model, int reason);
// Family 1 refusal of the drawer command after a receipt (reason not looked at; model 5 has its own text).
QString drawerRefusalText(int model);
// Family 2 refusal (no reason).
QString family2RefusalText();

// The three sentences the engine wraps the decoded bits in.
QString greskaSentence(const QString &decoded); // "Doslo je do greske " + d + ". Izaberite ..."
QString greskaProdajeSentence(
    const QString &decoded); // "Doslo je do greske prilikom prodaje" + d + ". Izaberite ..."
QString greskaKomandeSentence(int answeredCode, const QString &decoded); // "... komande(" + code + ") " + d

// Status condition texts.
QString notFiscalisedText();
QString family2LoginFailedText();
QString dailyReportOutstandingText();
QString emptyingNeedsDailyReportText();
QString remainingDailyReportsText(int remaining);
QString paperOutText();
// Paper out of family 1 (reason 0x40).
QString family1PaperText();

// Titles used with the texts above.
inline QString titleGreska() {
  return QStringLiteral("Greska!");
}
inline QString titleObavestenje() {
  return QStringLiteral("Obavestenje!");
}

} // namespace DeviceErrors
