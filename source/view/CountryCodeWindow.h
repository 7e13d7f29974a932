// CountryCodeWindow: the modal "Country and region" picker the sign-in
// dialog opens in phone mode. One button per country of the main window's
// table, filtered by a text field; "Done" hands the chosen country's code to
// the sign-in dialog. Its rules live in country_filter.h.
#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QPushButton>
#include <QScrollArea>
#include <QStringList>
#include <QVBoxLayout>
#include <QWidget>

class LoginWindow;

class CountryCodeWindow : public QDialog {
  Q_OBJECT

 public:
  explicit CountryCodeWindow(LoginWindow* loginWindow);
  ~CountryCodeWindow() override;

  void updateCountryButtons(QString filter);

  QGroupBox topBox;
  QGroupBox listBox;
  QGroupBox bottomBox;
  QPushButton doneButton;
  QLabel emptyLabel;
  QLineEdit filterEdit;
  QPushButton cancelButton;
  QScrollArea listScroll;
  QWidget listContent;
  QVBoxLayout listLayout;
  QList<QPushButton*> countryButtons;  // the buttons shown now
  QLabel emptyLabel2;
  LoginWindow* loginWindow;
  bool doneClicked = false;

 public slots:
  void textChanged_Handler(QString country);
  void itemButtonClicked_Handler();
  void doneButtonClicked_Handler();
  void cancelButtonClicked_Handler();

 private:
  QStringList countryNames() const;
};
