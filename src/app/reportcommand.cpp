#include "app/reportcommand.h"

#include "common/localetext.h"
#include "data/database.h"
#include "data/konfiguracija.h"
#include "reports/bandedreport.h"
#include "reports/reportoutput.h"
#include "reports/reportrequest.h"
#include "reports/reporttext.h"

#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QSaveFile>

#include <cstring>

namespace ReportCommand {

namespace {

enum class Source { Dated, Stock, MinimumStock, BestSellers, TurnoverCsv };

struct Name {
  const char *name;
  Source source;
  int kind; // the turnover window's report kind for Dated and TurnoverCsv
};

// The names of the reports menu's database reports; the kind's number is taken as well.
constexpr Name kNames[] = {
    {"promet", Source::Dated, ReportKinds::Promet},
    {"artikli-dan", Source::Dated, ReportKinds::PresekStanja},
    {"artikli-period", Source::Dated, ReportKinds::PeriodicniPoArtiklima},
    {"stope-dan", Source::Dated, ReportKinds::DnevniPoStopama},
    {"stope-period", Source::Dated, ReportKinds::PeriodicniPoStopama},
    {"kasiri-dan", Source::Dated, ReportKinds::DnevniPoOperaterima},
    {"kasiri-period", Source::Dated, ReportKinds::PeriodicniPoOperaterima},
    {"knjiga-kuhinje", Source::Dated, ReportKinds::KnjigaKuhinje},
    {"knjiga-sanka", Source::Dated, ReportKinds::KnjigaSanka},
    {"grupe", Source::Dated, ReportKinds::PeriodicniPoGrupama},
    {"promet-csv", Source::TurnoverCsv, ReportKinds::IzvozCsv},
    {"lager", Source::Stock, 0},
    {"min-lager", Source::MinimumStock, 0},
    {"najprodavaniji", Source::BestSellers, 0},
};

const Name *findName(const QString &text) {
  bool number = false;
  const int kind = text.toInt(&number);
  for (const Name &n : kNames)
    if (text == QLatin1String(n.name) || (number && n.kind == kind && kind > 0))
      return &n;
  return nullptr;
}

QString nameList() {
  QStringList names;
  for (const Name &n : kNames)
    names << QString::fromLatin1(n.name);
  return names.join(QStringLiteral(", "));
}

// An ISO date (2026-12-09) as the window's field would hold it (09.12.2026); any other
// text goes to the window's checks as typed. 2008-02-31 stays a bad date there.
QString asTyped(const QString &arg) {
  static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
  const auto m = iso.match(arg.trimmed());
  if (!m.hasMatch())
    return arg;
  const QChar sep = ReportKinds::dateSeparator();
  return m.captured(3).rightJustified(2, QLatin1Char('0')) + sep +
         m.captured(2).rightJustified(2, QLatin1Char('0')) + sep + m.captured(1);
}

class Run {
public:
  Run(FILE *out, FILE *err) : m_out(out), m_err(err) {}

  int say(int code, const QString &text) {
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(m_err, "%s\n", line.toLocal8Bit().constData());
    return code;
  }

  // A message of the reports' own checks, with the exit code of its kind.
  int refused(const ReportOutcome &outcome) {
    if (outcome.text == kNemaPodataka)
      return say(Ok, outcome.text); // a day without receipts is no failure
    if (outcome.text == kUnesiteDatum)
      return say(MissingDate, outcome.text);
    if (outcome.text == kLosDatum || outcome.text == kNijeCeoBroj)
      return say(BadValue, outcome.text);
    return say(DatabaseFailed, outcome.text);
  }

