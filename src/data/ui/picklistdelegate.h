#pragma once

#include <QStringList>
#include <QStyledItemDelegate>

// The editor of a grid column: a line for typing, a list of values to pick
// from (typing still allowed), or none for a read-only column. Whatever is
// typed reaches the model as text, through its column checks.
class PickListDelegate : public QStyledItemDelegate {
  Q_OBJECT
public:
  PickListDelegate(const QStringList &items, QObject *parent = nullptr)
      : QStyledItemDelegate(parent), m_items(items) {}
  static PickListDelegate *readOnly(QObject *parent) {
    auto *d = new PickListDelegate({}, parent);
    d->m_readOnly = true;
    return d;
  }

  QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                        const QModelIndex &index) const override;
  void setEditorData(QWidget *editor, const QModelIndex &index) const override;
  void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

private:
  QStringList m_items;
  bool m_readOnly = false;
};

class QAbstractItemView;
// Writes what an open cell editor of view holds into the model and closes it
// (before a post, e.g. when the window closes).
void commitOpenEditor(QAbstractItemView *view);
