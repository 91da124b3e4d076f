#include "sales/invoices.h"

#include "common/localetext.h"
#include "data/database.h"
#include "data/receiptrepository.h"
#include "data/recordmessages.h"
#include "data/recordrules.h"

namespace {

const QString kGreska = QStringLiteral("GRESKA");

struct Title {
  const char *column;
  const char *title;
};

QString titleOf(const QString &column, std::initializer_list<Title> titles) {
  for (const Title &t : titles)
    if (column.compare(QLatin1String(t.column), Qt::CaseInsensitive) == 0)
      return QLatin1String(t.title);
  return column.toUpper();
}

// Dates and amounts in the grids as the locale writes them (and as they are typed back).
QVariant shown(const QVariant &value, const QString &column) {
  if (value.isNull())
    return value;
  if (column == QLatin1String("datum"))
    return LocaleText::date(value.toDate().isValid() ? value.toDate() : value.toDateTime().date());
  if (column == QLatin1String("iznos"))
    return LocaleText::money(value.toDouble());
  return value;
}

} // namespace

// --- InvoiceTableModel ---

InvoiceTableModel::InvoiceTableModel(Database &db, RecordRules &rules, QObject *parent)
    : RecordTableModel(db, rules, QStringLiteral("RACUNI"), parent) {}

const QStringList &InvoiceTableModel::shownColumns() {
  static const QStringList columns = {QStringLiteral("broj_dok"),   QStringLiteral("datum"),
                                      QStringLiteral("sifpartner"), QStringLiteral("nazivkupca"),
                                      QStringLiteral("brfisis"),    QStringLiteral("rok"),
                                      QStringLiteral("oslprom"),    QStringLiteral("clan")};
  return columns;
}

bool InvoiceTableModel::isEditable(const QString &column) {
  const QString c = column.toLower();
  return c != QLatin1String("datum") && shownColumns().contains(c);
}

Qt::ItemFlags InvoiceTableModel::flags(const QModelIndex &index) const {
  Qt::ItemFlags f = RecordTableModel::flags(index);
  if (!index.isValid() || !isEditable(record().fieldName(index.column())))
    f &= ~Qt::ItemIsEditable;
  return f;
}

QVariant InvoiceTableModel::data(const QModelIndex &index, int role) const {
  const QVariant v = RecordTableModel::data(index, role);
  return role == Qt::DisplayRole ? shown(v, record().fieldName(index.column()).toLower()) : v;
}

bool InvoiceTableModel::setData(const QModelIndex &index, const QVariant &value, int role) {
  if (role == Qt::EditRole && index.isValid() && !isEditable(record().fieldName(index.column())))
    return false;
  return RecordTableModel::setData(index, value, role);
}

QVariant InvoiceTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
    return titleOf(record().fieldName(section), {{"broj_dok", "BROJ RACUNA"},
                                                 {"sifpartner", "PARTNER"},
                                                 {"nazivkupca", "NAZIV KUPCA"},
                                                 {"brfisis", "FIS.ISECAK"},
                                                 {"oslprom", "OSLOBODJENJE"}});
  return RecordTableModel::headerData(section, orientation, role);
}

QString InvoiceTableModel::orderByClause() const {
  return QStringLiteral("ORDER BY godina DESC, broj DESC");
}

// --- InvoiceLinesModel ---

void InvoiceLinesModel::load(const QList<SoldLine> &lines) {
  beginResetModel();
  m_lines = lines;
  endResetModel();
}

int InvoiceLinesModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : int(m_lines.size());
}

int InvoiceLinesModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant InvoiceLinesModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || index.row() >= m_lines.size())
    return {};
  const SoldLine &l = m_lines.at(index.row());
  if (role == Qt::TextAlignmentRole)
    return index.column() == Sifra || index.column() == Naziv ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                                              : QVariant(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole)
    return {};
  switch (index.column()) {
  case Sifra:
    return l.sifra;
  case Naziv:
    return l.naziv;
  case Cena:
    return l.cena.text();
  case Stopa:
    return l.stopa;
  case Kolicina:
    return l.prodato.text();
  case Iznos:
    return l.iznos.text();
  }
  return {};
}

QVariant InvoiceLinesModel::headerData(int section, Qt::Orientation orientation, int role) const {
  static const char *const titles[] = {"SIFRA", "NAZIV", "CENA", "STOPA", "KOLICINA", "IZNOS"};
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
    return QLatin1String(titles[section]);
  return QAbstractTableModel::headerData(section, orientation, role);
}

// --- InstalmentTableModel ---

InstalmentTableModel::InstalmentTableModel(Database &db, RecordRules &rules, QObject *parent)
    : RecordTableModel(db, rules, QStringLiteral("RATE"), parent) {
  setSortColumn(QStringLiteral("rbr"), Qt::AscendingOrder);
}

void InstalmentTableModel::showReceipt(std::optional<ReceiptId> receipt, bool completed) {
  m_receipt = receipt;
  m_completed = completed;
  const QVariantMap binds =
      receipt ? QVariantMap{{QStringLiteral("g"), receipt->godina}, {QStringLiteral("b"), receipt->broj}}
              : QVariantMap{};
  setBoundFilter(receipt ? QStringLiteral("godina=:g AND broj=:b") : QStringLiteral("1=0"), binds);
  select();
}

