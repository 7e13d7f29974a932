// The dialogs' decisions without a window: download folders, the About
// links, group names and rows, and where the creation dialog puts things.
#include <gtest/gtest.h>

#include "event/group_creation.h"
#include "util_class/save_folders.h"
#include "view/about_links.h"
#include "view/group_create_geometry.h"

namespace {

TEST(SaveFolders, ChosenFolderAndItsDefaults) {
  const SaveFolders f = saveFoldersUnder(QStringLiteral("/home/a/My Downloads"));
  EXPECT_EQ(f.root, QStringLiteral("/home/a/My Downloads"));
  EXPECT_EQ(f.picture, QStringLiteral("/home/a/My Downloads/Photo"));
  EXPECT_EQ(f.video, QStringLiteral("/home/a/My Downloads/Video"));

  const QString user = QStringLiteral("/data/user_private_dir/alice_private_dir/");
  EXPECT_EQ(saveFoldersShown(QString(), user), user);
  EXPECT_EQ(saveFoldersShown(QStringLiteral("/d"), user), QStringLiteral("/d"));

  const struct {
    SavedKind kind;
    const char* savePath;
    const char* userDir;
    const char* opened;
  } cases[] = {
      {SavedKind::Photo, "/d/Photo", "/u/", "/d/Photo"},
      {SavedKind::Video, "/d/Video", "/u/", "/d/Video"},
      // Nothing chosen: where the snapshots and records land by default.
      {SavedKind::Photo, "", "/u/", "/u/snapshot"},
      {SavedKind::Video, "", "/u/", "/u/record"},
      {SavedKind::Video, "", "/u", "/u/record"},
      {SavedKind::Photo, "", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(savedKindFolder(c.kind, QLatin1String(c.savePath), QLatin1String(c.userDir)),
              QLatin1String(c.opened))
        << c.savePath << " " << c.userDir;
  }
}

TEST(AboutLinks, AddressesAreEscapedIntoTheLink) {
  const struct {
    const char* address;
    const char* text;
  } cases[] = {
      {"", "Terms of Use"},
      {"https://example.com/terms", "<a href=\"https://example.com/terms\">Terms of Use</a>"},
      {"https://e.com/?a=1&b=2", "<a href=\"https://e.com/?a=1&amp;b=2\">Terms of Use</a>"},
      {"x\" onclick=\"y", "<a href=\"x&quot; onclick=&quot;y\">Terms of Use</a>"},
      {"\"><img src=x>", "<a href=\"&quot;&gt;&lt;img src=x&gt;\">Terms of Use</a>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(aboutLinkText(QString::fromUtf8(c.address), QStringLiteral("Terms of Use")),
              QString::fromUtf8(c.text))
        << c.address;
  }
}

TEST(AboutLinks, OnlyWebAddressesOpen) {
  const struct {
    const char* address;
    bool openable;
  } cases[] = {
      {"https://example.com/privacy", true},
      {"http://example.com/terms?x=1", true},
      {"HTTPS://Example.com/", true},
      {"javascript:alert(1)", false},
      {"file:///etc/passwd", false},
      {"data:text/html,<b>x</b>", false},
      {"ftp://example.com/", false},
      {"https://", false},
      {"https:///path-without-host", false},
      {"example.com/terms", false},
      {"", false},
      {"http://exa mple.com/", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(aboutLinkOpenable(QString::fromUtf8(c.address)), c.openable) << c.address;
  }
}

TEST(GroupCreation, NamesCompareExactly) {
  const QStringList existing = {QStringLiteral("Door"), QStringLiteral("it's")};
  const struct {
    const char* name;
    bool taken;
  } cases[] = {{"Door", true},   {"door", false}, {" Door", false}, {"Door ", false},
               {"DOOR", false},  {"it's", true},  {"its", false},   {"", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(groupNameTaken(QString::fromUtf8(c.name), existing), c.taken) << c.name;
  }
  EXPECT_FALSE(groupNameTaken(QStringLiteral("Door"), {}));
}

TEST(GroupCreation, RowKeepsTheSelectionOrder) {
  const struct {
    QStringList ids;
    QStringList stored;  // device_1 .. device_4
  } cases[] = {
      {{}, {"", "", "", ""}},
      {{"C"}, {"C", "", "", ""}},
      {{"C", "A", "B"}, {"C", "A", "B", ""}},
      {{"D", "C", "B", "A"}, {"D", "C", "B", "A"}},
      {{"A", "B", "C", "D", "E"}, {"A", "B", "C", "D"}},
  };
  for (const auto& c : cases) {
    const QuadWindowDevice_local_file_node row = groupRow(QStringLiteral("g"), c.ids);
    EXPECT_EQ(row.groupName, QStringLiteral("g"));
    EXPECT_EQ((QStringList{row.device_1, row.device_2, row.device_3, row.device_4}), c.stored)
        << c.ids.join(',').toStdString();
  }
}

// Design numbers 864 x 555, cells 392 x 232 in two columns, inputs at 467.
TEST(GroupCreateGeometry, DesignNumbersScaledOneByOne) {
  const struct {
    double ws, hs;
    int cells;
    QSize dialog;
    int half;
    QSize input;
    QPoint namePos, buttonPos;
    int rows;
    QSize cellArea, cell, picture;
    QRect nameLabel, orderLabel;
    int font;
  } cases[] = {
      // 3840 x 2160: design units are pixels.
      {1.0, 1.0, 3, {864, 555}, 432, {402, 56}, {15, 467}, {447, 467}, 2, {864, 552},
       {392, 232}, {392, 176}, {0, 176, 350, 56}, {350, 176, 42, 56}, 24},
      // 1920 x 1080.
      {0.5, 0.5, 4, {432, 277}, 216, {186, 28}, {15, 233}, {231, 233}, 2, {432, 276},
       {196, 116}, {196, 88}, {0, 88, 175, 28}, {175, 88, 21, 28}, 12},
      // 2560 x 1440: each value truncated on its own.
      {2560 / 1920.0 * 0.5, 1440 / 1080.0 * 0.5, 1, {576, 370}, 288, {258, 37}, {15, 311},
       {303, 311}, 1, {576, 212}, {261, 154}, {261, 117}, {0, 117, 233, 37}, {233, 117, 28, 37},
       16},
      {1.0, 1.0, 0, {864, 555}, 432, {402, 56}, {15, 467}, {447, 467}, 0, {864, 88},
       {392, 232}, {392, 176}, {0, 176, 350, 56}, {350, 176, 42, 56}, 24},
  };
  for (const auto& c : cases) {
    const GroupCreateGeometry g = groupCreateGeometry(c.ws, c.hs, c.cells);
    SCOPED_TRACE(testing::Message() << c.ws << " x " << c.hs << ", " << c.cells << " cells");
    EXPECT_EQ(g.dialog, c.dialog);
    EXPECT_EQ(g.half, c.half);
    EXPECT_EQ(g.input, c.input);
    EXPECT_EQ(g.namePos, c.namePos);
    EXPECT_EQ(g.buttonPos, c.buttonPos);
    EXPECT_EQ(g.rows, c.rows);
    EXPECT_EQ(g.cellArea, c.cellArea);
    EXPECT_EQ(g.cell, c.cell);
    EXPECT_EQ(g.picture, c.picture);
    EXPECT_EQ(g.nameLabel, c.nameLabel);
    EXPECT_EQ(g.orderLabel, c.orderLabel);
    EXPECT_EQ(g.fontPixels, c.font);
  }
  EXPECT_EQ(groupCreateGeometry(1, 1, 5).rows, 3);
  EXPECT_EQ(groupCreatePosition(784, 180, 0.5, 0.5), QPoint(392, 90));
  EXPECT_EQ(groupCreatePosition(785, 181, 2560 / 1920.0 * 0.5, 1440 / 1080.0 * 0.5),
            QPoint(523, 120));
}

}  // namespace
