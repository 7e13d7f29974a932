// The group creation dialog against a signed-in main window: what a click on
// a camera does to the title and the order numbers, which names it refuses
// (and the notice a taken name gets), and the row that reaches group.dat
// (read back with the sqlite3 shell).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QImage>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include "device/OneWindowDevice.h"
#include "dialogs_fixture.h"
#include "fake_tessan.h"
#include "log_capture.h"
#include "modal_driver.h"
#include "view/CToast.h"
#include "view/QuadWindowCreateWindow.h"

namespace {

using dialogtest::SignedInWindow;

class GroupCreate : public SignedInWindow {
 protected:
  // Cameras "A", "B", ... named "Cam A", "Cam B", ...
  static QList<GroupCamera> cameras(const QString& ids) {
    QList<GroupCamera> list;
    for (const QChar id : ids) list.append({QString(id), QStringLiteral("Cam ") + id});
    return list;
  }

  static void click(QuadWindowCreateWindow& dialog, const QString& ids) {
    for (const QChar id : ids) {
      MyLabel* picture = dialog.findChild<MyLabel*>(QString(id));
      ASSERT_NE(picture, nullptr) << id.toLatin1();
      QTest::mouseClick(picture, Qt::LeftButton);
    }
  }

  // Types `text` key by key (any characters, not only ASCII).
  static void type(QLineEdit& edit, const QString& text) {
    for (const QChar c : text) {
      QTest::sendKeyEvent(QTest::Click, &edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }

  static QuadWindowCreateCell* cell(QuadWindowCreateWindow& dialog, const QString& id) {
    for (QuadWindowCreateCell* c : dialog.cells) {
      if (c->deviceId == id) return c;
    }
    return nullptr;
  }

  // The texts of the toasts on the screen.
  static QStringList toastTexts() {
    QStringList texts;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* toast = qobject_cast<CToast*>(w);
      if (!toast || !toast->isVisible()) continue;
      if (auto* text = toast->findChild<QLabel*>(QStringLiteral("toastText")))
        texts << text->text();
    }
    return texts;
  }
  static void closeToasts() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* toast = qobject_cast<CToast*>(w)) delete toast;
    }
  }

  // Names the group, selects `ids` in that order and clicks "done" on a
  // shown dialog of the cameras `all`. True when the dialog closed.
  bool create(const QString& name, const QString& all, const QString& ids) {
    QuadWindowCreateWindow dialog(784, 180, cameras(all));
    dialog.show();
    type(dialog.nameEdit, name);
    click(dialog, ids);
    QTest::mouseClick(&dialog.createButton, Qt::LeftButton);
    return !dialog.isVisible();
  }
};

TEST_F(GroupCreate, SelectionOrderReachesTheGroupFile) {
  QSignalSpy update(window_, SIGNAL(quadWindow_devicelistUpdate()));
  QuadWindowCreateWindow dialog(784, 180, cameras("ABC"));
  dialog.show();
  QTest::keyClicks(&dialog.nameEdit, "g");
  click(dialog, "CAB");
  QTest::mouseClick(&dialog.createButton, Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), 0);
  EXPECT_EQ(update.count(), 1);
  EXPECT_EQ(groupRows(), QStringLiteral("g|C|A|B|\n"));
}

TEST_F(GroupCreate, GroupsOfNoneToFourCameras) {
  const struct {
    const char* name;
    const char* ids;
    const char* row;
  } cases[] = {{"none", "", "none||||"},
               {"one", "D", "one|D|||"},
               {"four", "DBCA", "four|D|B|C|A"}};
  QString expected;
  for (const auto& c : cases) {
    EXPECT_TRUE(create(c.name, "ABCD", c.ids)) << c.name;
    expected += QLatin1String(c.row) + "\n";
  }
  EXPECT_EQ(groupRows(), expected);
}

TEST_F(GroupCreate, TakenNamesAreRefusedExactly) {
  ASSERT_TRUE(create("Door", "AB", "A"));
  {
    QSignalSpy update(window_, SIGNAL(quadWindow_devicelistUpdate()));
    testsupport::LogCapture log;
    EXPECT_FALSE(create("Door", "AB", "B")) << "the dialog stays open";
    EXPECT_EQ(update.count(), 0);
    EXPECT_EQ(log.count(QStringLiteral("already exist")), 1);
    // ...and the user is told why, once.
    EXPECT_EQ(toastTexts(), QStringList{
        QStringLiteral("A group named \"Door\" exists already. Please choose another name.")});
    closeToasts();
  }
  // Case and surrounding blanks make other names.
  for (const char* other : {"door", " Door", "Door ", "DOOR"}) {
    EXPECT_TRUE(create(other, "AB", "B")) << other;
  }
  EXPECT_EQ(groupRows(), QStringLiteral("Door|A|||\ndoor|B|||\n Door|B|||\nDoor |B|||\nDOOR|B|||\n"));
}

