#include "engine/articlesync.h"

#include "common/scheduler.h"
#include "device/articlemirrormodel.h"
#include "device/articletextfile.h"
#include "device/memorycommands.h"
#include "device/replyparser.h"
#include "engine/userprompt.h"

#include <QRandomGenerator>

using namespace ReplyParser;

namespace {
const QString kTestName = QStringLiteral("ТЕСТ АРТИКАЛ 1");

int articleNumberOfAck(QByteArrayView frame) {
  // Family 4 echoes the number it stored the article under at frame offsets 16-17.
  if (frame.size() < 18)
    return 0;
  return quint8(frame[16]) | (quint8(frame[17]) << 8);
}
} // namespace

ArticleSync::ArticleSync(TransactionEngine &engine, LinkSettings &link, Scheduler &clock,
                         ArticleMirrorModel &model, QString mirrorPath, QObject *parent)
    : QObject(parent), m_engine(engine), m_link(link), m_clock(clock), m_model(model),
      m_mirrorPath(std::move(mirrorPath)), m_codeLists(engine, link) {
  m_engine.setServiceHandler(this);
  // The engine gives a command up (watchdog, refusal, notice): the loop is over.
  connect(&m_engine, &TransactionEngine::serviceButtonsEnabled, this, &ArticleSync::serviceEnded);
}

ArticleSync::~ArticleSync() {
  if (m_engine.serviceHandler() == this)
    m_engine.setServiceHandler(nullptr);
}

// Built for the frame about to go: the engine's sequence counter as it stands now.
MemoryCommands ArticleSync::commands() const {
  return MemoryCommands(m_link.Model, m_link.IBFM, quint8(m_engine.sendSeq() & 0xFF));
}

// ------------------------------------------------------------------ window

void ArticleSync::activate() {
  m_prekidRada = false;
  m_loop = Loop::None;
  m_awaiting = Awaiting::Nothing;
  m_dopunaPraznim = false;
  m_probaUpisa = false;
  m_toWrite.clear();
  m_model.reload(); // the sale path's article check may have changed the mirror meanwhile
  emit countChanged(QString());
  emit buttonsEnabled(true);
}

void ArticleSync::close() {
  m_prekidRada = true;
  saveMirror();
}

bool ArticleSync::saveMirror() {
  if (m_model.mirror().save(m_mirrorPath))
    return true;
  message(QStringLiteral("GRESKA"), m_model.mirror().errorText());
  return false;
}

void ArticleSync::message(const QString &title, const QString &text) {
  if (m_prompt)
    m_prompt->messageDialog(title, text);
}

// ------------------------------------------------------------------ loop frame

void ArticleSync::begin(Loop loop) {
  if (m_engine.serviceHandler() != this)
    m_engine.setServiceHandler(this);
  m_loop = loop;
  m_awaiting = Awaiting::Nothing;
  m_dopunaPraznim = false;
  m_probaUpisa = false;
  m_indeksStavke = 0;
  emit buttonsEnabled(false);
  emit busyCursor(true);
}

void ArticleSync::finish() {
  // Rows read or renumbered after the window was closed were not in its save.
  if (m_prekidRada)
    m_model.mirror().save(m_mirrorPath);
  if (model() == 2) {
    m_loop = Loop::None;
    m_toWrite.clear();
    emit countChanged(QString());
    send(commands().ZatvoriServis(), Awaiting::ServiceClose);
    return;
  }
  endNow();
}

void ArticleSync::endNow() {
  m_loop = Loop::None;
  m_awaiting = Awaiting::Nothing;
  m_dopunaPraznim = false;
  m_probaUpisa = false;
  m_toWrite.clear();
  emit countChanged(QString());
  emit busyCursor(false);
  emit buttonsEnabled(true);
}

void ArticleSync::citanjeOperatera() {
  if (running())
    return;
  m_engine.setServiceHandler(this);
  m_codeLists.citanjeOperatera();
}

