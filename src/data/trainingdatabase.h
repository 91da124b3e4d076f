#pragma once

#include <QString>

class Database;

// The database a till in training sells into: an SQLite file of its own,
// beside the shop's kasa.db, so no practice receipt ever reaches the books.
namespace TrainingDatabase {

QString fileName(); // "kasa-obuka.db"

// Where the training file lies for the configured kind: the database directory
// for SQLite, the working directory for a PostgreSQL shop (whose database is
// on a server). Empty for a kind that cannot be opened at all.
QString pathFor(int tipBaze, const QString &putanjaBaza, const QString &workDir);

// Opens the training database. The first time, an SQLite shop's kasa.db is
// copied (read, never written), so cashiers practise on the shop's own
// articles, waiters and tables; otherwise it starts with an empty schema.
bool open(Database &db, int tipBaze, const QString &putanjaBaza, const QString &workDir);

} // namespace TrainingDatabase