TEST_F(GroupCreate, NamesAreStoredIntact) {
  const QString names[] = {
      QStringLiteral("Tom's \"front\" door"),
      QStringLiteral("a','','','','');DROP TABLE groups;--"),
      QString::fromUtf8("Wohnzimmer \xE2\x98\x95 \xE5\xAE\xA2\xE5\x8E\x85"),
      QStringLiteral("%s %n \\ ?1 :a"),
  };
  QString expected;
  for (const QString& name : names) {
    EXPECT_TRUE(create(name, "AB", "BA")) << name.toStdString();
    expected += name + "|B|A||\n";
  }
  EXPECT_EQ(groupRows(), expected);
}

TEST_F(GroupCreate, NameFieldStopsAtFiftyCharacters) {
  QuadWindowCreateWindow dialog(784, 180, cameras("A"));
  dialog.show();
  const QString typed = QString(25, QChar('x')) + QString(26, QChar('y'));  // 51
  type(dialog.nameEdit, typed);
  EXPECT_EQ(dialog.nameEdit.text(), typed.left(50));
  QTest::mouseClick(&dialog.createButton, Qt::LeftButton);
  EXPECT_EQ(groupRows(), typed.left(50) + "||||\n");
}

TEST_F(GroupCreate, TitleCountsAndCellsNumberTheSelection) {
  QuadWindowCreateWindow dialog(784, 180, cameras("ABCD"));
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Create group  0/4"));
  for (QuadWindowCreateCell* c : dialog.cells) EXPECT_TRUE(c->orderLabel.isHidden());

  click(dialog, "ABCAD");  // A, B, C selected, A deselected, D selected
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Create group  3/4"));
  EXPECT_EQ(dialog.selectedIds, (QStringList{"B", "C", "D"}));
  const struct {
    const char* id;
    bool shown;
    const char* number;
  } cells[] = {{"A", false, nullptr}, {"B", true, "2"}, {"C", true, "3"}, {"D", true, "3"}};
  for (const auto& c : cells) {
    QuadWindowCreateCell* shown = cell(dialog, c.id);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->orderLabel.isVisible(), c.shown) << c.id;
    if (c.number) {
      EXPECT_EQ(shown->orderLabel.text(), QLatin1String(c.number)) << c.id;
    }
  }
  // Other buttons than the left one select nothing.
  QTest::mouseClick(dialog.findChild<MyLabel*>("A"), Qt::RightButton);
  EXPECT_EQ(dialog.selectedIds.size(), 3);
}

TEST_F(GroupCreate, FifthCameraWaitsForRoom) {
  QuadWindowCreateWindow dialog(784, 180, cameras("ABCDE"));
  dialog.show();
  click(dialog, "ABCDE");
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Create group  4/4"));
  EXPECT_EQ(dialog.selectedIds, (QStringList{"A", "B", "C", "D"}));
  EXPECT_TRUE(cell(dialog, "E")->orderLabel.isHidden());

  click(dialog, "BE");  // deselecting B makes room for E
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Create group  4/4"));
  EXPECT_EQ(dialog.selectedIds, (QStringList{"A", "C", "D", "E"}));
  EXPECT_EQ(cell(dialog, "E")->orderLabel.text(), QStringLiteral("4"));
  EXPECT_TRUE(cell(dialog, "B")->orderLabel.isHidden());
}

TEST_F(GroupCreate, DoneWorksOnlyWhileANameIsGiven) {
  QuadWindowCreateWindow dialog(784, 180, cameras("AB"));
  dialog.show();
  const QString grey = dialog.createButton.styleSheet();
  EXPECT_TRUE(grey.contains(QLatin1String("#95A5AD"))) << grey.toStdString();
  click(dialog, "A");
  QTest::mouseClick(&dialog.createButton, Qt::LeftButton);
  EXPECT_TRUE(dialog.isVisible());

  QTest::keyClicks(&dialog.nameEdit, "ab");
  EXPECT_TRUE(dialog.createButton.styleSheet().contains(QLatin1String("#68BF39")));
  QTest::keyClick(&dialog.nameEdit, Qt::Key_Backspace);
  EXPECT_TRUE(dialog.createButton.styleSheet().contains(QLatin1String("#68BF39")));
  QTest::keyClick(&dialog.nameEdit, Qt::Key_Backspace);
  EXPECT_EQ(dialog.createButton.styleSheet(), grey);
  QTest::mouseClick(&dialog.createButton, Qt::LeftButton);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(groupRows(), QString());
}

