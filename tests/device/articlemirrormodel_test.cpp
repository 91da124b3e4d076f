#include "device/articlemirrormodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The grid's model through every change the loops and the grid make, watched by Qt's tester.
TEST(ArticleMirrorModel, ChangesKeepTheModelConsistent) {
  ArticleMirror mirror;
  ArticleMirrorModel model(mirror);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  model.insertArticle({QString(), 5, QString(), QStringLiteral("B"), 2, 1});
  model.insertArticle({QString(), 1, QString(), QStringLiteral("A"), 1, 1});
  model.insertArticle({QString(), 9, QString(), QStringLiteral("C"), 3, 1});
  ASSERT_EQ(model.rowCount(), 3);
  EXPECT_EQ(model.index(0, ArticleMirrorModel::NAZIV).data().toString(), QStringLiteral("A"));
  EXPECT_EQ(model.headerData(ArticleMirrorModel::PORESKA_GRUPA, Qt::Horizontal).toString(),
            QStringLiteral("POREZ"));
  EXPECT_EQ(model.index(2, ArticleMirrorModel::CENA).data().toString(), QStringLiteral("3.00"));

  // A new number moves the row into place.
  EXPECT_TRUE(model.setData(model.index(0, ArticleMirrorModel::SIFRA), 7));
  EXPECT_EQ(model.index(1, ArticleMirrorModel::NAZIV).data().toString(), QStringLiteral("A"));
  model.removeArticle(0);
  model.replaceAll({{QString(), 3, QString(), QStringLiteral("X"), 1, 0}});
  EXPECT_EQ(model.rowCount(), 1);
  model.clearAll();
  EXPECT_EQ(model.rowCount(), 0);
}

TEST(ArticleMirrorModel, ColumnChecks) {
  ArticleMirror mirror;
  ArticleMirrorModel model(mirror);
  model.insertArticle({QString(), 1, QString(), QStringLiteral("A"), 1, 1});
  struct Case {
    int column;
    QVariant value;
    bool accepted;
    QVariant stored;
  } cases[] = {
      {ArticleMirrorModel::KSIFRA, "123", true, "0000000000123"},
      {ArticleMirrorModel::KSIFRA, "12a", false, {}},
      {ArticleMirrorModel::KSIFRA, "12345678901234", false, {}},
      {ArticleMirrorModel::BARKOD, "8600000000017", true, "8600000000017"},
      {ArticleMirrorModel::PORESKA_GRUPA, "8", true, 8},
      {ArticleMirrorModel::PORESKA_GRUPA, "9", false, {}},
      {ArticleMirrorModel::CENA, -1.0, false, {}},
      {ArticleMirrorModel::CENA, 12.5, true, 12.5},
      {ArticleMirrorModel::NAZIV, QString(37, 'x'), false, {}},
      {ArticleMirrorModel::NAZIV, "Љиљана", true, "Љиљана"},
      {ArticleMirrorModel::SIFRA, 40000, false, {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.column);
    const QModelIndex i = model.index(0, c.column);
    const QVariant before = i.data(Qt::EditRole);
    EXPECT_EQ(model.setData(i, c.value), c.accepted);
    EXPECT_EQ(i.data(Qt::EditRole), c.accepted ? c.stored : before);
  }
}

// The cancel button's reload: a damaged file leaves the rows on screen alone.
TEST(ArticleMirrorModel, DamagedFileDoesNotCostTheRows) {
  QTemporaryDir dir;
  const QString path = dir.filePath("artikli.dat");
  ArticleMirror mirror;
  ArticleMirrorModel model(mirror);
  model.insertArticle({QString(), 1, QString(), QStringLiteral("A"), 1, 1});
  ASSERT_TRUE(mirror.save(path));
  model.insertArticle({QString(), 2, QString(), QStringLiteral("B"), 1, 1});
  QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
  ASSERT_TRUE(model.loadFrom(path));
  EXPECT_EQ(model.rowCount(), 1);
  EXPECT_EQ(reset.count(), 1);
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("garbage");
  f.close();
  model.insertArticle({QString(), 2, QString(), QStringLiteral("B"), 1, 1});
  QString error;
  EXPECT_FALSE(model.loadFrom(path, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(model.rowCount(), 2);
}

} // namespace
