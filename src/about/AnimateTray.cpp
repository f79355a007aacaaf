#include "about/AnimateTray.h"

#include "about/AboutLayout.h"
#include "platform/NotificationIcon.h"

#include <QGuiApplication>
#include <QPropertyAnimation>
#include <QRubberBand>
#include <QWidget>

namespace {
constexpr int ZoomMilliseconds = 200;

QRect screenRect(const QWidget* form)
{
    if (form->isWindow()) {
        return form->frameGeometry();
    }
    return QRect(form->mapToGlobal(QPoint(0, 0)), form->size());
}

// Platforms without a real screen have nothing to draw on.
bool canDraw()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}
} // namespace

std::optional<TrayZoom> planTrayZoom(const QWidget* form, int direction, const QRect& iconArea)
{
    if (form == nullptr || (direction == 1 && !form->isVisible()) || (direction == 0 && form->isVisible())) {
        return std::nullopt;
    }
    if ((direction != 0 && direction != 1) || iconArea.isEmpty()) {
        return std::nullopt;
    }
    const about::WinRect strip = about::trayStrip(iconArea);
    const QRect stripRect(strip.left, strip.top, strip.right - strip.left, strip.bottom - strip.top);
    const QRect window = screenRect(form);
    return direction == 1 ? TrayZoom { window, stripRect } : TrayZoom { stripRect, window };
}

void AnimateTray(QWidget* form, int direction, const NotificationIcon& icon)
{
    const std::optional<TrayZoom> zoom = planTrayZoom(form, direction, icon.geometry());
    if (!zoom || !canDraw()) {
        return;
    }
    // A parentless rubber band is a frameless, translucent top-level that takes no input and no focus.
    auto* band = new QRubberBand(QRubberBand::Rectangle);
    band->setAttribute(Qt::WA_TransparentForMouseEvents);
    band->setAttribute(Qt::WA_ShowWithoutActivating);
    band->setGeometry(zoom->from);
    band->show();

    auto* animation = new QPropertyAnimation(band, "geometry", band);
    animation->setDuration(ZoomMilliseconds);
    animation->setStartValue(zoom->from);
    animation->setEndValue(zoom->to);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    QObject::connect(animation, &QPropertyAnimation::finished, band, &QObject::deleteLater);
    animation->start();
}
