#include "util_class/safe_file_name.h"

#include <gtest/gtest.h>

#include "qt_print.h"

TEST(SafeFileName, Table) {
  const struct {
    QString name;
    QString expected;
  } cases[] = {
      {"Front door", "Front door"},
      {QString::fromUtf8("Caf\xC3\xA9 \xE5\xAE\xA2\xE5\x8E\x85"),
       QString::fromUtf8("Caf\xC3\xA9 \xE5\xAE\xA2\xE5\x8E\x85")},
      {"it's (1).x", "it's (1).x"},
      {"a/b\\c", "a_b_c"},
      {QString("nul") + QChar(0) + "x", "nul_x"},
      {"tab\there\nnl\x7f", "tab_here_nl_"},
      {"", "CAM01"},
      {".", "CAM01"},
      {"..", "CAM01"},
      {"...", "..."},
      {"../..", ".._.."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(safe_file_name(c.name, "CAM01"), c.expected) << c.name.toStdString();
  }
  EXPECT_EQ(safe_file_name("", ""), "_");
  EXPECT_EQ(safe_file_name("..", "/"), "_");
}

TEST(SafeFileName, LongNamesAreCutOnCharacterBoundaries) {
  EXPECT_EQ(safe_file_name(QString(300, 'a'), "x").size(), kMaxFileNameBytes);
  const QString cjk = QString(100, QChar(0x5BA2));  // 3 UTF-8 bytes each
  const QString cut = safe_file_name(cjk, "x");
  EXPECT_LE(cut.toUtf8().size(), kMaxFileNameBytes);
  EXPECT_EQ(cut.size(), kMaxFileNameBytes / 3);
  QString emoji;
  for (int i = 0; i < 60; ++i) emoji += QString::fromUtf8("\xF0\x9F\x93\xB7");  // 4 bytes, 2 units
  const QString e = safe_file_name(emoji, "x");
  EXPECT_EQ(e.toUtf8().size(), kMaxFileNameBytes);
  EXPECT_FALSE(e.back().isHighSurrogate());
  EXPECT_EQ(safe_file_name(QString(200, 'b'), "x"), QString(200, 'b'));
}
