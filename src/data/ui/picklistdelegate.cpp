#include "data/ui/picklistdelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

namespace {
const char *const kCellEditor = "kasaCellEditor";
} // namespace

// Values are edited as the grid shows them (numbers in the locale's format)
// and handed to the model as typed text, which the column checks read.
QWidget *PickListDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                        const QModelIndex &) const {
  if (m_readOnly)
    return nullptr;
  QWidget *editor = nullptr;
  if (m_items.isEmpty()) {
    editor = new QLineEdit(parent);
  } else {
    auto *combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->addItems(m_items);
    editor = combo;
  }
  editor->setProperty(kCellEditor, true);
  return editor;
}

void PickListDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const {
  const QString shown = index.data(Qt::DisplayRole).toString();
  if (auto *combo = qobject_cast<QComboBox *>(editor))
    combo->setCurrentText(shown);
  else if (auto *line = qobject_cast<QLineEdit *>(editor))
    line->setText(shown);
}

void PickListDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                    const QModelIndex &index) const {
  QString typed;
  if (auto *combo = qobject_cast<QComboBox *>(editor))
    typed = combo->currentText();
  else if (auto *line = qobject_cast<QLineEdit *>(editor))
    typed = line->text();
  else
    return;
  if (typed != index.data(Qt::DisplayRole).toString())
    model->setData(index, typed, Qt::EditRole);
}

void commitOpenEditor(QAbstractItemView *view) {
  QWidget *editor = QApplication::focusWidget();
  while (editor && !editor->property(kCellEditor).toBool())
    editor = editor->parentWidget();
  if (!editor || !editor->isVisible() || editor->parentWidget() != view->viewport())
    return;
  QMetaObject::invokeMethod(view, "commitData", Q_ARG(QWidget *, editor));
  QMetaObject::invokeMethod(view, "closeEditor", Q_ARG(QWidget *, editor),
                            Q_ARG(QAbstractItemDelegate::EndEditHint, QAbstractItemDelegate::NoHint));
}