  // Whole or not at all: an earlier file stays as it was when anything fails.
  template <typename Write> int toFile(const QString &path, Write write) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
      return say(
          CannotWrite,
          QStringLiteral("Ne mogu da upisem %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    const int code = write(file);
    if (code != Ok)
      return code; // the temporary file goes with `file`
    if (!file.commit())
      return say(
          CannotWrite,
          QStringLiteral("Ne mogu da upisem %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    return Ok;
  }

  int output(const BandedReport &report, const QString &pdf, const QString &csv) {
    if (!pdf.isEmpty())
      return toFile(pdf, [&](QSaveFile &f) {
        return ReportOutput::writePdf(report, f) ? int(Ok) : say(CannotWrite, f.errorString());
      });
    if (!csv.isEmpty())
      return toFile(csv, [&](QSaveFile &f) {
        return ReportText::writeCsv(report, f) ? int(Ok) : say(CannotWrite, f.errorString());
      });
    const QByteArray text = ReportText::plain(report).toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), m_out);
    return std::fflush(m_out) == 0 ? int(Ok) : say(CannotWrite, QStringLiteral("Ne mogu da pisem izvestaj"));
  }

private:
  FILE *m_out;
  FILE *m_err;
};

} // namespace

bool requested(int argc, char **argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--report") == 0 || std::strncmp(argv[i], "--report=", 9) == 0)
      return true;
  return false;
}

int run(const QStringList &args, const QString &workDir, FILE *out, FILE *err) {
  Run r(out, err);
  QCommandLineParser parser;
  const QCommandLineOption report(QStringLiteral("report"), QString(), QStringLiteral("NAME"));
  const QCommandLineOption date(QStringLiteral("date"), QString(), QStringLiteral("D"));
  const QCommandLineOption from(QStringLiteral("from"), QString(), QStringLiteral("D"));
  const QCommandLineOption to(QStringLiteral("to"), QString(), QStringLiteral("D"));
  const QCommandLineOption count(QStringLiteral("count"), QString(), QStringLiteral("N"));
  const QCommandLineOption by(QStringLiteral("by"), QString(), QStringLiteral("quantity|amount"));
  const QCommandLineOption pdf(QStringLiteral("pdf"), QString(), QStringLiteral("FILE"));
  const QCommandLineOption csv(QStringLiteral("csv"), QString(), QStringLiteral("FILE"));
  const QCommandLineOption text(QStringLiteral("text"));
  parser.addOptions({report, date, from, to, count, by, pdf, csv, text});
  const QString usage =
      QStringLiteral("kasa --report NAME [--date D | --from D --to D] [--count N --by quantity|amount] "
                     "(--pdf FILE | --csv FILE | --text)");
  if (!parser.parse(QStringList{QStringLiteral("kasa")} + args))
    return r.say(Usage, parser.errorText() + QStringLiteral("; ") + usage);
  if (!parser.positionalArguments().isEmpty())
    return r.say(Usage, QStringLiteral("Visak argumenata: %1; %2")
                            .arg(parser.positionalArguments().join(QLatin1Char(' ')), usage));

  const Name *name = findName(parser.value(report));
  if (!name)
    return r.say(
        Usage,
        QStringLiteral("Nepoznat izvestaj \"%1\"; izvestaji: %2").arg(parser.value(report), nameList()));
  const int outputs = int(parser.isSet(pdf)) + int(parser.isSet(csv)) + int(parser.isSet(text));
  if (outputs != 1)
    return r.say(Usage, QStringLiteral("Izaberite jedan izlaz: --pdf FILE, --csv FILE ili --text; ") + usage);
  if (name->source == Source::TurnoverCsv && !parser.isSet(csv))
    return r.say(Usage, QStringLiteral("%1 se pise samo sa --csv FILE").arg(QLatin1String(name->name)));
  if ((parser.isSet(pdf) && parser.value(pdf).isEmpty()) ||
      (parser.isSet(csv) && parser.value(csv).isEmpty()))
    return r.say(Usage, QStringLiteral("Nedostaje ime fajla"));

  const bool twoDates = name->source == Source::BestSellers ||
                        ((name->source == Source::Dated || name->source == Source::TurnoverCsv) &&
                         ReportKinds::twoDates(name->kind));
  const bool dated = name->source != Source::Stock && name->source != Source::MinimumStock;
  const bool anyDate = parser.isSet(date) || parser.isSet(from) || parser.isSet(to);
  if (!dated && anyDate)
    return r.say(Usage, QStringLiteral("%1 nema datum").arg(QLatin1String(name->name)));
  if (dated && !twoDates && (parser.isSet(from) || parser.isSet(to)))
    return r.say(Usage, QStringLiteral("%1 je za jedan dan: --date D").arg(QLatin1String(name->name)));
  if (parser.isSet(date) && (parser.isSet(from) || parser.isSet(to)))
    return r.say(Usage, QStringLiteral("--date ili --from i --to, ne oba"));
  if (name->source != Source::BestSellers && (parser.isSet(count) || parser.isSet(by)))
    return r.say(Usage, QStringLiteral("--count i --by su samo za najprodavaniji"));
  auto by_ = ReportRepository::BestBy::Quantity;
  const QString byText = parser.value(by);
  if (byText == QLatin1String("amount") || byText == QLatin1String("iznos"))
    by_ = ReportRepository::BestBy::Amount;
  else if (parser.isSet(by) && byText != QLatin1String("quantity") && byText != QLatin1String("kolicina"))
    return r.say(Usage, QStringLiteral("--by quantity ili --by amount"));

  // A period of one day may be given as --date; the window's fields hold the dates as typed.
  const QString od = asTyped(parser.isSet(date) && twoDates ? parser.value(date) : parser.value(from));
  const QString datum = asTyped(parser.isSet(date) ? parser.value(date) : parser.value(to));

  const auto loaded = KonfiguracijaStore::load(workDir);
  if (!loaded.error.isEmpty())
    r.say(Ok, loaded.error); // the program goes on with the defaults, as the start window does
  Database db;
  if (!db.open(loaded.record.TipBaze, loaded.record.putanjaBaza))
    return r.say(NoDatabase,
                 Database::openFailureText() + QStringLiteral(" (") + db.lastError() + QLatin1Char(')'));

  ReportRequest request(db);
  ReportOutcome outcome;
  switch (name->source) {
  case Source::Dated:
    outcome = request.run(name->kind, od, datum);
    break;
  case Source::Stock:
  case Source::MinimumStock:
    outcome = request.stock(name->source == Source::MinimumStock, QDateTime::currentDateTime());
    break;
  case Source::BestSellers:
    outcome = request.bestSellers(parser.isSet(count) ? parser.value(count) : QStringLiteral("10"), od, datum,
                                  by_, QDate::currentDate());
    break;
  case Source::TurnoverCsv: {
    const auto period = request.csvPeriod(od, datum, &outcome);
    if (!period)
      return r.refused(outcome);
    return r.toFile(parser.value(csv), [&](QSaveFile &f) {
      const auto written = request.writeCsv(*period, f);
      if (written)
        return int(Ok);
      if (f.error() != QFileDevice::NoError)
        return r.say(CannotWrite, f.errorString());
      return r.say(DatabaseFailed,
                   Database::openFailureText() + QStringLiteral(" (") + written.error() + QLatin1Char(')'));
    });
  }
  }
  if (!outcome.report)
    return r.refused(outcome);
  return r.output(*outcome.report, parser.value(pdf), parser.value(csv));
}

namespace {
QtMessageHandler g_qtMessages = nullptr;
// Under cron there is no runtime directory, which Qt mentions on every start; the one line
// a failure prints must stay the only one.
void quietMessages(QtMsgType type, const QMessageLogContext &context, const QString &text) {
  if (type != QtDebugMsg && text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
    return;
  if (g_qtMessages)
    g_qtMessages(type, context, text);
}
} // namespace

int main(int argc, char **argv) {
  g_qtMessages = qInstallMessageHandler(quietMessages);
  // Nothing is shown: no display is needed, and a set DISPLAY is not touched.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv); // the fonts of the pages
  app.setApplicationName(QStringLiteral("kasa"));
  LocaleText::setConventions(LocaleConventions::forTill());
  QStringList args = app.arguments();
  args.removeFirst();
  return run(args, QDir::currentPath(), stdout, stderr);
}

} // namespace ReportCommand
