#pragma once

#include "data/tablerepository.h"

#include <QList>
#include <QString>

#include <optional>

// TfrmOtvSto's model: the free tables, and the one the waiter picks to open, by its
// number or from the list.
class FreeTablePicker {
public:
  explicit FreeTablePicker(Database &db) : m_repo(db) {}

  QString Edit1; // "BROJ STOLA"
  // izabraniSto: the chosen table; nothing until one is chosen.
  std::optional<int> izabraniSto;

  // The free tables read again, the number and the choice emptied; false when they
  // cannot be read (the list is then empty).
  bool load();
  // The free tables read again, keeping the number typed (another till opened or freed
  // some); false, and the list as it was, when they cannot be read.
  bool reload();
  const QList<RestaurantTable> &tables() const { return m_tables; }
  // Enter in "BROJ STOLA": true (chosen) only for the number of a free table.
  bool numberEntered();
  // Enter or double click on a row of the list.
  bool rowChosen(int row);

private:
  TableRepository m_repo;
  QList<RestaurantTable> m_tables;
};
