#include "AppIcon.h"

#include <QFileInfo>
#include <QHash>
#include <QIconEngine>
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

// Draws the icon when, and at the size, it is asked for: the window starts hidden, so most sizes are
// never needed, and drawing all of them up front cost 0.7 MB of pixmaps and a few ms at each start.
class DrawnIconEngine : public QIconEngine
{
public:
    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = std::min(size.width(), size.height());
        if (side <= 0) {
            return QPixmap();
        }
        auto cached = m_drawn.constFind(side);
        if (cached == m_drawn.cend()) {
            cached = m_drawn.insert(side, drawIcon(side));
        }
        return *cached;
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }
    // Window managers take the icon at every size offered (_NET_WM_ICON): offer the usual ones.
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (int side : { 16, 22, 24, 32, 48, 64, 128, 256 }) {
            sizes << QSize(side, side);
        }
        return sizes;
    }
    QIconEngine* clone() const override { return new DrawnIconEngine(*this); }
    QString key() const override { return QStringLiteral("tova-drawn"); }

private:
    QHash<int, QPixmap> m_drawn;
};

// The program's icon with a warning badge over its lower right quarter: an amber disc with a dark "!",
// legible at 16 px and recognisable as the same program, whichever icon the theme gives.
class WarningIconEngine : public QIconEngine
{
public:
    explicit WarningIconEngine(QIcon base) : m_base(std::move(base)) { }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        const int side = std::min(size.width(), size.height());
        if (side <= 0) {
            return QPixmap();
        }
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        m_base.paint(&painter, QRect(0, 0, side, side), Qt::AlignCenter, mode, state);
        const qreal s = side;
        const QRectF badge(s * 0.44, s * 0.44, s * 0.56, s * 0.56);
        painter.setPen(QPen(QColor(120, 20, 10), s * 0.04));
        painter.setBrush(QColor(235, 60, 30));
        painter.drawEllipse(badge.adjusted(s * 0.02, s * 0.02, -s * 0.02, -s * 0.02));
        painter.setPen(QPen(Qt::white, s * 0.09, Qt::SolidLine, Qt::RoundCap));
        const qreal x = badge.center().x();
        painter.drawLine(QPointF(x, s * 0.56), QPointF(x, s * 0.75));
        painter.drawPoint(QPointF(x, s * 0.88));
        return pixmap;
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return m_base.availableSizes(mode, state);
    }
    QIconEngine* clone() const override { return new WarningIconEngine(m_base); }
    QString key() const override { return QStringLiteral("tova-warning"); }

private:
    QIcon m_base;
};
} // namespace

QIcon warningIcon(const QIcon& icon)
{
    return QIcon(new WarningIconEngine(icon));
}

QIcon appIcon()
{
    // Installed, the icon theme holds ours (packaging/icons) and a desktop may restyle it or, in its
    // panel, draw it by name. Asking the theme costs a parse of hicolor's large index.theme, so it is
    // asked only when our icon is there to be found; a build tree draws its own.
    const QString themeName = QStringLiteral("tova-shutdown");
    for (const QString& root : QIcon::themeSearchPaths()) {
        if (QFileInfo::exists(root + QStringLiteral("/hicolor/scalable/apps/tova-shutdown.svg"))) {
            const QIcon themed = QIcon::fromTheme(themeName);
            if (!themed.isNull()) {
                return themed;
            }
            break;
        }
    }
    return QIcon(new DrawnIconEngine);
}
