// The sign-in dialog's and the country picker's rules without a window.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "util_class/user_local_config.h"
#include "view/country_filter.h"
#include "view/login_form.h"

namespace {

const QList<int> kCodes = {1, 44, 86, 852, 150};

struct InputCase {
  const char* name;
  int mode;
  const char* email;
  const char* phone;
  const char* password;
  int code;
  const char* message;
  const char* challengeName;
  const char* userName;
  const char* sentPassword;
};

class LoginInputTable : public ::testing::TestWithParam<InputCase> {};

TEST_P(LoginInputTable, GivesTheNamesOrTheMessage) {
  const InputCase& c = GetParam();
  const LoginInput in = checkLoginInput(c.mode, c.email, c.phone, c.password, c.code, kCodes);
  EXPECT_EQ(in.message.toStdString(), c.message);
  if (in.message.isEmpty()) {
    EXPECT_EQ(in.challengeName.toStdString(), c.challengeName);
    EXPECT_EQ(in.userName.toStdString(), c.userName);
    EXPECT_EQ(in.password.toStdString(), c.sentPassword);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, LoginInputTable,
    ::testing::Values(
        InputCase{"Email", kLoginByEmail, " a@b.c ", "", " pw ", 0, "", "a@b.c", "a@b.c", "pw"},
        InputCase{"EmailEmptyName", kLoginByEmail, "   ", "123", "pw", 86, "User name is empty !!!",
                  "", "", ""},
        InputCase{"PasswordOfSpaces", kLoginByEmail, "a@b.c", "", "    ", 0,
                  "Password is empty !!!", "", "", ""},
        InputCase{"NameCheckedFirst", kLoginByPhone, "a@b.c", "", "", 86,
                  "User name is empty !!!", "", "", ""},
        InputCase{"Phone86", kLoginByPhone, "", "13800138000", "pw", 86, "", "008613800138000",
                  "13800138000", "pw"},
        InputCase{"Phone852", kLoginByPhone, "", "61234567", "pw", 852, "", "85261234567",
                  "61234567", "pw"},
        InputCase{"Phone1", kLoginByPhone, "", "5550100", "pw", 1, "", "00015550100", "5550100",
                  "pw"},
        InputCase{"Phone150", kLoginByPhone, "", "77", "pw", 150, "", "015077", "77", "pw"},
        InputCase{"PhoneCodeNotInTable", kLoginByPhone, "", "77", "pw", 999, "", "77", "77", "pw"},
        InputCase{"PhoneNoCodeChosen", kLoginByPhone, "", "77", "pw", 0, "", "77", "77", "pw"}),
    [](const ::testing::TestParamInfo<InputCase>& i) { return std::string(i.param.name); });

UserLocalConfig config(int remember, int mode, int code) {
  UserLocalConfig c;
  c.emailUserName = "a@b.c";
  c.emailPassWord = "mailpw";
  c.phoneUserName = "13800138000";
  c.phonePassWord = "phonepw";
  c.countryCode = code;
  c.remeberUser = remember;
  c.loginMode = mode;
  return c;
}

TEST(RestoreLogin, EmailModeFillsTheEmailFields) {
  const RestoredLogin r = restoreLogin(config(1, kLoginByEmail, 86), kCodes);
  EXPECT_TRUE(r.remembered);
  EXPECT_EQ(r.mode, kLoginByEmail);
  EXPECT_EQ(r.emailUserName, "a@b.c");
  EXPECT_EQ(r.password, "mailpw");
  EXPECT_TRUE(r.phoneUserName.isEmpty());
  EXPECT_EQ(r.countryCode, 86);
}

TEST(RestoreLogin, PhoneModeFillsThePhoneFieldsAndTheCountry) {
  const RestoredLogin r = restoreLogin(config(1, kLoginByPhone, 852), kCodes);
  EXPECT_EQ(r.mode, kLoginByPhone);
  EXPECT_EQ(r.phoneUserName, "13800138000");
  EXPECT_EQ(r.password, "phonepw");
  EXPECT_EQ(r.prefixText, "+852");
  EXPECT_EQ(r.countryIndex, 3);
}

TEST(RestoreLogin, PhoneCodeOutsideTheTableLeavesTheCountryAlone) {
  const RestoredLogin r = restoreLogin(config(1, kLoginByPhone, 7), kCodes);
  EXPECT_EQ(r.mode, kLoginByPhone);
  EXPECT_TRUE(r.prefixText.isEmpty());
  EXPECT_EQ(r.countryIndex, -1);
}

TEST(RestoreLogin, NotRememberedFillsNothing) {
  const RestoredLogin r = restoreLogin(config(0, kLoginByPhone, 86), kCodes);
  EXPECT_FALSE(r.remembered);
  EXPECT_TRUE(r.password.isEmpty());
  EXPECT_TRUE(r.phoneUserName.isEmpty());
  EXPECT_EQ(r.countryCode, 86);  // the dialog's code is taken all the same
}

TEST(RestoreLogin, UnknownStoredModeIsTheEmailMode) {
  const RestoredLogin r = restoreLogin(config(1, 7, 86), kCodes);
  EXPECT_EQ(r.mode, kLoginByEmail);
  EXPECT_EQ(r.emailUserName, "a@b.c");
}

TEST(ForgetStoredPasswords, RemembermeOffLeavesNoPasswordInConfigJson) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  qputenv("CAMVIEWER_DATA_DIR", dir.path().toLocal8Bit());
  EXPECT_FALSE(forgetStoredPasswords("nobody"));  // no file: nothing written
  EXPECT_FALSE(QFile::exists(userConfigFilePath("nobody")));
  ASSERT_TRUE(QDir().mkpath(QFileInfo(userConfigFilePath("u1")).absolutePath()));
  ASSERT_TRUE(writeConfigFileUserinfo("u1", "a@b.c", "mailpw-123", "138", "phonepw-456", 86, 1,
                                      kLoginByPhone));
  ASSERT_TRUE(forgetStoredPasswords("u1"));
  QFile f(userConfigFilePath("u1"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray text = f.readAll();
  EXPECT_FALSE(text.contains("mailpw-123")) << text.toStdString();
  EXPECT_FALSE(text.contains("phonepw-456")) << text.toStdString();
  UserLocalConfig c;
  ASSERT_TRUE(readConfigFileFromUsername("u1", c));
  EXPECT_EQ(c.emailUserName, "a@b.c");
  EXPECT_EQ(c.phoneUserName, "138");
  EXPECT_EQ(c.countryCode, 86);
  EXPECT_EQ(c.remeberUser, 0);
  EXPECT_EQ(c.loginMode, kLoginByPhone);
  qunsetenv("CAMVIEWER_DATA_DIR");
}

const QStringList kNames = {"China", "Hong Kong", "Chile", "United Kingdom", "Macao"};

struct FilterCase {
  const char* filter;
  QList<int> shown;
};

class CountryFilterTable : public ::testing::TestWithParam<FilterCase> {};

TEST_P(CountryFilterTable, ShowsTheNamesContainingTheText) {
  EXPECT_EQ(filterCountries(kNames, GetParam().filter), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Table, CountryFilterTable,
                         ::testing::Values(FilterCase{"", {0, 1, 2, 3, 4}},
                                           FilterCase{"chi", {0, 2}}, FilterCase{"CHI", {0, 2}},
                                           FilterCase{"kong", {1}}, FilterCase{"ng", {1, 3}},
                                           FilterCase{"xyz", {}}));

struct DoneCase {
  const char* text;
  int picked;
};

class CountryDoneTable : public ::testing::TestWithParam<DoneCase> {};

TEST_P(CountryDoneTable, PicksTheWholeNameWithTheSameCase) {
  EXPECT_EQ(countryForDone(kNames, GetParam().text), GetParam().picked);
}

INSTANTIATE_TEST_SUITE_P(Table, CountryDoneTable,
                         ::testing::Values(DoneCase{"China", 0}, DoneCase{"  Hong Kong ", 1},
                                           DoneCase{"china", -1}, DoneCase{"Chin", -1},
                                           DoneCase{"", -1}));

TEST(CountryButtonText, NameFourBlanksPlusAndCode) {
  EXPECT_EQ(countryButtonText("United Kingdom", 44), "United Kingdom    +44");
  EXPECT_EQ(countryPrefixText(852), "+852");
}

}  // namespace
