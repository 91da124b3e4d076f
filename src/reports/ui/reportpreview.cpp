#include "reports/ui/reportpreview.h"

#include "reports/bandedreport.h"
#include "reports/reportoutput.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
constexpr double kZoomSteps[] = {0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0};
} // namespace

// Draws the preview's current page, and only that one, whenever it is painted.
class ReportPreview::PageView : public QWidget {
public:
  explicit PageView(ReportPreview &owner) : QWidget(nullptr), m_owner(owner) {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }
  double pxPerMm() const { return m_owner.m_zoom * logicalDpiX() / 25.4; }
  void fit() {
    const QSizeF mm = m_owner.m_report->page.sizeMm;
    setFixedSize(int(mm.width() * pxPerMm()) + 2 * kGap, int(mm.height() * pxPerMm()) + 2 * kGap);
    update();
  }

protected:
  void paintEvent(QPaintEvent *) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Dark));
    const QSizeF mm = m_owner.m_report->page.sizeMm;
    const QRectF sheet(kGap, kGap, mm.width() * pxPerMm(), mm.height() * pxPerMm());
    painter.fillRect(sheet, Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setClipRect(sheet);
    m_owner.m_report->paintPage(painter, m_owner.m_page, pxPerMm(), sheet.topLeft());
    ++m_owner.m_pagesDrawn;
  }

private:
  static constexpr int kGap = 12;
  ReportPreview &m_owner;
};

