#include "sales/freetablepicker.h"

bool FreeTablePicker::load() {
  Edit1.clear();
  izabraniSto.reset();
  const auto free = m_repo.freeTables();
  m_tables = free.value_or({});
  return free.ok();
}

bool FreeTablePicker::reload() {
  const auto free = m_repo.freeTables();
  if (!free)
    return false;
  m_tables = *free;
  return true;
}

bool FreeTablePicker::numberEntered() {
  const QString text = Edit1.trimmed();
  if (text.isEmpty())
    return false;
  bool ok = false;
  const int number = text.toInt(&ok);
  if (!ok)
    return false;
  for (const RestaurantTable &t : m_tables) {
    if (t.brstola == number) {
      izabraniSto = number;
      return true;
    }
  }
  return false;
}

bool FreeTablePicker::rowChosen(int row) {
  if (row < 0 || row >= m_tables.size())
    return false;
  izabraniSto = m_tables[row].brstola;
  return true;
}
