// The camera's tile: its picture (the cached thumbnail of the camera, else
// the program's default picture), its texts, and the picture refresh.
#include <QDir>
#include <QFile>
#include <QImage>

#include "adapter_hardWare/AdapterHardware.h"
#include "camera_fixture.h"

namespace {

void writePicture(const QString& path, const QColor& colour) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QImage image(320, 180, QImage::Format_RGB32);
  image.fill(colour);
  ASSERT_TRUE(image.save(path, "JPG", 95));
}

bool near(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) < 24 && std::abs(a.green() - b.green()) < 24 &&
         std::abs(a.blue() - b.blue()) < 24;
}

TEST_F(CameraTest, TileShowsTheDefaultPictureNameAndInitialBadge) {
  oneWindowDevice* camera = addCamera("CAM1", QStringLiteral("Front door"));
  const QImage shipped(window_->picturePath("ic_device_default.png"));
  ASSERT_FALSE(shipped.isNull());
  const QImage expected = shipped.scaled(adapterHardware.sx(392), adapterHardware.sy(176),
                                         Qt::IgnoreAspectRatio, Qt::FastTransformation);
  EXPECT_EQ(camera->pictureImage.convertToFormat(QImage::Format_ARGB32),
            expected.convertToFormat(QImage::Format_ARGB32));
  EXPECT_EQ(camera->pictureLabel.objectName(), "CAM1");
  EXPECT_EQ(camera->nameLabel.text(), "Front door");
  EXPECT_EQ(camera->stateLabel.text(), "offline");
  EXPECT_EQ(camera->size(), QSize(adapterHardware.sx(392), adapterHardware.sy(232)));
  EXPECT_EQ(camera->get_videoQuality(), E_VQUALITY_FHD);
  EXPECT_FALSE(camera->get_isPlaying());
  EXPECT_TRUE(camera->gifLabel.isHidden());
}

TEST_F(CameraTest, TileShowsTheCachedThumbnailAndReloadsItWhenAsked) {
  const QString file = window_->userName_private_dir + "device_picture/Door.jpeg";
  writePicture(file, QColor(200, 30, 30));
  oneWindowDevice* camera = addCamera("CAM1", QStringLiteral("Door"));
  EXPECT_TRUE(near(camera->pictureImage.pixelColor(10, 10), QColor(200, 30, 30)));

  writePicture(file, QColor(30, 30, 200));
  camera->update_device_picture();
  EXPECT_TRUE(near(camera->pictureImage.pixelColor(10, 10), QColor(30, 30, 200)));
  // Scaled to the picture label, as the default picture is: nothing cut off.
  EXPECT_EQ(camera->pictureImage.size(), QSize(adapterHardware.sx(392), adapterHardware.sy(176)));

  // A camera no longer in the list does not refresh.
  window_->oneWindowDevice_list.removeAll(camera);
  writePicture(file, QColor(30, 200, 30));
  camera->update_device_picture();
  EXPECT_TRUE(near(camera->pictureImage.pixelColor(10, 10), QColor(30, 30, 200)));
  window_->oneWindowDevice_list.append(camera);
}

TEST_F(CameraTest, NotPlayingAnyMoreHidesTheAnimation) {
  oneWindowDevice* camera = addCamera("CAM1");
  camera->show();  // the tile on screen
  camera->oneWindow_device_gif_play_start_Handler();
  EXPECT_FALSE(camera->gifLabel.isHidden());
  EXPECT_EQ(camera->gifMovie.state(), QMovie::Running);
  camera->set_isPlaying(0x100);  // only the low byte counts
  EXPECT_FALSE(camera->get_isPlaying());
  EXPECT_TRUE(camera->gifLabel.isHidden());
  EXPECT_NE(camera->gifMovie.state(), QMovie::Running);
  camera->set_isPlaying(1);
  EXPECT_TRUE(camera->get_isPlaying());
}

// The "playing" animation decodes its frames only while it can be seen: a
// tile hidden with its list page (a group plays on the other page) pauses
// it, shown again resumes it; a tile never shown does not start it.
TEST_F(CameraTest, TheAnimationRunsOnlyWhileTheTileIsOnScreen) {
  oneWindowDevice* camera = addCamera("CAM1");
  QWidget page;
  camera->setParent(&page);
  camera->oneWindow_device_gif_play_start_Handler();  // asked for, the page not shown
  EXPECT_NE(camera->gifMovie.state(), QMovie::Running);
  page.show();
  EXPECT_EQ(camera->gifMovie.state(), QMovie::Running);
  page.hide();  // the other list page is shown
  EXPECT_EQ(camera->gifMovie.state(), QMovie::Paused);
  page.show();
  EXPECT_EQ(camera->gifMovie.state(), QMovie::Running);
  camera->oneWindow_device_gif_play_stop_Handler();
  EXPECT_EQ(camera->gifMovie.state(), QMovie::NotRunning);
  page.hide();
  page.show();  // not asked for: stays stopped
  EXPECT_EQ(camera->gifMovie.state(), QMovie::NotRunning);
  camera->setParent(nullptr);
}

}  // namespace