TEST_F(GroupCreate, CellsShowTheStoredPictureElseTheImageFoldersDefault) {
  // Camera A has a stored picture; B has none.
  const QString pictures = window_->userName_private_dir + "device_picture";
  ASSERT_TRUE(QDir().mkpath(pictures));
  QImage stored(64, 32, QImage::Format_RGB32);
  stored.fill(QColor(200, 30, 40));
  ASSERT_TRUE(stored.save(pictures + "/Cam A.jpeg", "JPG"));
  const QImage fallback(window_->picturePath("ic_device_default.png"));
  ASSERT_FALSE(fallback.isNull()) << "the image folder's default picture";
  ASSERT_TRUE(window_->picturePath("").contains("/Orvanta_image/"));

  QuadWindowCreateWindow dialog(784, 180, cameras("AB"));
  const QImage a = cell(dialog, "A")->pictureLabel.pixmap(Qt::ReturnByValue).toImage();
  const QImage b = cell(dialog, "B")->pictureLabel.pixmap(Qt::ReturnByValue).toImage();
  ASSERT_EQ(a.size(), QSize(392, 176));
  const QColor red = a.pixelColor(196, 88);
  EXPECT_NEAR(red.red(), 200, 8);
  EXPECT_NEAR(red.green(), 30, 8);
  EXPECT_EQ(b.convertToFormat(QImage::Format_RGB32),
            fallback.scaled(392, 176, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                .convertToFormat(QImage::Format_RGB32));
  EXPECT_EQ(cell(dialog, "B")->nameLabel.text(), QStringLiteral("Cam B"));
}

TEST_F(GroupCreate, OddCameraCountLeavesTheLastRowHalfFull) {
  QuadWindowCreateWindow dialog(784, 180, cameras("ABC"));
  const struct {
    const char* id;
    int row, column;
  } places[] = {{"A", 0, 0}, {"B", 0, 1}, {"C", 1, 0}};
  for (const auto& p : places) {
    const int index = dialog.cellGrid.indexOf(&cell(dialog, p.id)->box);
    int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
    dialog.cellGrid.getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    EXPECT_EQ(row, p.row) << p.id;
    EXPECT_EQ(column, p.column) << p.id;
  }
  EXPECT_EQ(dialog.cellGrid.itemAtPosition(1, 1), nullptr);
  EXPECT_EQ(dialog.cellArea.height(), 2 * 232 + 88);
}

TEST_F(GroupCreate, DialogFreesItsCells) {
  QList<QPointer<QWidget>> parts;
  {
    auto* dialog = new QuadWindowCreateWindow(784, 180, cameras("ABC"));
    for (QuadWindowCreateCell* c : dialog->cells) {
      parts << &c->box << &c->pictureLabel << &c->nameLabel << &c->orderLabel;
    }
    // Run it the way the main window does: modally, until "done".
    auto ran = dialogtest::onNextModal<QuadWindowCreateWindow>([](QuadWindowCreateWindow* d) {
      QTest::keyClicks(&d->nameEdit, "freed");
      QTest::mouseClick(d->findChild<MyLabel*>("B"), Qt::LeftButton);
      QTest::mouseClick(&d->createButton, Qt::LeftButton);
    });
    EXPECT_EQ(dialog->exec(), 0);
    EXPECT_TRUE(*ran);
    delete dialog;
  }
  for (const QPointer<QWidget>& part : parts) EXPECT_TRUE(part.isNull());
  EXPECT_EQ(groupRows(), QStringLiteral("freed|B|||\n"));
}

// The dialog the main window opens lists the main window's cameras.
TEST_F(GroupCreate, ListsTheMainWindowsCamerasInTheirOrder) {
  fake_tessan::reset();
  const struct {
    const char* id;
    const char* name;
  } list[] = {{"CAM-3", "Garage"}, {"CAM-1", "Door"}, {"CAM-2", "it's the garden"}};
  for (const auto& c : list) {
    window_->oneWindowDevice_list.append(
        new oneWindowDevice(QLatin1String(c.id), QLatin1String(c.name), 1));
  }
  {
    QuadWindowCreateWindow dialog(784, 180, window_->oneWindowDevice_list.size());
    ASSERT_EQ(dialog.cells.size(), 3);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(dialog.cells[i]->deviceId, QLatin1String(list[i].id));
      EXPECT_EQ(dialog.cells[i]->name, QLatin1String(list[i].name));
      EXPECT_EQ(dialog.cells[i]->nameLabel.text(), QLatin1String(list[i].name));
    }
    dialog.show();
    type(dialog.nameEdit, "front");
    QTest::mouseClick(dialog.findChild<MyLabel*>("CAM-2"), Qt::LeftButton);
    QTest::mouseClick(dialog.findChild<MyLabel*>("CAM-3"), Qt::LeftButton);
    QTest::mouseClick(&dialog.createButton, Qt::LeftButton);
  }
  EXPECT_EQ(groupRows(), QStringLiteral("front|CAM-2|CAM-3||\n"));
  // The new group holds these cameras: groups go first, then cameras.
  window_->mainWindow_deleteAllDevice();
  EXPECT_TRUE(fake_tessan::flush());
  fake_tessan::reset();
}

}  // namespace
