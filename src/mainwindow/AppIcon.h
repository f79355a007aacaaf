#pragma once

#include <QIcon>

/// The program's icon, a clock face with a power mark: the icon theme's "tova-shutdown" when installed,
/// else drawn at the sizes desktops ask for.
QIcon appIcon();

/// The icon in its warning state, for the last minute before a shutdown: icon with a warning badge.
QIcon warningIcon(const QIcon& icon);
