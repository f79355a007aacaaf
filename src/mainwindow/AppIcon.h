#pragma once

#include <QIcon>

/// The program's icon: a clock face with a power mark, drawn at the sizes desktops ask for.
QIcon appIcon();
