#include "common/textfields.h"

#include <gtest/gtest.h>

TEST(IsNumber, DigitsOnlyAfterTrimming) {
  EXPECT_TRUE(Is_Number("0123"));
  EXPECT_TRUE(Is_Number("  42 "));
  EXPECT_TRUE(Is_Number(""));
  EXPECT_TRUE(Is_Number("   "));
  EXPECT_FALSE(Is_Number("12a"));
  EXPECT_FALSE(Is_Number("-1"));
  EXPECT_FALSE(Is_Number("1,5"));
  EXPECT_FALSE(Is_Number("1 2"));
  EXPECT_FALSE(Is_Number(QString::fromUtf8("١٢"))); // other scripts' digits are not digits here
}

TEST(CSVGet, SplitsFieldsWithQuotes) {
  const QChar sep(';');
  const QString line = QStringLiteral("1;\"Hleb; beli\";\"Kafa \"\"Jubilarna\"\"\";;12.5");
  EXPECT_EQ(CSVGet(line, 1, sep), "1");
  EXPECT_EQ(CSVGet(line, 2, sep), "Hleb; beli");
  EXPECT_EQ(CSVGet(line, 3, sep), "Kafa \"Jubilarna\"");
  EXPECT_EQ(CSVGet(line, 4, sep), "");
  EXPECT_EQ(CSVGet(line, 5, sep), "12.5");
  EXPECT_EQ(CSVGet(line, 6, sep), ""); // missing field
  EXPECT_EQ(CSVGet(line, 0, sep), "");
}

TEST(CSVGet, EdgeQuotes) {
  const QChar sep(',');
  EXPECT_EQ(CSVGet("\"\"", 1, sep), "");           // empty quoted field
  EXPECT_EQ(CSVGet("\"\"\"\"", 1, sep), "\"");     // a quoted doubled quote
  EXPECT_EQ(CSVGet("a\"b\",c", 1, sep), "a\"b\""); // quote inside a field is kept
  EXPECT_EQ(CSVGet("a,\"b,c", 2, sep), "\"b,c");   // unclosed quote swallows the rest
  EXPECT_EQ(CSVGet("", 1, sep), "");
}
