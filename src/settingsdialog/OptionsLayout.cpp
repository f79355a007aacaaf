#include "OptionsLayout.h"

#include "core/Twips.h"

#include <algorithm>
#include <cmath>

namespace {
// The next control of a row starts gap after the right edge of the one before.
double after(const TwipRect& previous, double gap)
{
    return previous.right() + gap;
}
} // namespace

OptionsLayout::Result OptionsLayout::compute(const Input& in)
{
    Result r;

    // Time row of the list pages: label, box, label, box, label, box, label.
    const double labelTop = TimeBoxTop + (in.comboHeight - in.timeLabelHeight) / 2;
    auto timeLabel = [&](int i, double left) {
        r.timeLabels[i] = { left, labelTop, in.timeLabelWidths[i], in.timeLabelHeight };
    };
    timeLabel(0, PageMargin);
    r.hour = { after(r.timeLabels[0], TimeRowGap), TimeBoxTop, in.comboWidth, in.comboHeight };
    timeLabel(1, after(r.hour, TimeRowGap));
    r.minute = { after(r.timeLabels[1], TimeRowGap), TimeBoxTop, in.comboWidth, in.comboHeight };
    timeLabel(2, after(r.minute, TimeRowGap));
    r.second = { after(r.timeLabels[2], TimeRowGap), TimeBoxTop, in.comboWidth, in.comboHeight };
    timeLabel(3, after(r.second, TimeRowGap));
    r.timeLabels[4] = { PageMargin, ListLabelTop, in.timeLabelWidths[4], in.listLabelHeight };

    // The list is as wide as the time row's right edge, so it ends one margin beyond the row.
    r.list = { PageMargin, ListTop, r.timeLabels[3].right(), ListHeight };

    // Address row of page 3, relative to its own start; placed once the page width is known.
    const double checkLeft = PageMargin;
    std::array<double, 6> rowWidths { in.addressLabelWidths[0], PrefixWidth,
                                      in.addressLabelWidths[1], SubAddressWidth,
                                      in.addressLabelWidths[2], SubAddressWidth };
    double rowRight = checkLeft + OptionInset;
    for (double width : rowWidths) {
        rowRight += width + AddressGap;
    }
    rowRight -= AddressGap;

    // Dialog and tab strip. Longer captions on page 3 or in the tabs widen the tab strip beyond
    // what the time row asks for, so that none of them is cut.
    double tabWidth = 3.5 * PageMargin + r.list.width + ListButtonWidth;
    const double pageNeeds = std::max(
        { in.checkNeeds + 2 * PageMargin, in.optionNeeds + 2 * OptionInset + 2 * PageMargin, rowRight + PageMargin });
    tabWidth = std::max({ tabWidth, in.tabNeeds, pageNeeds + 100 });
    r.dialogHeight = TabTop + TabHeight + 1440;
    r.tab = { TabLeft, TabTop, tabWidth, TabHeight };
    r.dialogWidth = 2 * TabLeft + tabWidth;

    const double pageWidth = tabWidth - 100;
    r.page = { (r.dialogWidth - pageWidth) / 2, TabTop + 320, pageWidth, TabHeight - 360 };

    // List buttons, right-aligned one margin inside the page.
    const double buttonLeft = pageWidth - PageMargin - ListButtonWidth;
    r.addButton = { buttonLeft, TimeBoxTop, ListButtonWidth, ListButtonHeight };
    r.deleteButton = { buttonLeft, DeleteTop, ListButtonWidth, ListButtonHeight };
    r.clearButton = { buttonLeft, ClearTop, ListButtonWidth, ListButtonHeight };

    // Bottom buttons, spread evenly with equal margins at both ends.
    const double buttonTop = TabTop + TabHeight + 350;
    const double gap = (r.dialogWidth - 3 * BottomButtonWidth - 2 * BottomButtonMargin) / 2;
    r.ok = { BottomButtonMargin, buttonTop, BottomButtonWidth, BottomButtonHeight };
    r.cancel = { after(r.ok, gap), buttonTop, BottomButtonWidth, BottomButtonHeight };
    r.apply = { after(r.cancel, gap), buttonTop, BottomButtonWidth, BottomButtonHeight };

    // Page 3: the frame lines up with the time row's first label on the other pages.
    const double frameWidth = pageWidth - 2 * PageMargin;
    const double optionWidth = frameWidth - 2 * OptionInset;
    const double h = in.optionHeight;
    r.options[0] = { OptionInset, 300, optionWidth, h };
    r.options[1] = { OptionInset, 300 + h + OptionGap, optionWidth, h };
    r.options[2] = { OptionInset, 300 + 2 * h + 2 * OptionGap, optionWidth, h };
    const double frameHeight = r.options[2].bottom() + r.options[0].top - OptionGap;
    r.frame = { checkLeft, r.timeLabels[0].top - 70, frameWidth, frameHeight };

    // Four equal gaps between the frame, the three check boxes and the address row; the margin
    // below the row then equals the frame's top.
    const double checkWidth = pageWidth - 2 * PageMargin;
    const double spare = (r.page.height - r.frame.height - 2 * r.frame.top - 3 * in.checkHeight - in.textHeight) / 4;
    r.check3 = { checkLeft, r.frame.bottom() + spare, checkWidth, in.checkHeight };
    r.check1 = { checkLeft, r.check3.bottom() + spare, checkWidth, in.checkHeight };
    r.check2 = { checkLeft, r.check1.bottom() + spare, checkWidth, in.checkHeight };
    const double textTop = r.check2.bottom() + spare;

    const double addressLabelTop = textTop + (in.textHeight - in.addressLabelHeight) / 2;
    r.addressLabels[0] = { r.check2.left + OptionInset, addressLabelTop, rowWidths[0], in.addressLabelHeight };
    r.text1 = { after(r.addressLabels[0], AddressGap), textTop, PrefixWidth, in.textHeight };
    r.addressLabels[1] = { after(r.text1, AddressGap), addressLabelTop, rowWidths[2], in.addressLabelHeight };
    r.text2 = { after(r.addressLabels[1], AddressGap), textTop, SubAddressWidth, in.textHeight };
    r.addressLabels[2] = { after(r.text2, AddressGap), addressLabelTop, rowWidths[4], in.addressLabelHeight };
    r.text3 = { after(r.addressLabels[2], AddressGap), textTop, SubAddressWidth, in.textHeight };

    r.dialogLeft = (in.screenWidth - r.dialogWidth) / 2;
    r.dialogTop = (in.screenHeight - r.dialogHeight) / 2;
    return r;
}

int OptionsLayout::toPixels(double twips, double dpi)
{
    return twips::toPixels(twips, dpi);
}

QRect OptionsLayout::toPixels(const TwipRect& rect, double dpi)
{
    const int left = toPixels(rect.left, dpi);
    const int top = toPixels(rect.top, dpi);
    return QRect(left, top, toPixels(rect.right(), dpi) - left, toPixels(rect.bottom(), dpi) - top);
}

double OptionsLayout::toTwips(int pixels, double dpi)
{
    return twips::fromPixels(pixels, dpi);
}
