#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

class BandedReport;
class QLabel;
class QPushButton;
class QScrollArea;

// The print preview of every printout: shows one page at a time, drawn when it is
// looked at (the first page of a long listing appears at once), with page
// navigation, zoom, printing through the system's print dialog and saving as PDF.
class ReportPreview : public QDialog {
  Q_OBJECT
public:
  explicit ReportPreview(std::shared_ptr<const BandedReport> report, QWidget *parent = nullptr);
  ~ReportPreview() override;

  int pageCount() const;
  int currentPage() const { return m_page; } // from 0
  void showPage(int page);
  void nextPage() { showPage(m_page + 1); }
  void previousPage() { showPage(m_page - 1); }
  double zoom() const { return m_zoom; }
  void setZoom(double zoom);
  // Pages drawn on the screen so far (each repaint counts).
  int pagesDrawn() const { return m_pagesDrawn; }

  // Writes the report to path; shows the reason and answers false when it cannot.
  bool savePdf(const QString &path);
  // The system's print dialog, then the pages chosen in it.
  void print();
  // Every page on the named printer, without a dialog (tickets for a kitchen that does not
  // click through previews). False with the reason when that printer is not there or fails.
  static bool printOn(const BandedReport &report, const QString &printerName, QString *error = nullptr);

  // Asks where to save the PDF (a save-file dialog unless replaced, e.g. by tests).
  std::function<QString()> askPdfPath;

  QPushButton *BtnPrva = nullptr, *BtnPrethodna = nullptr, *BtnSledeca = nullptr, *BtnPoslednja = nullptr;
  QPushButton *BtnUmanji = nullptr, *BtnUvecaj = nullptr, *BtnStampa = nullptr, *BtnPdf = nullptr,
              *BtnZatvori = nullptr;
  QLabel *LblStrana = nullptr;

protected:
  void keyPressEvent(QKeyEvent *event) override;

private:
  class PageView;
  void refresh();

  std::shared_ptr<const BandedReport> m_report;
  PageView *m_view = nullptr;
  QScrollArea *m_scroll = nullptr;
  QLabel *m_zoomLabel = nullptr;
  int m_page = 0;
  double m_zoom = 1.0;
  int m_pagesDrawn = 0;
};
