#include "data/codelistrepository.h"
#include "dbfixture.h"

namespace {

using CodeListRepositoryTest = DbTest;
KASA_BOTH_ENGINES(CodeListRepositoryTest);

TEST_P(CodeListRepositoryTest, WaitersByTheirExactCode) {
  CodeListRepository codes(db);
  EXPECT_FALSE(codes.anyAdministrator().value_or(true));
  const auto nobody = codes.firstWaiter();
  ASSERT_TRUE(nobody);
  EXPECT_FALSE(nobody->has_value());
  ASSERT_TRUE(insert("KONOBARI", {{"rbr", 4}, {"sifkonob", "Ab1"}, {"naziv", "Ana"}}));
  ASSERT_TRUE(insert("KONOBARI", {{"rbr", 2}, {"sifkonob", "22"}, {"naziv", "Bora"}, {"admin", true}}));
  EXPECT_TRUE(codes.anyAdministrator().value_or(false));
  struct Case {
    const char *code;
    int rbr; // 0: nobody
  } cases[] = {{"Ab1", 4}, {"ab1", 0}, {"Ab1 ", 0}, {"22", 2}, {"' OR 1=1 --", 0}};
  for (const Case &c : cases) {
    const auto w = codes.waiterByCode(c.code);
    ASSERT_TRUE(w) << w.error().toStdString();
    EXPECT_EQ(w->has_value() ? (*w)->rbr : 0, c.rbr) << c.code;
  }
  const auto bora = codes.waiterByCode("22");
  ASSERT_TRUE(bora && *bora);
  EXPECT_EQ((*bora)->naziv, "Bora");
  EXPECT_TRUE((*bora)->admin);
  const auto first = codes.firstWaiter();
  ASSERT_TRUE(first && *first);
  EXPECT_EQ((*first)->rbr, 2);
  ASSERT_TRUE(codes.setWaiterCode(4, "777"));
  EXPECT_TRUE(codes.waiterByCode("777").value_or(std::nullopt).has_value());
  // Another waiter's code is refused by the database, and the refusal is reported.
  const auto taken = codes.setWaiterCode(4, "22");
  EXPECT_FALSE(taken);
  EXPECT_TRUE(taken.failure().keyViolation) << taken.error().toStdString();
}

} // namespace