void ArticleSync::citanjeStopa() {
  if (running())
    return;
  m_engine.setServiceHandler(this);
  m_codeLists.citanjeStopa();
}

void ArticleSync::serviceEnded() {
  m_codeLists.givenUp();
  if (m_loop != Loop::None || m_awaiting != Awaiting::Nothing)
    endNow();
}

void ArticleSync::send(const DeviceCommand &command, Awaiting awaiting) {
  m_awaiting = awaiting;
  // Last: a command the engine refuses before sending ends the loop from inside.
  m_engine.sendService(command);
}

// Model 2 opens its service bracket, model 3 logs in; the reply takes the first step.
void ArticleSync::openServiceOrLogIn() {
  const MemoryCommands mc = commands();
  if (model() == 2 && !m_servisOtvoren) {
    send(mc.OtvoriServis(), Awaiting::ServiceOpen);
  } else if (model() == 3) {
    send(mc.PrijavaZaArtikle(m_clock.now()), Awaiting::LogIn);
  } else {
    firstStep();
  }
}

void ArticleSync::firstStep() {
  if (m_prekidRada) {
    finish();
    return;
  }
  switch (m_loop) {
  case Loop::Read:
    m_indeksStavke = model() == 2 ? 0 : profile().firstArticle;
    readArticle(m_indeksStavke);
    return;
  case Loop::WriteRows:
  case Loop::WriteAll:
    writeRow();
    return;
  case Loop::Empty:
    if (model() == 3) {
      DeviceArticleWrite probe{1, m_probniNaziv, 0, 0, QStringLiteral(" ")};
      writeArticle(probe, Write::Probe);
    } else {
      writeArticle({m_indeksStavke, kTestName, 0, 0, QString()}, Write::TestArticle);
    }
    return;
  case Loop::None:
  case Loop::Clock:
    return;
  }
}

// ------------------------------------------------------------------ buttons

void ArticleSync::citanjeIzKase() {
  if (running() || m_codeLists.running())
    return;
  begin(Loop::Read);
  m_model.clearAll();
  if (model() == 2 || model() == 3) {
    openServiceOrLogIn();
    return;
  }
  firstStep();
}

void ArticleSync::upisIzTabele() {
  startWriting(Loop::WriteRows);
}

void ArticleSync::upisSvihArtikala() {
  startWriting(Loop::WriteAll);
}

void ArticleSync::startWriting(Loop loop) {
  if (running() || m_codeLists.running())
    return;
  begin(loop);
  m_toWrite = m_model.mirror().rows();
  m_next = 0;
  while (m_next < m_toWrite.size() && !writable(m_toWrite[m_next]) && m_toWrite[m_next].SIFRA <= writeLimit())
    ++m_next;
  if (m_next >= m_toWrite.size() || m_toWrite[m_next].SIFRA > writeLimit()) {
    endNow(); // nothing to write
    return;
  }
  openServiceOrLogIn();
}

void ArticleSync::isprazniKasu() {
  if (running() || m_codeLists.running())
    return;
  begin(Loop::Empty);
  const MemoryCommands mc = commands();
  switch (profile().articleMemory) {
  case ArticleMemory::Family4:
    m_indeksStavke = 1;
    send(mc.IsprazniStampac(1, profile().lastArticle), Awaiting::RangeAck);
    return;
  case ArticleMemory::LongFrames: {
    m_probaUpisa = true;
    m_probniNaziv = randomLetters(qBound(1, m_link.Duzina, profile().nameBytes));
    writeArticle({0, m_probniNaziv, 0, 0, QStringLiteral(" ")}, Write::Probe);
    return;
  }
  case ArticleMemory::LongFramesLoggedIn:
    m_probaUpisa = true;
    m_probniNaziv = randomLetters(18);
    openServiceOrLogIn();
    return;
  case ArticleMemory::ShortFrameService:
    m_indeksStavke = 1;
    openServiceOrLogIn();
    return;
  }
}