int InstalmentTableModel::appendInstalment() {
  if (!acceptsNewRows())
    return -1;
  const int row = appendRow();
  if (row < 0)
    return -1;
  // The receipt's key is the window's, not typed.
  RecordTableModel::setData(index(row, fieldIndex(QStringLiteral("broj"))), m_receipt->broj);
  RecordTableModel::setData(index(row, fieldIndex(QStringLiteral("godina"))), m_receipt->godina);
  return row;
}

bool InstalmentTableModel::save() {
  if (!hasPendingEdits())
    return true;
  if (post())
    return true;
  if (refusedByDatabase()) {
    cancel(); // the refused new row is discarded
    select();
  }
  return false;
}

Qt::ItemFlags InstalmentTableModel::flags(const QModelIndex &index) const {
  Qt::ItemFlags f = RecordTableModel::flags(index);
  if (!index.isValid() || !isPendingInsert(index.row()))
    f &= ~Qt::ItemIsEditable;
  return f;
}

QVariant InstalmentTableModel::data(const QModelIndex &index, int role) const {
  const QVariant v = RecordTableModel::data(index, role);
  return role == Qt::DisplayRole ? shown(v, record().fieldName(index.column()).toLower()) : v;
}

bool InstalmentTableModel::setData(const QModelIndex &index, const QVariant &value, int role) {
  if (role == Qt::EditRole && index.isValid() && !isPendingInsert(index.row()))
    return false;
  return RecordTableModel::setData(index, value, role);
}

QVariant InstalmentTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
    return titleOf(record().fieldName(section),
                   {{"tipkart", "TIP"}, {"brojkart", "CEK/KARTICA"}, {"brtrans", "BROJ TRANSAKCIJE"}});
  return RecordTableModel::headerData(section, orientation, role);
}

// --- Invoices ---

Invoices::Invoices(Database &db, RecordRules &rules, RecordMessages &messages, QObject *parent)
    : QObject(parent), m_db(db), m_rules(rules), m_messages(messages) {}

Invoices::~Invoices() = default;

void Invoices::refresh() {
  // The database may have been opened again since the last showing: models per showing.
  close();
  m_receipts = new InvoiceTableModel(m_db, m_rules, this);
  m_receipts->select();
  m_instalments = new InstalmentTableModel(m_db, m_rules, this);
  m_row = -1;
  setCurrentRow(m_receipts->rowCount() > 0 ? 0 : -1);
}

void Invoices::close() {
  if (m_receipts)
    saveIgnoringErrors();
  delete m_receipts;
  m_receipts = nullptr;
  delete m_instalments;
  m_instalments = nullptr;
  m_lines.load({});
  m_row = -1;
}

void Invoices::setCurrentRow(int row) {
  if (!m_receipts || row < 0 || row >= m_receipts->rowCount())
    row = -1;
  m_row = row;
  const auto id = currentReceipt();
  m_lines.load(id ? ReceiptRepository(m_db).lines(*id).value_or({}) : QList<SoldLine>());
  emit currentChanged(row);
}

std::optional<ReceiptId> Invoices::currentReceipt() const {
  if (!m_receipts || m_row < 0)
    return std::nullopt;
  const QVariant broj = m_receipts->value(m_row, QStringLiteral("broj"));
  if (broj.isNull())
    return std::nullopt;
  return ReceiptId{m_receipts->value(m_row, QStringLiteral("godina")).toInt(), broj.toInt()};
}

bool Invoices::currentCompleted() const {
  return m_receipts && m_row >= 0 && m_receipts->value(m_row, QStringLiteral("status")).toInt() == 1;
}

bool Invoices::save() {
  if (!m_receipts || !m_receipts->hasPendingEdits())
    return true;
  const auto id = currentReceipt();
  if (!m_receipts->post())
    return false;
  // The rows come back in their order; the cursor stays on the receipt it was on.
  if (id) {
    const int row =
        m_receipts->locate({{QStringLiteral("godina"), id->godina}, {QStringLiteral("broj"), id->broj}});
    m_row = row;
    emit currentChanged(row);
  }
  return true;
}

void Invoices::saveIgnoringErrors() {
  if (!save())
    m_receipts->cancel();
}

bool Invoices::setPartner(const QString &code) {
  if (!m_receipts || m_row < 0)
    return false;
  return m_receipts->setValue(m_row, QStringLiteral("sifpartner"), code);
}

bool Invoices::refuse(const QString &text) {
  m_messages.beep();
  m_messages.show(kGreska, text);
  return false;
}

std::optional<InvoiceData> Invoices::printable() {
  if (m_receipts)
    saveIgnoringErrors();
  const auto id = currentReceipt();
  if (!id) {
    refuse(QStringLiteral("Ne postoji nijedan racun za stampu!"));
    return std::nullopt;
  }
  if (m_receipts->value(m_row, QStringLiteral("broj_dok")).toString().trimmed().isEmpty()) {
    refuse(QStringLiteral("Nemoguca stampa! Nije unet broj dokumenta!"));
    return std::nullopt;
  }
  const auto invoice = InvoiceRepository(m_db).read(*id);
  if (!invoice) {
    m_messages.show(kGreska, invoice.error());
    return std::nullopt;
  }
  if (!*invoice) {
    refuse(QStringLiteral("Ne postoji nijedan racun za stampu!"));
    return std::nullopt;
  }
  return **invoice;
}

void Invoices::showInstalments() {
  if (m_instalments)
    m_instalments->showReceipt(currentReceipt(), currentCompleted());
}

void Invoices::closeInstalments() {
  if (m_instalments)
    m_instalments->save();
}
