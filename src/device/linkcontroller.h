#pragma once

#include "common/linksettings.h"
#include "common/scheduler.h"
#include "device/barcodereader.h"
#include "device/cardterminal.h"
#include "device/deviceprofile.h"
#include "device/link.h"
#include "device/serialportlink.h"
#include "device/tcplink.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// A message the caller shows in the device-error dialog.
struct LinkMessage {
  QString title;
  QString text;
  bool operator==(const LinkMessage &) const = default;

  static LinkMessage portOpenFailed() {
    return {QStringLiteral("GRESKA"), QStringLiteral("Problem u otvaranju porta.")};
  }
  static LinkMessage connectFailed() {
    return {QStringLiteral("GRESKA"),
            QStringLiteral("Problem u uspostavljanju konekcije! Proverite kablove")};
  }
  static LinkMessage parametersMissing() {
    return {QStringLiteral("Greska !!!"), QStringLiteral("Podesite parametre!!!")};
  }
};

// The device side of the hidden link object: the fiscal device's serial port
// and TCP connection, the barcode reader's and the card terminal's ports. It
// picks the transport, opens and closes at the moments the program names and
// hands every received device byte, in order, to one receive entry.
class LinkController : public QObject {
  Q_OBJECT
public:
  static constexpr int PauseBeforeConnectMs = 1000;
  // Between tries to get a dropped device link back.
  static constexpr int ReconnectPauseMs = 2000;
  static constexpr int Serial = 0; // konekcija
  static constexpr int Tcp = 1;

  explicit LinkController(Scheduler &scheduler, QObject *parent = nullptr);
  ~LinkController() override;

  // Working copies, refreshed at start-up and after every configuration OK.
  // The program shares one set with the engine (useLinkSettings), so that a
  // model switched at run time is seen by both.
  void useLinkSettings(LinkSettings &shared) { m_settings = &shared; }
  void setLinkSettings(const LinkSettings &settings) { *m_settings = settings; }
  const LinkSettings &linkSettings() const { return *m_settings; }
  void setKonekcija(int konekcija) { m_konekcija = konekcija; }
  int konekcija() const { return m_konekcija; }
  void setIP(const QString &ip) { m_tcp.setHost(ip); }
  void setBarKodPort(int port) { m_barKodPort = port; }
  void setEFTPos(int port) { m_eftPos = port; }
  // Where "COMn" entries are looked for; the process's current directory by default.
  void setWorkingDirectory(const QString &dir) { m_workingDir = dir; }
  void setTcpPort(quint16 port) { m_tcp.setPort(port); }
  // When set, the device is this serial path whatever the configuration names
  // (the training device's private pty); empty goes back to the configured link.
  void setDevicePath(const QString &path) { m_devicePath = path; }
  QString devicePath() const { return m_devicePath; }

  // TCP carries the device only for model 4 with TCP chosen; every other
  // model talks over the serial port whatever is chosen.
  bool usesTcp() const {
    return m_devicePath.isEmpty() && m_konekcija == Tcp &&
           DeviceProfile::of(m_settings->Model).reachableOverTcp;
  }
  bool isDeviceOpen() const { return usesTcp() ? m_tcp.isOpen() : m_serial.isOpen(); }

  // Family-4 commands: to the TCP connection when chosen, else the serial
  // port; the first count bytes of frame, in one piece. False when the link
  // is not open or the platform refuses; errorString() then says why.
  bool Write_(const QByteArray &frame, int count);
  // Families 1 and 2 always write to the serial port.
  bool writeSerial(const QByteArray &frame, int count);
  // Chooses by the model's family.
  bool writeFrame(const QByteArray &frame, int count);
  bool writeFrame(const QByteArray &frame) { return writeFrame(frame, int(frame.size())); }
  QString errorString() const { return m_error; }

  // Start-up and configuration OK: the serial port is (re)opened; a TCP
  // connection is dropped, then after a pause made again. done(ok) follows.
  void openDevice(std::function<void(bool ok)> done);
  // Barcode reader and card terminal ports, each when its number is not 0.
  bool openBarcodeReader();
  bool openCardTerminal();
  // Before the article-memory window (main menu): opens what is not open
  // yet; done(nullopt) when the window may be shown, else the message.
  void openForArticleWindow(std::function<void(std::optional<LinkMessage>)> done);
  // The link form's own button for that window.
  std::optional<LinkMessage> openForLinkFormButton();
  // The configuration window reopens these after its OK.
  void closeForConfiguration();
  // Program end.
  void closeAtExit();

  SerialPortLink &serialLink() { return m_serial; }
  TcpLink &tcpLink() { return m_tcp; }
  BarcodeReader &barcodeReader() { return m_barcode; }
  CardTerminal &cardTerminal() { return m_terminal; }

signals:
  // The one receive entry for the fiscal device's bytes.
  void received(const QByteArray &bytes);
  // The device link went away; it is tried again every ReconnectPauseMs until it
  // is back (reopened), until the next open, or until it is closed on purpose.
  void dropped(const QString &reason);
  void reopened();

private:
  bool openSerial();
  QString devicePortName() const;
  void connectTcpAfterPause(std::function<void(bool ok)> done);
  void cancelPendingOpen();
  // An open of the program's own (start-up, configuration, article window) is pausing or connecting.
  bool openUnderWay() const { return m_pause != 0 || bool(m_pendingDone); }
  void onDropped(const QString &reason);
  void scheduleReconnect();
  void reconnect();
  bool writeTo(Link &link, const QByteArray &frame, int count);

  Scheduler &m_scheduler;
  SerialPortLink m_serial;
  TcpLink m_tcp;
  BarcodeReader m_barcode;
  CardTerminal m_terminal;
  ReceiveQueue m_queue;
  LinkSettings m_ownSettings;
  LinkSettings *m_settings = &m_ownSettings;
  int m_konekcija = Serial;
  int m_barKodPort = 0;
  int m_eftPos = 0;
  QString m_workingDir;
  QString m_devicePath;
  QString m_error;
  Scheduler::TaskId m_pause = 0;
  Scheduler::TaskId m_reconnect = 0;
  quint64 m_attempt = 0;
  std::function<void(bool)> m_pendingDone;
};
