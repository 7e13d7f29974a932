// Test fixture for the sign-in dialog and the picker: a main window with a
// scratch data folder, the build's program folder (pictures), a cloud entry
// URL that nothing answers, and a small country table.
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <utility>

#include "http_command/cloud_config.h"
#include "mainwindow.h"
#include "util_class/country_code.h"

class MainWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(data_.isValid());
    qputenv("CAMVIEWER_DATA_DIR", data_.path().toUtf8());
    qputenv("CAMVIEWER_PROGRAM_DIR", QByteArray(CAMVIEWER_TEST_PROGRAM_DIR));
    qputenv(cloud_config::kUrlVariable, "https://127.0.0.1:9");  // nothing answers there
    mainwindow = new MainWindow(nullptr);
    mainwindow->CountryCode_List = new CountryCodeList;
    const std::pair<int, const char*> countries[] = {
        {1, "United States"}, {44, "United Kingdom"}, {86, "China"},
        {852, "Hong Kong"},   {56, "Chile"},          {853, "Macao"}};
    for (const auto& c : countries) {
      auto* entry = new CountryCode;
      entry->code = c.first;
      entry->en = QString::fromLatin1(c.second);
      mainwindow->CountryCode_List->append(entry);
    }
  }
  void TearDown() override {
    delete mainwindow;
    mainwindow = nullptr;
    loginwindow = nullptr;
    qunsetenv("CAMVIEWER_DATA_DIR");
    qunsetenv("CAMVIEWER_PROGRAM_DIR");
    qunsetenv(cloud_config::kUrlVariable);
  }

  QString dataPath(const QString& name) const { return data_.path() + "/" + name; }

  QTemporaryDir data_;
};
