#include "util_class/country_prefix.h"

#include <gtest/gtest.h>

#include "../cloud/qt_print.h"

TEST(CountryPrefix, PaddingTable) {
  const QList<int> known = {0, 1, 7, 9, 10, 44, 86, 99, 100, 150, 199, 200, 250, 852, 1264, -5};
  const struct {
    int code;
    const char* prefix;
  } cases[] = {
      {86, "0086"},   {852, "852"}, {1, "0001"},  {150, "0150"}, {250, "250"},  {0, "0000"},
      {9, "0009"},    {10, "0010"}, {99, "0099"}, {100, "0100"}, {199, "0199"}, {200, "200"},
      {1264, "1264"}, {-5, "-5"},   {33, ""},     {853, ""},     {-86, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(countryCodePrefix(c.code, known), QString(c.prefix)) << c.code;
  EXPECT_EQ(countryCodePrefix(86, {}), QString());
}