void ArticleSync::sinhronizacija() {
  if (running() || m_codeLists.running() || model() != 4)
    return;
  begin(Loop::Clock);
  m_engine.DatumVreme(); // its reply sets the clock and gives the buttons back
}

QString ArticleSync::randomLetters(int count) const {
  QString s;
  for (int i = 0; i < count; ++i)
    s += QChar(u'A' + QRandomGenerator::global()->bounded(25)); // "A" to "Y"
  return s;
}

// ------------------------------------------------------------------ replies

bool ArticleSync::claimsServiceReply(const QByteArray &frame) const {
  if (m_codeLists.running())
    return m_codeLists.claims(frame);
  const int m = model();
  if (m == 2 && serviceClosed(frame))
    return true; // also after a refused write the engine closed on its own
  switch (m_awaiting) {
  case Awaiting::Nothing:
  case Awaiting::ServiceClose:
    return false;
  case Awaiting::ServiceOpen:
    return isShort(frame, 0x00) || dailyReportOutstanding(frame);
  case Awaiting::ServiceInfo:
    return isShort(frame, 0x20);
  case Awaiting::LogIn:
    return isLong(frame, 0x20);
  case Awaiting::Article:
    switch (profile().articleMemory) {
    case ArticleMemory::LongFrames:
      return isLong(frame, 0x73);
    case ArticleMemory::ShortFrameService:
      return isShort(frame, 0x80);
    case ArticleMemory::LongFramesLoggedIn:
      return isLong(frame, 0x16);
    case ArticleMemory::Family4:
      return isShort(frame, 0x84);
    }
    return false;
  case Awaiting::WriteAck:
    // A refusal of family 4 is the engine's: it shows it and ends the loop.
    return articleWriteAck(m, frame) && (m != 4 || family4Ack(frame).accepted());
  case Awaiting::RangeAck:
    return isFamily4Ack(frame) && family4Ack(frame).accepted() && family4Ack(frame).answered == 0x0F;
  }
  return false;
}

void ArticleSync::handleServiceReply(const QByteArray &frame) {
  if (m_codeLists.running()) {
    m_codeLists.handle(frame);
    return;
  }
  const Awaiting awaited = m_awaiting;
  m_awaiting = Awaiting::Nothing;
  if (model() == 2 && serviceClosed(frame)) {
    m_servisOtvoren = false;
    endNow();
    return;
  }
  switch (awaited) {
  case Awaiting::ServiceOpen:
    if (dailyReportOutstanding(frame)) {
      if (m_loop == Loop::Empty) {
        warnDailyReport();
        finish();
        return;
      }
      message(QStringLiteral("Greska"),
              QStringLiteral("Nije uradjen dnevni izvestaj.Ogranicene mogucnosti!!"));
    } else {
      m_servisOtvoren = true;
    }
    if (m_loop == Loop::Read)
      m_model.clearAll();
    send(commands().InfoServis(), Awaiting::ServiceInfo);
    return;
  case Awaiting::ServiceInfo:
  case Awaiting::LogIn:
    firstStep();
    return;
  case Awaiting::Article: {
    const DeviceArticle a = article(model(), frame);
    if (m_probaUpisa)
      onProbeRead(a);
    else
      onArticle(a);
    return;
  }
  case Awaiting::WriteAck:
    onWriteAck(frame);
    return;
  case Awaiting::RangeAck: {
    if (m_loop != Loop::Empty) {
      finish(); // writing all: the rest after the table is empty
      return;
    }
    // The device holds nothing now; the mirror keeps one row under the first one's name.
    const QString name = m_model.mirror().isEmpty() ? QString() : m_model.mirror().at(0).NAZIV;
    m_model.replaceAll({{QString(), 1, QString(), name, 0, 0}});
    endNow();
    return;
  }
  case Awaiting::Nothing:
  case Awaiting::ServiceClose:
    return;
  }
}

void ArticleSync::warnDailyReport() {
  message(QStringLiteral("Upozorenje!"),
          QStringLiteral("Morate prvo uraditi dnevni izvestaj da bi ispraznili kasu!"));
}

