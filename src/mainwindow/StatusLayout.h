#pragma once

#include <array>

// Status-bar panel widths in twips: 1-twip spacers at both ends, four equal panels between them.
inline std::array<int, 6> statusPanelWidths(int barWidthTwips)
{
    const int spacer = 1;
    const int panel = (barWidthTwips - 2 * spacer) / 4;
    return { spacer, panel, panel, panel, panel, spacer };
}
