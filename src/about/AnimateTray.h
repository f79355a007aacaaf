#pragma once

#include <QRect>
#include <optional>

class NotificationIcon;
class QWidget;

// The zoom between a window and the notification area, played when the main window hides into it
// and comes back out of it.

/// Screen rectangles of one zoom, in pixels.
struct TrayZoom
{
    QRect from;
    QRect to;
};

/// What AnimateTray draws for these arguments; nothing when the window already is where the zoom would
/// take it, for an unknown direction, or when the desktop does not tell where its notification area is.
std::optional<TrayZoom> planTrayZoom(const QWidget* form, int direction, const QRect& iconArea);

/// direction 1: from the window into the notification area (before hiding it); 0: back out of it
/// (before showing it). Changes neither the window's visibility nor its position, and returns at once:
/// the zoom plays on its own for a fifth of a second.
void AnimateTray(QWidget* form, int direction, const NotificationIcon& icon);
