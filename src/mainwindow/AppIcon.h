#pragma once

#include <QIcon>

/// The program's icon, a clock face with a power mark: the icon theme's "tova-shutdown" when installed,
/// else drawn at the sizes desktops ask for.
QIcon appIcon();