ReportPreview::ReportPreview(std::shared_ptr<const BandedReport> report, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      m_report(std::move(report)) {
  setModal(true);
  setWindowTitle(m_report->title.isEmpty() ? QStringLiteral("Pregled") : m_report->title);
  askPdfPath = [this] {
    return QFileDialog::getSaveFileName(this, QStringLiteral("Sacuvaj kao PDF"),
                                        QStringLiteral("Izvestaj.pdf"),
                                        QStringLiteral("PDF fajlovi (*.pdf)"));
  };

  auto *bar = new QHBoxLayout;
  auto button = [&](QPushButton *&b, const char *name, const char *caption) {
    b = new QPushButton(QString::fromUtf8(caption), this);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    bar->addWidget(b);
  };
  button(BtnPrva, "BtnPrva", "|<");
  button(BtnPrethodna, "BtnPrethodna", "<");
  LblStrana = new QLabel(this);
  LblStrana->setObjectName(QStringLiteral("LblStrana"));
  LblStrana->setMinimumWidth(
      LblStrana->fontMetrics().horizontalAdvance(QStringLiteral("Strana 000000 od 000000")));
  LblStrana->setAlignment(Qt::AlignCenter);
  bar->addWidget(LblStrana);
  button(BtnSledeca, "BtnSledeca", ">");
  button(BtnPoslednja, "BtnPoslednja", ">|");
  bar->addSpacing(16);
  button(BtnUmanji, "BtnUmanji", "-");
  m_zoomLabel = new QLabel(this);
  bar->addWidget(m_zoomLabel);
  button(BtnUvecaj, "BtnUvecaj", "+");
  bar->addStretch();
  button(BtnStampa, "BtnStampa", "&Stampaj");
  button(BtnPdf, "BtnPdf", "Sacuvaj &PDF");
  button(BtnZatvori, "BtnZatvori", "&Zatvori");

  m_view = new PageView(*this);
  m_scroll = new QScrollArea(this);
  m_scroll->setWidget(m_view);
  m_scroll->setAlignment(Qt::AlignHCenter);
  m_scroll->setBackgroundRole(QPalette::Dark);

  auto *layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(m_scroll, 1);

  connect(BtnPrva, &QPushButton::clicked, this, [this] { showPage(0); });
  connect(BtnPrethodna, &QPushButton::clicked, this, [this] { previousPage(); });
  connect(BtnSledeca, &QPushButton::clicked, this, [this] { nextPage(); });
  connect(BtnPoslednja, &QPushButton::clicked, this, [this] { showPage(pageCount() - 1); });
  connect(BtnUmanji, &QPushButton::clicked, this, [this] {
    for (auto it = std::rbegin(kZoomSteps); it != std::rend(kZoomSteps); ++it)
      if (*it < m_zoom - 1e-9) {
        setZoom(*it);
        return;
      }
  });
  connect(BtnUvecaj, &QPushButton::clicked, this, [this] {
    for (double z : kZoomSteps)
      if (z > m_zoom + 1e-9) {
        setZoom(z);
        return;
      }
  });
  connect(BtnStampa, &QPushButton::clicked, this, [this] { print(); });
  connect(BtnPdf, &QPushButton::clicked, this, [this] {
    const QString path = askPdfPath ? askPdfPath() : QString();
    if (!path.isEmpty())
      savePdf(path);
  });
  connect(BtnZatvori, &QPushButton::clicked, this, &QDialog::accept);

  resize(900, 1000);
  m_view->fit();
  refresh();
}

ReportPreview::~ReportPreview() = default;

int ReportPreview::pageCount() const {
  return m_report->pageCount();
}

void ReportPreview::showPage(int page) {
  const int clamped = std::clamp(page, 0, pageCount() - 1);
  if (clamped == m_page)
    return;
  m_page = clamped;
  refresh();
  m_scroll->ensureVisible(0, 0);
}

void ReportPreview::setZoom(double zoom) {
  m_zoom = std::clamp(zoom, kZoomSteps[0], std::end(kZoomSteps)[-1]);
  m_view->fit();
  refresh();
}

void ReportPreview::refresh() {
  LblStrana->setText(QStringLiteral("Strana %1 od %2").arg(m_page + 1).arg(pageCount()));
  m_zoomLabel->setText(QStringLiteral("%1%").arg(qRound(m_zoom * 100)));
  BtnPrva->setEnabled(m_page > 0);
  BtnPrethodna->setEnabled(m_page > 0);
  BtnSledeca->setEnabled(m_page < pageCount() - 1);
  BtnPoslednja->setEnabled(m_page < pageCount() - 1);
  m_view->update();
}

bool ReportPreview::savePdf(const QString &path) {
  QString error;
  if (ReportOutput::writePdf(*m_report, path, &error))
    return true;
  QMessageBox::warning(this, QStringLiteral("Greska"), error);
  return false;
}

void ReportPreview::print() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setFullPage(true); // the report keeps its own margins
  printer.setFromTo(1, pageCount());
  QPrintDialog dialog(&printer, this);
  dialog.setMinMax(1, pageCount());
  if (dialog.exec() != QDialog::Accepted)
    return;
  int from = 0, to = pageCount() - 1;
  if (printer.printRange() == QPrinter::PageRange) {
    from = printer.fromPage() - 1;
    to = printer.toPage() - 1;
  } else if (printer.printRange() == QPrinter::CurrentPage) {
    from = to = m_page;
  }
  if (!ReportOutput::render(*m_report, printer, from, to))
    QMessageBox::warning(this, QStringLiteral("Greska"), QStringLiteral("Stampanje nije uspelo."));
}

bool ReportPreview::printOn(const BandedReport &report, const QString &printerName, QString *error) {
  const QPrinterInfo info = QPrinterInfo::printerInfo(printerName);
  if (info.isNull()) {
    if (error)
      *error = QStringLiteral("STAMPAC %1 NIJE DOSTUPAN").arg(printerName);
    return false;
  }
  QPrinter printer(info, QPrinter::HighResolution);
  printer.setFullPage(true); // the report keeps its own margins
  printer.setDocName(report.title);
  if (!ReportOutput::render(report, printer)) {
    if (error)
      *error = QStringLiteral("STAMPANJE NA %1 NIJE USPELO").arg(printerName);
    return false;
  }
  return true;
}

void ReportPreview::keyPressEvent(QKeyEvent *event) {
  switch (event->key()) {
  case Qt::Key_PageDown:
    nextPage();
    return;
  case Qt::Key_PageUp:
    previousPage();
    return;
  case Qt::Key_Home:
    showPage(0);
    return;
  case Qt::Key_End:
    showPage(pageCount() - 1);
    return;
  default:
    QDialog::keyPressEvent(event);
  }
}
