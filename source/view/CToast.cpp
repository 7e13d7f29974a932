#include "view/CToast.h"

#include <QEasingCurve>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "util_class/toast_placement.h"

namespace {
constexpr int kFadeMs = 1200;
}  // namespace

CToast::CToast(QWidget* parent) : QDialog(parent, Qt::WindowFlags()) {
  InitWindowFlags();
  InitAnimations();
}

// The content and both animations are children of the toast and go with it.
CToast::~CToast() = default;

void CToast::InitWindowFlags() {
  if (parentWidget()) {
    setWindowFlags(Qt::FramelessWindowHint);
  } else {
    setWindowFlags(Qt::FramelessWindowHint | Qt::Tool);
  }
  setAttribute(Qt::WA_AlwaysStackOnTop);
  setAttribute(Qt::WA_TranslucentBackground);
}

void CToast::InitAnimations() {
  auto* effect = new QGraphicsOpacityEffect(this);
  effect->setOpacity(0);
  setGraphicsEffect(effect);

  m_hideAnimation = new QPropertyAnimation(effect, "opacity", this);
  m_hideAnimation->setEasingCurve(QEasingCurve::Linear);
  m_hideAnimation->setDuration(kFadeMs);
  m_hideAnimation->setEndValue(0);
  connect(m_hideAnimation, SIGNAL(finished()), this, SLOT(hide()));

  m_showAnimation = new QPropertyAnimation(effect, "opacity", this);
  m_showAnimation->setEasingCurve(QEasingCurve::Linear);
  m_showAnimation->setDuration(kFadeMs);
  m_showAnimation->setEndValue(1.0);
}

void CToast::SetContentWidget(QWidget* w) {
  if (!w) return;
  auto* box = qobject_cast<QVBoxLayout*>(layout());
  if (m_contentWidget) {
    if (box) box->removeWidget(m_contentWidget);
    m_contentWidget->setParent(nullptr);
    m_contentWidget->deleteLater();
  }
  if (!box) {  // the first content installs the layout; later ones reuse it
    box = new QVBoxLayout;
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    setLayout(box);
  }
  m_contentWidget = w;
  box->addWidget(w);
}

void CToast::SetDuration(int ms) { m_duration = ms; }

void CToast::SetFadeOut(bool fadeOut) { m_fadeOut = fadeOut; }

void CToast::SetDeleteOnHide(bool deleteOnHide) { m_deleteOnHide = deleteOnHide; }

void CToast::SetCenterPos() { SetRelativePos(0.5, 0.5); }

void CToast::SetRelativePos(double x, double y) {
  m_relativeX = toast_relativeValue(x);
  m_relativeY = toast_relativeValue(y);
}

void CToast::StartHideTimer(int ms) {
  if (ms <= 0) return;
  QTimer::singleShot(ms, this, m_fadeOut ? SLOT(StartHideAnimation()) : SLOT(hide()));
}

void CToast::StartShowAnimation() {
  m_hideAnimation->stop();  // a fade-out still running would hide the toast again
  setVisible(true);
  m_showAnimation->start(QAbstractAnimation::KeepWhenStopped);
}

void CToast::StartHideAnimation() {
  m_showAnimation->stop();  // the fade-out starts from where the fade-in got to
  m_hideAnimation->start(QAbstractAnimation::KeepWhenStopped);
}

void CToast::showEvent(QShowEvent* event) {
  UpdatePosition();
  QDialog::showEvent(event);
  StartHideTimer(m_duration);
}

void CToast::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (m_deleteOnHide) deleteLater();
}

void CToast::SetReferenceWindow(QWidget* window) { m_referenceWindow = window; }

void CToast::UpdatePosition() {
  // In the parent's coordinates, or on the desktop for a toast of its own.
  QRect reference;
  if (parentWidget()) {
    reference = QRect(QPoint(0, 0), parentWidget()->geometry().size());
  } else if (m_referenceWindow && m_referenceWindow->isVisible()) {
    reference = m_referenceWindow->frameGeometry();
  } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
    reference = QRect(QPoint(0, 0), screen->size());
  }
  if (const auto position = toast_position(m_relativeX, m_relativeY, reference, size())) {
    move(*position);
  }
}
