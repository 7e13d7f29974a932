#include "view/CountryCodeWindow.h"

#include <QDebug>
#include <QFont>

#include "adapter_hardWare/AdapterHardware.h"
#include "event/shell.h"
#include "view/country_filter.h"
#include "view/LoginWindow.h"

namespace {

const char* const kButtonStyle =
    "background-color:rgb(230,230,230); color:#68BF39; border:1px solid rgb(150, 150, 150)";

int sx(double v) { return adapterHardware.sx(v); }
int sy(double v) { return adapterHardware.sy(v); }

}  // namespace

CountryCodeWindow::CountryCodeWindow(LoginWindow* loginWindow)
    : QDialog(nullptr), loginWindow(loginWindow) {
  setFixedSize(sx(640), sy(880));
  setWindowTitle("Country and region");
  for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(&topBox),
                     static_cast<QWidget*>(&listBox), static_cast<QWidget*>(&bottomBox),
                     static_cast<QWidget*>(&listScroll), static_cast<QWidget*>(&listContent)}) {
    w->setContentsMargins(0, 0, 0, 0);
  }
  listLayout.setContentsMargins(0, 0, 0, 0);
  QPalette pal = palette();
  pal.setBrush(QPalette::Window, QBrush(Qt::white));
  setPalette(pal);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  topBox.setParent(this);
  topBox.setFixedSize(sx(640), sy(96));
  topBox.move(0, 0);
  filterEdit.setParent(&topBox);
  filterEdit.setObjectName("filterEdit");
  filterEdit.setFixedSize(sx(448), sy(56));
  filterEdit.setClearButtonEnabled(true);
  filterEdit.move(sx(32), sy(16));
  cancelButton.setParent(&topBox);
  cancelButton.setObjectName("cancelButton");
  QFont font;
  font.setWeight(50);
  font.setPixelSize(sx(24));
  cancelButton.setFont(font);
  cancelButton.setText("Cancel");
  cancelButton.setGeometry(sx(500), sy(16), sx(120), sy(56));

  listBox.setParent(this);
  listBox.setFixedSize(sx(640), sy(696));
  listBox.move(0, sy(96));
  listScroll.setParent(&listBox);
  listScroll.setGeometry(0, 0, sx(640), sy(696));
  const CountryCodeList* table = shell().countryTable();
  if (!table) qDebug() << "CountryCode_List is null";
  const int rows = table ? table->size() : 0;
  listContent.setGeometry(0, 0, sx(640), rows * sy(96));
  listScroll.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  listScroll.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  listContent.setLayout(&listLayout);
  listScroll.setWidget(&listContent);
  updateCountryButtons(QString());

  bottomBox.setParent(this);
  bottomBox.setFixedSize(sx(640), sy(88));
  bottomBox.move(0, sy(792));
  doneButton.setParent(&bottomBox);
  doneButton.setObjectName("doneButton");
  doneButton.setFixedSize(sx(240), sy(56));
  doneButton.move(sx(368), sy(16));
  QFont bold;
  bold.setWeight(75);
  doneButton.setFont(bold);
  doneButton.setText("Done");
  doneButton.setStyleSheet(kButtonStyle);
  cancelButton.setStyleSheet(kButtonStyle);

  connect(&doneButton, SIGNAL(clicked()), this, SLOT(doneButtonClicked_Handler()));
  connect(&cancelButton, SIGNAL(clicked()), this, SLOT(cancelButtonClicked_Handler()));
  connect(&filterEdit, SIGNAL(textChanged(const QString&)), this,
          SLOT(textChanged_Handler(const QString&)));
}

CountryCodeWindow::~CountryCodeWindow() {
  // The scroll area would delete the content widget it holds: it is a member.
  listScroll.takeWidget();
}

QStringList CountryCodeWindow::countryNames() const {
  QStringList names;
  if (shell().countryTable()) {
    for (const CountryCode* c : *shell().countryTable()) names << c->en;
  }
  return names;
}

void CountryCodeWindow::updateCountryButtons(QString filter) {
  const CountryCodeList* table = shell().countryTable();
  if (!table) return;
  while (QLayoutItem* item = listLayout.takeAt(0)) {
    if (QWidget* w = item->widget()) {
      // Deferred: the clicked button may still be delivering its signal.
      w->hide();
      w->deleteLater();
    }
    delete item;
  }
  countryButtons.clear();
  QFont font;
  font.setPixelSize(sx(28));
  for (int i : filterCountries(countryNames(), filter)) {
    const CountryCode* c = table->at(i);
    auto* button = new QPushButton;
    button->setPalette(palette());
    button->setFixedSize(sx(640), sy(96));
    button->setMinimumHeight(sy(96));
    button->setText(countryButtonText(c->en, c->code));
    button->setStyleSheet("background-color:#FFFFFF;text-align:center;");
    button->setFont(font);
    listLayout.addWidget(button);
    countryButtons.append(button);
    button->setObjectName(c->en);
    connect(button, SIGNAL(clicked()), this, SLOT(itemButtonClicked_Handler()));
  }
  listLayout.addStretch(0);
}

void CountryCodeWindow::textChanged_Handler(QString country) { updateCountryButtons(country); }

void CountryCodeWindow::itemButtonClicked_Handler() {
  if (QObject* button = sender()) filterEdit.setText(button->objectName());
}

void CountryCodeWindow::doneButtonClicked_Handler() {
  doneClicked = true;
  if (const CountryCodeList* table = shell().countryTable()) {
    const int picked = countryForDone(countryNames(), filterEdit.text());
    if (picked >= 0) loginWindow->setCountry(table->at(picked)->code, table->at(picked)->en);
  }
  done(0);
}

void CountryCodeWindow::cancelButtonClicked_Handler() {
  qDebug() << "cancelButtonClicked ";
  done(0);
}