// ------------------------------------------------------------------ reading

void ArticleSync::readArticle(int n) {
  m_asked = model() == 2 ? n + 1 : n; // model 2 asks for its counter plus 1
  send(commands().CitanjeArtikla(n, m_indeksStavke), Awaiting::Article);
}

void ArticleSync::onArticle(const DeviceArticle &a) {
  const bool family4 = profile().articleMemory == ArticleMemory::Family4;
  emit countChanged(QString::number(profile().family == Family::One ? a.broj + 1 : a.broj));
  if (!a.naziv.isEmpty() && !(family4 && a.broj == 0))
    m_model.insertArticle({a.barkod, a.broj, a.barkod, a.naziv, a.cena, a.poreskaGrupa});
  ++m_indeksStavke;
  // Family 4 walks its stored articles and says 0 after the last; a device that never
  // does cannot hold more than its memory.
  const bool memoryEnded = family4 ? a.broj == 0 || m_indeksStavke > profile().articleCapacity + 1
                                   : m_asked >= profile().lastArticle;
  if (m_prekidRada || memoryEnded) {
    if (profile().family == Family::One)
      m_model.mirror().save(m_mirrorPath);
    finish();
    return;
  }
  if (family4) {
    send(commands().CitajSledeci(), Awaiting::Article);
    return;
  }
  if (model() != 2 && m_indeksStavke == profile().skippedArticle)
    m_indeksStavke = profile().articleAfter(m_indeksStavke - 1);
  readArticle(m_indeksStavke);
}

// The probe article read back: a device that kept its old article still needs its daily report.
void ArticleSync::onProbeRead(const DeviceArticle &a) {
  if (a.naziv.trimmed() != m_probniNaziv || m_prekidRada) {
    warnDailyReport();
    endNow();
    return;
  }
  m_probaUpisa = false;
  if (model() == 3) {
    m_indeksStavke = 1;
    writeArticle({1, kTestName, 0, 0, QString()}, Write::TestArticle);
    return;
  }
  m_indeksStavke = profile().firstArticle;
  writeEmpty(m_indeksStavke);
}

// ------------------------------------------------------------------ writing

bool ArticleSync::writable(const MirrorArticle &row) const {
  return profile().usesArticle(row.SIFRA);
}

void ArticleSync::writeArticle(const DeviceArticleWrite &article, Write kind) {
  m_write = kind;
  emit countChanged(QString::number(article.broj));
  send(commands().UpisArtikla(article), Awaiting::WriteAck);
}

void ArticleSync::writeRow() {
  m_written = m_toWrite[m_next++];
  m_indeksStavke = m_written.SIFRA;
  writeArticle({m_written.SIFRA, m_written.NAZIV, m_written.CENA, m_written.PORESKA_GRUPA, m_written.BARKOD},
               Write::Row);
}

void ArticleSync::writeEmpty(int n) {
  writeArticle({n, QString(), 0, 0, QString()},
               n == 3000 && model() == 2 ? Write::LastEmpty : Write::EmptyArticle);
}

void ArticleSync::onWriteAck(const QByteArray &frame) {
  switch (m_write) {
  case Write::Row:
    if (model() == 4) {
      const int stored = articleNumberOfAck(frame);
      const int row = m_model.mirror().indexOfSifra(m_written.SIFRA);
      if (stored > 0 && stored != m_written.SIFRA && row >= 0 && stored <= 32767) {
        MirrorArticle moved = m_model.mirror().at(row);
        moved.SIFRA = stored;
        m_model.removeArticle(row);
        m_model.insertArticle(moved);
      }
    }
    nextRow();
    return;
  case Write::Probe: {
    m_asked = model() == 3 ? 1 : 0;
    send(commands().CitanjeArtikla(m_asked), Awaiting::Article);
    return;
  }
  case Write::TestArticle:
  case Write::EmptyArticle:
    if (m_loop == Loop::WriteAll) {
      nextEmptyAfterRows();
      return;
    }
    nextEmptying();
    return;
  case Write::LastEmpty:
    mirrorToPlaceholderOnly(0, 0);
    finish();
    return;
  }
}

