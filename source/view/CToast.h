// CToast: a small borderless notice that fades in (1.2 s), stays for its
// display time counted from showing, fades out (1.2 s) or hides at once, and
// can delete itself when hidden. Show it with StartShowAnimation (it is
// fully transparent until the fade-in runs); size it to its content first.
// With a parent it is drawn inside the parent; without one it is a tool
// window of its own, placed over the window it was raised for
// (SetReferenceWindow), or on the primary screen when it has none. GUI
// thread only.
#pragma once

#include <QDialog>
#include <QPointer>

class QPropertyAnimation;

class CToast : public QDialog {
  Q_OBJECT

 public:
  explicit CToast(QWidget* parent);
  ~CToast() override;

  // Makes `w` the content (the toast owns it); null keeps the content.
  void SetContentWidget(QWidget* w);
  // Display time in ms from showing; 0 or less: never hides by itself.
  void SetDuration(int ms);
  // At the end of the display time: fade out (true) or hide at once.
  void SetFadeOut(bool fadeOut);
  void SetDeleteOnHide(bool deleteOnHide);
  void SetCenterPos();
  // Centre at (x, y) of the reference area; below 0 means "not placed", above 1 is 1.
  void SetRelativePos(double x, double y);
  // A toast without a parent takes its relative position over this
  // window's frame (a hidden or deleted window: the primary screen).
  void SetReferenceWindow(QWidget* window);
  // Arms a single-shot timer that ends the display after `ms` (above 0 only).
  void StartHideTimer(int ms);

 public slots:
  void StartShowAnimation();
  void StartHideAnimation();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void InitWindowFlags();
  void InitAnimations();
  void UpdatePosition();

  QWidget* m_contentWidget = nullptr;
  double m_relativeX = -1.0;
  double m_relativeY = -1.0;
  int m_duration = -1;
  bool m_fadeOut = true;
  bool m_deleteOnHide = false;
  QPropertyAnimation* m_hideAnimation = nullptr;
  QPropertyAnimation* m_showAnimation = nullptr;
  QPointer<QWidget> m_referenceWindow;
};
