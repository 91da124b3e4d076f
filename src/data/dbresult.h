#pragma once

#include <QSqlError>
#include <QString>

#include <utility>
#include <variant>

// Why the database refused or failed a statement.
struct DbError {
  QString text;                // the database's own words, for the message the user sees
  bool keyViolation = false;   // a duplicate key (the old "Key violation.")
  bool connectionLost = false; // the driver lost the connection (the server went away)

  static DbError from(const QSqlError &error);
};

// What every operation of the data layer gives back: its value, or why it has none.
// Callers must look at it; a write whose failure nobody hears of is how a failed
// storno came to be reported as done.
template <typename T = void> class [[nodiscard]] DbResult {
public:
  DbResult(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
  DbResult(DbError error) : m_state(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return m_state.index() == 0; }
  explicit operator bool() const { return ok(); }

  const T &value() const & { return std::get<0>(m_state); }
  T &value() & { return std::get<0>(m_state); }
  T &&value() && { return std::get<0>(std::move(m_state)); }
  const T &operator*() const & { return value(); }
  T &operator*() & { return value(); }
  const T *operator->() const { return &value(); }
  T *operator->() { return &value(); }
  // The value, or fallback where the caller has a documented answer for a failure.
  T value_or(T fallback) const & { return ok() ? value() : std::move(fallback); }

  const DbError &failure() const { return std::get<1>(m_state); }
  QString error() const { return ok() ? QString() : failure().text; }

private:
  std::variant<T, DbError> m_state;
};

template <> class [[nodiscard]] DbResult<void> {
public:
  DbResult() = default;
  DbResult(DbError error) : m_error(std::move(error)), m_failed(true) {}

  bool ok() const { return !m_failed; }
  explicit operator bool() const { return ok(); }

  const DbError &failure() const { return m_error; }
  QString error() const { return m_error.text; }

private:
  DbError m_error;
  bool m_failed = false;
};

// Passes a failure of one step on to the caller of a composed operation.
#define DB_TRY(expr)                                                                                         \
  do {                                                                                                       \
    if (auto dbTryResult_ = (expr); !dbTryResult_)                                                           \
      return dbTryResult_.failure();                                                                         \
  } while (false)
