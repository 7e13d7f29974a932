#include "view/toast_notice.h"

#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QWidget>

#include "view/CToast.h"

CToast* showToastNotice(const QString& text, QWidget* raisedBy) {
  auto* label = new QLabel;
  label->setObjectName(QStringLiteral("toastText"));
  label->setFrameStyle(QFrame::Panel);
  label->setAlignment(Qt::AlignCenter);
  label->setWordWrap(true);
  QFont font;
  font.setPixelSize(16);
  label->setFont(font);
  label->setText(text);
  label->setStyleSheet(QStringLiteral("background-color:black;border:none;color:#FFFFFF;"));
  auto* toast = new CToast(nullptr);
  const QFontMetrics metrics(font);
  const QRect r = metrics.boundingRect(QRect(QPoint(0, 0), label->maximumSize()),
                                       Qt::AlignCenter | Qt::TextWordWrap, text);
  toast->resize(r.width() + metrics.horizontalAdvance(QLatin1Char('A')), r.height());
  toast->SetContentWidget(label);
  toast->SetDuration(5000);
  toast->SetDeleteOnHide(true);
  toast->SetRelativePos(0.5, 0.8);
  if (raisedBy) toast->SetReferenceWindow(raisedBy->window());
  toast->StartShowAnimation();
  return toast;
}
