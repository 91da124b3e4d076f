#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QObject>
#include <QString>

class TransactionEngine;

// The device log's categories; the program sends everything under "kasa.uredjaj"
// to kasa-uredjaj.log in its working directory.
Q_DECLARE_LOGGING_CATEGORY(lcOkvir)    // "kasa.uredjaj.okvir": frames out and in
Q_DECLARE_LOGGING_CATEGORY(lcWatchdog) // "kasa.uredjaj.watchdog": replies that did not come
Q_DECLARE_LOGGING_CATEGORY(lcOperater) // "kasa.uredjaj.operater": what a person answered
Q_DECLARE_LOGGING_CATEGORY(lcVeza)     // "kasa.uredjaj.veza": which device on which link

// What support asks for first when a device misbehaves: every frame the engine
// writes and receives with its command's name or the reply's meaning, each
// watchdog expiry and each choice of the operator, one line each. Frames carry
// operator numbers, never the codes waiters log in with; the one secret a
// device sends back (a family-1 operator's numeric code) is masked.
class DeviceLog : public QObject {
  Q_OBJECT
public:
  static constexpr const char *kFileName = "kasa-uredjaj.log";
  static constexpr const char *kCategories = "kasa.uredjaj";
  static constexpr qint64 kMaxBytes = 1024 * 1024;
  static constexpr int kKeepFiles = 5;

  explicit DeviceLog(TransactionEngine &engine, QObject *parent = nullptr);

  // The lines as written (without time and category), for the engine's signals.
  static QString sentLine(int model, const QByteArray &frame, bool resend);
  static QString receivedLine(int model, const QByteArray &frame);

private:
  TransactionEngine &m_engine;
  QString m_lastCommand; // the name of the last frame written, for the watchdog's line
};
