#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class CodeListTableModel;
class Database;
class QKeyEvent;
class PickListDelegate;
class QTableView;
class QToolButton;
class QWidget;
class RecordRules;

// One code list in a grid with its navigator, as every grid of the code-list window
// behaves: leaving a row posts it (an untouched new row is dropped; a refused post keeps
// the cursor), Esc drops the row's edits, a character typed on a cell opens its editor,
// a click on a column title sorts, and a widget can stand over the focused cell of a
// column (a look-up list, a check box) and take the keys typed there.
class RecordGrid : public QObject {
  Q_OBJECT
public:
  // navigatorAt: where the navigator's buttons start in the view's parent; none when null.
  RecordGrid(Database &db, RecordRules &rules, const QString &table, QTableView *view, const QPoint *navigatorAt,
             QObject *parent = nullptr);

  // A model per showing: the database may have been opened again meanwhile.
  void open();
  void release();
  CodeListTableModel *model() const { return m_model; }
  QString table() const { return m_table; }
  QTableView *view() const { return m_view; }

  // Edit mode (editing in place, insert and delete on the navigator) or pick mode
  // (no editing, whole-row selection).
  void setEditable(bool on);
  bool editable() const { return m_editable; }
  void setSortable(bool on) { m_sortable = on; }
  // Column widths in the model's column order.
  void setWidths(const QList<int> &widths) { m_widths = widths; }
  // A column shown in no way (the waiters' codes).
  void hideColumn(const QString &name) { m_hidden << name; }
  // over stands exactly over the focused cell of column while the grid is editable.
  void setCellWidget(const QString &column, QWidget *over);
  // Enter in the grid or a double click (pick mode).
  std::function<void()> chosen;

  int currentRow() const;
  void setCurrentRow(int row);
  // Writes the pending edits; false = refused (the message was shown).
  bool postPending();
  void insertRow();
  void deleteCurrent();
  // Drops the edits of the current row.
  void revertCurrent();

  QToolButton *navFirst = nullptr, *navPrior = nullptr, *navNext = nullptr, *navLast = nullptr,
              *navInsert = nullptr, *navDelete = nullptr;

signals:
  void rowsReloaded();
  // The cell widget was placed over the focused cell (show it the cell's value).
  void overCell(int row);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  bool leaveRow(int row);
  void placeCellWidget();
  bool handleKey(QKeyEvent *key);

  Database &m_db;
  RecordRules &m_rules;
  QString m_table;
  QTableView *m_view;
  CodeListTableModel *m_model = nullptr;
  bool m_editable = false;
  bool m_sortable = false;
  bool m_moving = false; // the cursor is being put back after a refused post
  QList<int> m_widths;
  QStringList m_hidden;
  QString m_overColumn;
  QPointer<QWidget> m_over;
  PickListDelegate *m_overDelegate = nullptr;
};
