#include "http_command/signin.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <tuple>
#include <vector>

#include "qt_print.h"

namespace {

// Every readable field of the store, in field order.
std::tuple<QString, QString, int, int, QString, QString> fields(Signin& s) {
  return {s.get_accessToken(),      s.get_refreshToken(), s.get_accessExpiresIn(),
          s.get_refreshExpiresIn(), s.get_signToken(),    s.get_macDigest()};
}

}  // namespace

TEST(Signin, ConstructorTakesUtf8AndNulls) {
  Signin s("a\xC3\xA9", nullptr, "all", nullptr, 7200, 0, nullptr,
           "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(fields(s), std::make_tuple(QString::fromUtf8("a\xC3\xA9"), QString(), 7200, 0,
                                       QString(), QString("d41d8cd98f00b204e9800998ecf8427e")));
}

TEST(Signin, SettersReplaceOneFieldEach) {
  Signin s("a", "r", "all", "Bearer", 1, 2, "k", "m");
  s.set_accessToken("A");
  EXPECT_EQ(fields(s),
            std::make_tuple(QString("A"), QString("r"), 1, 2, QString("k"), QString("m")));
  s.set_refreshToken("R");
  s.set_accessExpiresIn(10);
  s.set_refreshExpiresIn(20);
  s.set_signToken("K");
  s.set_macDigest("M");
  EXPECT_EQ(fields(s),
            std::make_tuple(QString("A"), QString("R"), 10, 20, QString("K"), QString("M")));
}

// One writer (the GUI thread's refresh handler) against readers (snapshot
// thread, camera requests): every read is one whole value that was written.
TEST(Signin, ReadersNeverSeePartlyWrittenValues) {
  Signin s("token-0", "r", "all", "Bearer", 0, 0, "key-0", "m");
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0};
  // Values the writer below sets: the prefix and a number 1000..4999.
  auto written = [](int n) { return n >= 1000 && n < 5000; };
  auto isWhole = [&written](const QString& v, const char* prefix) {
    bool number = false;
    const int n = v.mid(int(qstrlen(prefix))).toInt(&number);
    return v.startsWith(QLatin1String(prefix)) && v.size() == QString(prefix).size() + 4 &&
           number && written(n);
  };
  std::vector<std::thread> readers;
  for (int r = 0; r < 3; ++r) {
    readers.emplace_back([&] {
      while (!stop.load()) {
        const QString a = s.get_accessToken();
        const QString k = s.get_signToken();
        if (a != "token-0" && !isWhole(a, "token-")) ++bad;
        if (k != "key-0" && !isWhole(k, "key-")) ++bad;
        const int expires = s.get_accessExpiresIn();
        if (expires != 0 && !written(expires)) ++bad;
      }
    });
  }
  for (int i = 1000; i < 5000; ++i) {
    s.set_accessToken(QStringLiteral("token-%1").arg(i));
    s.set_signToken(QStringLiteral("key-%1").arg(i));
    s.set_accessExpiresIn(i);
  }
  stop = true;
  for (auto& t : readers) t.join();
  EXPECT_EQ(bad.load(), 0);
  EXPECT_EQ(s.get_accessToken(), "token-4999");
}
