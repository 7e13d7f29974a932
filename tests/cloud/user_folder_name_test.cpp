// User names become folder names: ordinary names stay as they are, and no
// two user names may ever share a folder (config.json holds passwords).
#include "util_class/user_folder_name.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QSet>
#include <QStringList>
#include <random>

#include "qt_print.h"
#include "util_class/safe_file_name.h"

namespace {

// An independent reading of the folder name back into the user name: %XX
// escapes become their bytes, everything else its own UTF-8. Cut names
// (ending in "%~" and a hash) are not read back.
QByteArray decodedBytes(const QString& folder) {
  const QByteArray in = folder.toUtf8();
  QByteArray out;
  for (int i = 0; i < in.size(); ++i) {
    if (in[i] == '%' && i + 2 < in.size()) {
      out += QByteArray::fromHex(in.mid(i + 1, 2));
      i += 2;
    } else {
      out += in[i];
    }
  }
  return out;
}

// The user name's bytes as the folder name spells them (a lone surrogate
// as its three-byte form).
QByteArray nameBytes(const QString& name) {
  QByteArray out;
  for (int i = 0; i < name.size(); ++i) {
    const uint c = name.at(i).unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
      out += name.mid(i, 2).toUtf8();
      ++i;
    } else if (QChar::isSurrogate(c)) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += name.mid(i, 1).toUtf8();
    }
  }
  return out;
}

bool isCut(const QString& folder) { return folder.contains(QLatin1String("%~")); }

}  // namespace

TEST(UserFolderName, OrdinaryNamesAreUnchanged) {
  for (const QString& name :
       {QString("alice@example.com"), QString("13800138000"), QString("it's (1).x"), QString("_"),
        QString("..."), QString("a_b"), QString(".hidden"),
        QString::fromUtf8("Caf\xC3\xA9 \xE5\xAE\xA2\xE5\x8E\x85"), QString(200, 'b')}) {
    EXPECT_EQ(user_folder_name(name), name) << name.toStdString();
  }
}

TEST(UserFolderName, WhatCannotStandInAFileNameIsEscaped) {
  const struct {
    QString name;
    QString folder;
  } cases[] = {
      {"a/b", "a%2Fb"},
      {"a\\b", "a%5Cb"},
      {"50%", "50%25"},
      {"%2F", "%252F"},
      {"../../etc", "..%2F..%2Fetc"},
      {QString("nul") + QChar(0) + "x", "nul%00x"},
      {"tab\tnl\n\x7f", "tab%09nl%0A%7F"},
      {QString(QChar(0x85)), "%C2%85"},
      {QString(QChar(0xD800)) + "x", "%ED%A0%80x"},
      {"", "%"},
      {".", "%2E"},
      {"..", "%2E%2E"},
  };
  for (const auto& c : cases) EXPECT_EQ(user_folder_name(c.name), c.folder) << c.name.toStdString();
}

// Pairs that the old "replace with _" rule sent to one folder, and pairs an
// encoding could easily confuse.
TEST(UserFolderName, NoTwoNamesShareAFolder) {
  const QString longA = QString(300, 'x') + "a";
  const QString longB = QString(300, 'x') + "b";
  const QString cutOfA = user_folder_name(longA);
  const struct {
    const char* why;
    QString one;
    QString other;
  } pairs[] = {
      {"slash against underscore", "a/b", "a_b"},
      {"backslash against underscore", "a\\b", "a_b"},
      {"slash against backslash", "a/b", "a\\b"},
      {"dot-dot against underscore", "..", "_"},
      {"dot against underscore", ".", "_"},
      {"empty against underscore", "", "_"},
      {"empty against percent", "", "%"},
      {"dot against its escape", ".", "%2E"},
      {"dot-dot against its escape", "..", "%2E%2E"},
      {"escape text against the slash", "%2F", "/"},
      {"escape text against the escaped slash", "%2F", "a/b"},
      {"NUL against control", QString(QChar(0)), "\x01"},
      {"control against underscore", "a\tb", "a_b"},
      {"lone surrogate against replacement", QString(QChar(0xDC00)), QString(QChar(0xFFFD))},
      {"lone surrogate against question mark", QString(QChar(0xDC00)), "?"},
      {"long names differing only at the end", longA, longB},
      {"long name against its own cut folder name", longA, cutOfA},
      {"long name against its first 200 bytes", longA, longA.left(200)},
  };
  for (const auto& p : pairs) {
    EXPECT_NE(user_folder_name(p.one), user_folder_name(p.other)) << p.why;
  }
}

TEST(UserFolderName, LongNamesAreCutWithinTheCapOnCharacterBoundaries) {
  const struct {
    const char* what;
    QString name;
  } cases[] = {
      {"ascii", QString(300, 'a')},
      {"three-byte characters", QString(100, QChar(0x5BA2))},
      {"escapes", QString(150, '/')},
      {"surrogate pairs", QString::fromUtf8("\xF0\x9F\x93\xB7").repeated(60)},
      {"escapes after ascii", QString(190, 'a') + QString(20, '%')},
  };
  for (const auto& c : cases) {
    const QString folder = user_folder_name(c.name);
    const QByteArray bytes = folder.toUtf8();
    EXPECT_LE(bytes.size(), kMaxFileNameBytes) << c.what;
    EXPECT_TRUE(isCut(folder)) << c.what;
    EXPECT_EQ(QString::fromUtf8(bytes).toUtf8(), bytes) << c.what;  // valid UTF-8 throughout
    // The kept part spells the start of the name, with no escape cut in two.
    const QByteArray kept = bytes.left(bytes.indexOf("%~"));
    EXPECT_TRUE(nameBytes(c.name).startsWith(decodedBytes(QString::fromUtf8(kept)))) << c.what;
    EXPECT_FALSE(kept.endsWith('%') || kept.left(kept.size() - 1).endsWith('%')) << c.what;
  }
  EXPECT_EQ(user_folder_name(QString(200, 'b')), QString(200, 'b'));  // at the cap: whole
}

// Many names made of the characters that matter: every uncut folder name
// reads back as its user name, and no two names meet.
TEST(UserFolderName, RandomNamesReadBackAndStayDistinct) {
  const QString alphabet = QString("a_./\\%2FE") + QChar(0) + QChar('\n') + QChar(0x85) +
                           QChar(0xD800) + QChar(0xDC00) + QChar(0x5BA2);
  std::mt19937 rng(12);
  QSet<QString> names;
  QSet<QString> folders;
  for (int i = 0; i < 20000; ++i) {
    QString name;
    const int len = int(rng() % 12) + (i % 50 == 0 ? 190 : 0);
    for (int k = 0; k < len; ++k) name += alphabet.at(int(rng() % alphabet.size()));
    if (names.contains(name)) continue;
    names.insert(name);
    const QString folder = user_folder_name(name);
    ASSERT_FALSE(folders.contains(folder)) << "two names share " << folder.toStdString();
    folders.insert(folder);
    ASSERT_LE(folder.toUtf8().size(), kMaxFileNameBytes);
    ASSERT_FALSE(folder.contains('/') || folder.contains('\\') || folder.contains(QChar(0)));
    if (!isCut(folder) && folder != "%") {
      ASSERT_EQ(decodedBytes(folder), nameBytes(name)) << folder.toStdString();
    }
  }
}
