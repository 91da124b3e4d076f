#pragma once

#include "common/linksettings.h"
#include "device/articlemirror.h"
#include "device/memorycommands.h"
#include "engine/codelistsync.h"
#include "engine/transactionengine.h"

#include <QObject>
#include <QString>

class ArticleMirrorModel;
class Scheduler;
class UserPrompt;
namespace ReplyParser {
struct DeviceArticle;
}

// The loops of the device article window (TfrmArt): reading the device's article
// memory into the mirror, writing the mirror's rows, writing all and emptying the rest,
// emptying the device, and exchanging the mirror with the article text file. Each loop
// is driven by the device's replies: a button sends the first command, and every
// accepted reply sends the next one through the engine's service path, until the
// memory or the table ends, the window is closed (prekidRada) or the engine gives the
// command up (its watchdog, a refusal), which ends the loop and gives the buttons back.
// It is the engine's one service-reply handler: the code-list window's reads of the
// device's operators and tax rates (CodeListSync) go through it too.
class ArticleSync : public QObject, public ServiceReplyHandler {
  Q_OBJECT
public:
  ArticleSync(TransactionEngine &engine, LinkSettings &link, Scheduler &clock, ArticleMirrorModel &model,
              QString mirrorPath, QObject *parent = nullptr);
  ~ArticleSync() override;

  void setPrompt(UserPrompt *prompt) {
    m_prompt = prompt;
    m_codeLists.setPrompt(prompt);
  }
  // The mirror file the loops save into (the training device has its own).
  void setMirrorPath(const QString &path) { m_mirrorPath = path; }

  // --- the code-list window's "Citanje iz kase" (nothing while an article loop runs) ---
  CodeListSync &codeLists() { return m_codeLists; }
  void citanjeOperatera();
  void citanjeStopa();

  // --- the window ---
  // Activation: prekidRada and the loop state cleared, every button enabled.
  void activate();
  // Closing: prekidRada set (a running loop ends at its next reply), the mirror saved.
  void close();
  // "Upis": the mirror saved to "artikli.dat"; false when it could not be written (shown).
  bool saveMirror();

  // --- the device buttons ---
  void citanjeIzKase();    // "Citanje iz kase"
  void upisIzTabele();     // "Upis iz tabele"
  void upisSvihArtikala(); // "Upis svih artikala"
  void isprazniKasu();     // "Isprazni kasu"
  void sinhronizacija();   // "Sinhronizacija" (model 4): the computer's clock from the device

  // --- the text file ---
  QString defaultFileName() const;
  // "Upis u fajl": every row as a line; "Завршен упис података.." when done.
  bool writeFile(const QString &path);
  // "Citanje iz fajla": replaces the mirror only when the whole file was read; a damaged
  // line is shown with its number and the mirror stays as it was. Not saved.
  bool readFile(const QString &path);

  // --- state ---
  // An article loop runs (a code-list reading is codeLists().running()).
  bool running() const { return m_loop != Loop::None; }
  bool prekidRada() const { return m_prekidRada; }
  bool servisOtvoren() const { return m_servisOtvoren; }
  QString probniNaziv() const { return m_probniNaziv; }

  // --- ServiceReplyHandler ---
  bool claimsServiceReply(const QByteArray &frame) const override;
  void handleServiceReply(const QByteArray &frame) override;

signals:
  void buttonsEnabled(bool on);
  void busyCursor(bool on);
  // LblCount: the number of the article being worked on; empty when a loop ends.
  void countChanged(const QString &text);

private:
  enum class Loop { None, Read, WriteRows, WriteAll, Empty, Clock };
  // The reply the loop waits for.
  enum class Awaiting { Nothing, LogIn, ServiceOpen, ServiceInfo, ServiceClose, Article, WriteAck, RangeAck };
  // What the write being acknowledged was.
  enum class Write { Row, EmptyArticle, Probe, TestArticle, LastEmpty };

  const DeviceProfile &profile() const { return DeviceProfile::of(m_link.Model); }
  int model() const { return m_link.Model; }
  MemoryCommands commands() const;
  void begin(Loop loop);
  void startWriting(Loop loop);
  // Ends the loop: flags cleared, LblCount emptied, pointer restored; model 2 closes its
  // service first and gives the buttons back when the device confirms it.
  void finish();
  void endNow();
  void serviceEnded();
  void send(const DeviceCommand &command, Awaiting awaiting);
  void openServiceOrLogIn();
  void firstStep();
  void warnDailyReport();

  // --- reading ---
  void readArticle(int n);
  void onArticle(const ReplyParser::DeviceArticle &article);
  void onProbeRead(const ReplyParser::DeviceArticle &article);
  // --- writing ---
  void writeArticle(const DeviceArticleWrite &article, Write kind);
  void writeRow();
  void writeEmpty(int n);
  void onWriteAck(const QByteArray &frame);
  void nextRow();
  void nextEmptyAfterRows();
  void nextEmptying();
  // Emptying: the rows of the number just emptied go, a placeholder stands for the test article.
  void adjustMirror(int emptied);
  void mirrorToPlaceholderOnly(int sifra, double cena);
  MirrorArticle placeholder(int sifra, double cena) const;
  int writeLimit() const { return profile().lastArticle; }
  bool writable(const MirrorArticle &row) const;
  QString randomLetters(int count) const;
  void message(const QString &title, const QString &text);

  TransactionEngine &m_engine;
  LinkSettings &m_link;
  Scheduler &m_clock;
  ArticleMirrorModel &m_model;
  QString m_mirrorPath;
  UserPrompt *m_prompt = nullptr;

  Loop m_loop = Loop::None;
  Awaiting m_awaiting = Awaiting::Nothing;
  Write m_write = Write::Row;
  bool m_prekidRada = false;
  bool m_dopunaPraznim = false; // writing all: the table has ended, empty articles follow
  bool m_probaUpisa = false;    // emptying: the probe article was written and is read back
  bool m_servisOtvoren = false; // model 2's article service bracket is open
  QString m_probniNaziv;
  int m_indeksStavke = 0;
  int m_asked = 0;                // the article number last asked for
  QList<MirrorArticle> m_toWrite; // the rows being written, as they were when the loop began
  qsizetype m_next = 0;           // the next of them
  MirrorArticle m_written;        // the row whose acknowledgement is awaited
  CodeListSync m_codeLists;
};
