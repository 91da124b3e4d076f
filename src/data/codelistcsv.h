#pragma once

#include <QChar>
#include <QSqlRecord>
#include <QString>

#include <optional>

// The five code lists that are imported from CSV files.
enum class CodeList { Partneri, Mesta, Operateri, Stolovi, Grupe };

// The lines of the code lists' CSV files. Fields are split with CSVGet at the
// locale's list separator and cut to their columns' lengths.
namespace CodeListCsv {

// The table a list fills ("PARTNER") and the file name the open dialog proposes ("Partner.CSV").
QString table(CodeList list);
QString proposedFile(CodeList list);

// The row a line becomes, its values for the column checks. A blank line gives no
// row and no error; a number field that is not a whole number gives no row and the
// conversion's error text.
std::optional<QSqlRecord> row(CodeList list, const QString &line, QChar sep, QString *error);

} // namespace CodeListCsv
