#include "app/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace recast::app {

namespace {

QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 64.0, size / 64.0);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor("#2f5d8a"));
  painter.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
  painter.setBrush(QColor("#f4f7fb"));
  painter.drawEllipse(QPointF(20, 22), 9, 9);
  painter.setBrush(QColor("#f4c542"));
  painter.drawRoundedRect(QRectF(35, 34, 18, 18), 3, 3);

  QPen arrow(QColor("#f4f7fb"), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(arrow);
  painter.setBrush(Qt::NoBrush);
  QPainterPath curve(QPointF(28, 28));
  curve.cubicTo(QPointF(38, 26), QPointF(44, 28), QPointF(44, 34));
  painter.drawPath(curve);
  painter.drawPolyline(QPolygonF({QPointF(39, 30), QPointF(44, 35), QPointF(49, 30)}));

  painter.setPen(QPen(QColor("#a9c3dd"), 3, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(12, 44), QPointF(26, 44));
  painter.drawLine(QPointF(12, 50), QPointF(22, 50));
  return pixmap;
}

}  // namespace

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(DrawIcon(size));
  return icon;
}

}  // namespace recast::app
