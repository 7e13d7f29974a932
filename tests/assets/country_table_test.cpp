// countrycode.json in the program folder, read with Qt's JSON parser (the
// program reads it with cJSON), and the script that writes it.
#include "asset_test_support.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

namespace {

QJsonArray countryRows(const QString& path, QByteArray* raw = nullptr) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  if (raw) *raw = bytes;
  return QJsonDocument::fromJson(bytes).object().value("countrycodes").toArray();
}

QJsonArray builtRows(QByteArray* raw = nullptr) {
  return countryRows(assettest::programFile("countrycode.json"), raw);
}

QList<QJsonObject> rowsWithCode(const QJsonArray& rows, int code) {
  QList<QJsonObject> found;
  for (const QJsonValue& v : rows) {
    if (v.toObject().value("code").toInt() == code) found.append(v.toObject());
  }
  return found;
}

QJsonObject rowOf(const QJsonArray& rows, const QString& locale) {
  for (const QJsonValue& v : rows) {
    if (v.toObject().value("locale").toString() == locale) return v.toObject();
  }
  return {};
}

TEST(CountryTable, EveryRowHasTheLayoutTheReaderExpects) {
  QByteArray raw;
  const QJsonArray rows = builtRows(&raw);
  EXPECT_FALSE(raw.contains('\0')) << "the reader stops at the first NUL";
  QJsonParseError error{};
  ASSERT_TRUE(QJsonDocument::fromJson(raw, &error).isObject()) << error.errorString().toStdString();
  ASSERT_GT(rows.size(), 200);
  QSet<QString> locales;
  const QRegularExpression alpha2("^[A-Z]{2}$");
  for (const QJsonValue& v : rows) {
    const QJsonObject row = v.toObject();
    SCOPED_TRACE(QJsonDocument(row).toJson(QJsonDocument::Compact).toStdString());
    ASSERT_TRUE(row.value("code").isDouble());
    const double code = row.value("code").toDouble();
    EXPECT_EQ(code, static_cast<int>(code)) << "whole numbers";
    EXPECT_GT(code, 0);
    EXPECT_LT(code, 1000);
    for (const char* key : {"zht", "en", "locale", "zhs"}) {
      EXPECT_TRUE(row.value(key).isString()) << key;
      EXPECT_FALSE(row.value(key).toString().isEmpty()) << key;
    }
    const QString locale = row.value("locale").toString();
    EXPECT_TRUE(alpha2.match(locale).hasMatch());
    EXPECT_FALSE(locales.contains(locale)) << "listed twice";
    locales.insert(locale);
  }
}

// Facts anyone can check, including the Chinese names: traditional and
// simplified must not be swapped.
TEST(CountryTable, KnownCountriesHaveTheirCodesAndNames) {
  const QJsonArray rows = builtRows();
  const struct {
    const char* locale;
    int code;
    const char* en;
    const char* zht;
    const char* zhs;
  } cases[] = {
      {"CN", 86, "China", "中國", "中国"},
      {"GB", 44, "United Kingdom", "英國", "英国"},
      {"HK", 852, "Hong Kong", "香港", "香港"},
      {"US", 1, "United States", "美國", "美国"},
      {"CA", 1, "Canada", "加拿大", "加拿大"},
      {"JP", 81, "Japan", nullptr, nullptr},
      {"DE", 49, "Germany", nullptr, nullptr},
      {"RU", 7, nullptr, nullptr, nullptr},
      {"IN", 91, "India", nullptr, nullptr},
      {"TW", 886, nullptr, nullptr, nullptr},
      {"MO", 853, nullptr, nullptr, nullptr},
      {"BR", 55, "Brazil", nullptr, nullptr},
      {"EG", 20, "Egypt", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale);
    const QJsonObject row = rowOf(rows, c.locale);
    ASSERT_FALSE(row.isEmpty());
    EXPECT_EQ(row.value("code").toInt(), c.code);
    const std::pair<const char*, const char*> names[] = {{"en", c.en}, {"zht", c.zht}, {"zhs", c.zhs}};
    for (const auto& [key, expected] : names) {
      if (expected) {
        EXPECT_EQ(row.value(key).toString(), QString::fromUtf8(expected)) << key;
      }
    }
  }
  // The sign-in dialog and the picker look a code up: 86 finds China first.
  ASSERT_FALSE(rowsWithCode(rows, 86).isEmpty());
  EXPECT_EQ(rowsWithCode(rows, 86).first().value("locale").toString(), "CN");
  QSet<QString> one;
  for (const QJsonObject& row : rowsWithCode(rows, 1)) one.insert(row.value("locale").toString());
  EXPECT_TRUE(one.contains("US") && one.contains("CA"));
}

TEST(CountryTable, TerritoriesWithoutACallingCodeAreLeftOut) {
  const QJsonArray rows = builtRows();
  for (const char* locale : {"AQ", "BV", "HM", "TF", "UM"}) {
    EXPECT_TRUE(rowOf(rows, locale).isEmpty()) << locale;
  }
}

// The script refuses a calling-code table with a mistake and writes nothing
// then; a good table gives the rows it names.
TEST(CountryTable, ScriptChecksItsCallingCodeTable) {
  const struct {
    const char* what;
    const char* table;
    bool ok;
  } cases[] = {
      {"good table", "CN 86\nGB 44\nAQ -\n# comment\n\nUS 1  # trailing comment\n", true},
      {"code not in iso-codes", "CN 86\nZZ 99\n", false},
      {"listed twice", "CN 86\nCN 87\n", false},
      {"not a number", "CN eighty\n", false},
      {"zero", "CN 0\n", false},
      {"lower case", "cn 86\n", false},
      {"missing code", "CN\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QTemporaryDir dir;
    const QString table = dir.filePath("codes.txt"), out = dir.filePath("countrycode.json");
    QFile file(table);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(c.table);
    file.close();
    QByteArray err;
    const int rc = assettest::runTool(PYTHON3_EXECUTABLE, {COUNTRYCODE_SCRIPT, "--out", out, "--codes", table},
                                      nullptr, &err);
    if (!c.ok) {
      EXPECT_EQ(rc, 1) << err.toStdString();
      EXPECT_FALSE(QFile::exists(out));
      continue;
    }
    EXPECT_EQ(rc, 0) << err.toStdString();
    const QJsonArray rows = countryRows(out);
    ASSERT_EQ(rows.size(), 3);
    // Sorted by English name.
    EXPECT_EQ(rows[0].toObject().value("locale").toString(), "CN");
    EXPECT_EQ(rows[1].toObject().value("locale").toString(), "GB");
    EXPECT_EQ(rows[2].toObject().value("locale").toString(), "US");
    EXPECT_EQ(rows[2].toObject().value("code").toInt(), 1);
  }
}

}  // namespace
