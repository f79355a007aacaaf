#include "AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

namespace {
QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    // Face: a deep blue disc with a light rim.
    painter.setPen(QPen(QColor(230, 236, 245), s * 0.06));
    painter.setBrush(QColor(32, 84, 160));
    painter.drawEllipse(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88));
    // Power mark: an open ring with a bar through its gap, in warm orange.
    QPen mark(QColor(255, 170, 40), s * 0.1, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(mark);
    painter.setBrush(Qt::NoBrush);
    const QRectF ring(s * 0.28, s * 0.3, s * 0.44, s * 0.44);
    painter.drawArc(ring, 120 * 16, 300 * 16);
    painter.drawLine(QPointF(s * 0.5, s * 0.2), QPointF(s * 0.5, s * 0.5));
    return pixmap;
}
} // namespace

QIcon appIcon()
{
    // Installed, the icon theme holds ours (packaging/icons), and a theme may restyle it; a build tree
    // has only the drawn one.
    const QString themeName = QStringLiteral("tova-shutdown");
    if (QIcon::hasThemeIcon(themeName)) {
        return QIcon::fromTheme(themeName);
    }
    QIcon drawn;
    for (int size : { 16, 22, 24, 32, 48, 64, 128, 256 }) {
        drawn.addPixmap(drawIcon(size));
    }
    return drawn;
}
