#include "view/QuadWindowCreateWindow.h"

#include <QBrush>
#include <QDebug>
#include <QFont>
#include <QImage>
#include <QPalette>
#include <QPixmap>

#include "event/shell.h"
#include "adapter_hardWare/AdapterHardware.h"
#include "event/group_creation.h"
#include "event/group_selection.h"
#include "util_class/app_paths.h"
#include "view/group_create_geometry.h"
#include "view/toast_notice.h"

namespace {

GroupCreateGeometry geometryFor(int cellCount) {
  return groupCreateGeometry(adapterHardware.widthScale, adapterHardware.heightScale, cellCount);
}

QFont pixelFont(const QFont& base, int pixels, bool bold) {
  QFont font = base;
  font.setPixelSize(pixels);
  if (bold) font.setWeight(75);
  return font;
}

}  // namespace

QuadWindowCreateCell::QuadWindowCreateCell(const QString& id, const QString& cameraName,
                                           const GroupCreateGeometry& g) {
  box.setContentsMargins(0, 0, 0, 0);
  box.setFixedSize(g.cell);
  pictureLabel.setParent(&box);
  nameLabel.setParent(&box);
  orderLabel.setParent(&box);

  pictureLabel.setFixedSize(g.picture);
  pictureLabel.move(0, 0);
  pictureLabel.setObjectName(id);
  QObject::connect(&pictureLabel, SIGNAL(clicked_oneWindow_and_quaWindow(int)), &pictureLabel,
                   SLOT(quadWindowsCreate_onclicked(int)));
  pictureLabel.set_createCell(this);

  orderLabel.setStyleSheet(QStringLiteral("color:#68BF39;"));
  orderLabel.setGeometry(g.orderLabel);
  orderLabel.hide();

  nameLabel.setGeometry(g.nameLabel);
  nameLabel.setStyleSheet(QStringLiteral("color:#223239;"));
  nameLabel.setFont(pixelFont(nameLabel.font(), g.fontPixels, true));
  nameLabel.setText(cameraName);

  const QString userDir = shell().saveFolders().userFolder;
  const QString fallback =
      app_paths::picture(QStringLiteral("ic_device_default.png"));
  const QImage image(groupCellPicturePath(userDir, cameraName, id, fallback));
  pictureLabel.setPixmap(QPixmap::fromImage(
      image.scaled(g.picture, Qt::IgnoreAspectRatio, Qt::FastTransformation)));

  deviceId = id;
  name = cameraName;
}

QuadWindowCreateWindow::QuadWindowCreateWindow(int x, int y, int count) : QDialog(nullptr) {
  qDebug() << "QuadWindowCreateWindow device count :" << count;
  build(x, y, shell().groupCreateCameras());
}

QuadWindowCreateWindow::QuadWindowCreateWindow(int x, int y, const QList<GroupCamera>& cameras)
    : QDialog(nullptr) {
  qDebug() << "QuadWindowCreateWindow device count :" << cameras.size();
  build(x, y, cameras);
}

QuadWindowCreateWindow::~QuadWindowCreateWindow() {
  disconnect(&createButton, SIGNAL(clicked()), this, SLOT(createButtonClicked_Handler()));
  disconnect(&nameEdit, SIGNAL(textChanged(QString)), this, SLOT(textChanged_Handler(QString)));
  // The cells' frames sit in the cell grid: they go before the grid does.
  qDeleteAll(cells);
  cells.clear();
}

QuadWindowCreateCell* QuadWindowCreateWindow::add_device_cells(QString& deviceId, QString& name) {
  auto* cell = new QuadWindowCreateCell(deviceId, name, geometryFor(0));
  cells.append(cell);
  cell->pictureLabel.set_titleWindow(this);
  cell->pictureLabel.set_createWindow(this);
  return cell;
}

void QuadWindowCreateWindow::build(int x, int y, const QList<GroupCamera>& cameras) {
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setWindowTitle(QStringLiteral("Create group"));
  const GroupCreateGeometry g = geometryFor(cameras.size());
  move(groupCreatePosition(x, y, adapterHardware.widthScale, adapterHardware.heightScale));
  setFixedSize(g.dialog);
  QPalette pal = palette();
  pal.setBrush(QPalette::All, QPalette::Window, QBrush(Qt::white));
  setPalette(pal);

  nameEdit.setObjectName(QStringLiteral("groupNameEdit"));
  nameEdit.setPlaceholderText(QStringLiteral("group name"));
  nameEdit.setMaxLength(50);
  createButton.setObjectName(QStringLiteral("groupCreateButton"));
  createButton.setText(QStringLiteral("done"));
  createButton.setFont(pixelFont(createButton.font(), g.fontPixels, false));
  createButton.setStyleSheet(groupCreateButtonStyle(false));

  cellGrid.setContentsMargins(0, 0, 0, 0);
  cellGrid.setSpacing(0);
  cellGrid.setColumnMinimumWidth(0, g.half);
  cellGrid.setColumnMinimumWidth(1, g.half);
  cellGrid.setAlignment(Qt::AlignHCenter);
  nameEdit.resize(g.input);
  createButton.resize(g.input);

  for (const GroupCamera& camera : cameras) {
    QString id = camera.deviceId;
    QString name = camera.deviceName;
    add_device_cells(id, name);
  }

  scrollArea.setParent(this);
  scrollArea.setFrameShape(QFrame::NoFrame);
  scrollArea.setAlignment(Qt::AlignHCenter);
  scrollArea.setFixedSize(g.dialog);
  scrollArea.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setWindowTitle(group_selection_title(0));
  cellArea.setGeometry(0, 0, g.cellArea.width(), g.cellArea.height());
  cellArea.setLayout(&cellGrid);
  scrollArea.setWidget(&cellArea);
  for (int i = 0; i < cells.size(); ++i) {
    cellGrid.addWidget(&cells[i]->box, i / 2, i % 2, Qt::AlignHCenter | Qt::AlignVCenter);
  }
  box.hide();

  // Above the scroll area.
  nameEdit.setParent(this);
  createButton.setParent(this);
  nameEdit.move(g.namePos);
  createButton.move(g.buttonPos);

  connect(&createButton, SIGNAL(clicked()), this, SLOT(createButtonClicked_Handler()));
  connect(&nameEdit, SIGNAL(textChanged(QString)), this, SLOT(textChanged_Handler(QString)));
}

void QuadWindowCreateWindow::textChanged_Handler(const QString& text) {
  nameGiven = !text.isEmpty();
  createButton.setFont(pixelFont(createButton.font(), adapterHardware.sx(24), false));
  createButton.setStyleSheet(groupCreateButtonStyle(nameGiven));
}

void QuadWindowCreateWindow::createButtonClicked_Handler() {
  if (!nameGiven) return;
  const QString name = nameEdit.text();
  const QStringList existing = shell().groupCreateExistingNames();
  qDebug() << "quadWindowDeviceItemList :" << existing.size();
  if (groupNameTaken(name, existing)) {
    // Said to the user; the dialog stays open for another name.
    qDebug() << "err " << name << "already exist";
    showToastNotice(groupNameTakenNotice(name), this);
    return;
  }
  qDebug() << "quad group create , deviceCount :" << selectedIds.size();
  QuadWindowDevice_local_file_node row = groupRow(name, selectedIds);
  QList<QString> deviceIds = selectedIds;
  shell().groupCreateAdd(row, deviceIds);
  done(0);
}