void ArticleSync::nextRow() {
  if (m_prekidRada) {
    finish();
    return;
  }
  while (m_next < m_toWrite.size() && !writable(m_toWrite[m_next]) && m_toWrite[m_next].SIFRA <= writeLimit())
    ++m_next;
  if (m_next < m_toWrite.size() && m_toWrite[m_next].SIFRA <= writeLimit()) {
    writeRow();
    return;
  }
  if (m_loop == Loop::WriteAll && m_next >= m_toWrite.size()) {
    m_dopunaPraznim = true;
    nextEmptyAfterRows();
    return;
  }
  finish();
}

// Writing all: after the table, every higher number is emptied.
void ArticleSync::nextEmptyAfterRows() {
  if (m_prekidRada) {
    finish();
    return;
  }
  const int n = profile().articleAfter(m_indeksStavke);
  if (n > profile().lastArticle) {
    finish();
    return;
  }
  m_indeksStavke = n;
  if (profile().articleMemory == ArticleMemory::Family4) {
    // The device's own range command empties the rest in one go; its acknowledgement ends the loop.
    emit countChanged(QString::number(n));
    m_write = Write::EmptyArticle;
    m_indeksStavke = profile().lastArticle;
    send(commands().IsprazniStampac(n, profile().lastArticle), Awaiting::RangeAck);
    return;
  }
  writeEmpty(n);
}

// Emptying families 1 and 2: every number in turn, the mirror following the device.
void ArticleSync::nextEmptying() {
  adjustMirror(m_indeksStavke);
  if (m_prekidRada || m_indeksStavke >= profile().lastArticle) {
    m_model.mirror().save(m_mirrorPath);
    finish();
    return;
  }
  m_indeksStavke = profile().articleAfter(m_indeksStavke);
  writeEmpty(m_indeksStavke);
}

MirrorArticle ArticleSync::placeholder(int sifra, double cena) const {
  return {QStringLiteral("0000000000000"), sifra, QString(), kTestName, cena, 0};
}

void ArticleSync::adjustMirror(int emptied) {
  bool removed = false;
  for (int row = m_model.mirror().indexOfSifra(emptied); row >= 0;
       row = m_model.mirror().indexOfSifra(emptied)) {
    m_model.removeArticle(row);
    removed = true;
  }
  const int first = profile().firstArticle;
  bool added = false;
  if ((emptied == first && removed) || m_model.mirror().isEmpty()) {
    m_model.insertArticle(placeholder(first, 1));
    added = true;
  }
  // A mirror that follows the device stays right if the program stops half-way.
  if (removed || added)
    m_model.mirror().save(m_mirrorPath);
}

void ArticleSync::mirrorToPlaceholderOnly(int sifra, double cena) {
  m_model.replaceAll({placeholder(sifra, cena)});
  m_model.mirror().save(m_mirrorPath);
}

// ------------------------------------------------------------------ text file

QString ArticleSync::defaultFileName() const {
  return ArticleTextFile::defaultName(m_link.IBFM);
}

bool ArticleSync::writeFile(const QString &path) {
  QList<MirrorArticle> rows = m_model.mirror().rows();
  QString error;
  if (!ArticleTextFile::write(path, rows, model(), m_link.Duzina, &error)) {
    message(QStringLiteral("GRESKA"), error);
    return false;
  }
  message(QStringLiteral("Порука"), QStringLiteral("Завршен упис података.."));
  return true;
}

bool ArticleSync::readFile(const QString &path) {
  const ArticleTextFile::ReadResult r = ArticleTextFile::read(path, model(), m_link.Duzina);
  if (!r.ok) {
    message(QStringLiteral("GRESKA"), r.error);
    return false;
  }
  m_model.replaceAll(r.rows);
  return true;
}
