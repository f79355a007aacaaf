#include "settingsdialog/OptionsLayout.h"

#include <gtest/gtest.h>

namespace {
// Time-row labels 810, 180, 180 and 180 twips wide.
OptionsLayout::Input workedExample()
{
    OptionsLayout::Input in;
    in.timeLabelWidths = { 810, 180, 180, 180, 1500 };
    return in;
}

std::vector<double> edges(const TwipRect& r)
{
    return { r.left, r.top, r.width, r.height };
}
using Edges = std::vector<double>;
} // namespace

TEST(OptionsLayoutTest, WorkedExampleToTheTwip)
{
    OptionsLayout::Input in = workedExample();
    in.comboHeight = 390;
    in.timeLabelHeight = 240;
    const OptionsLayout::Result r = OptionsLayout::compute(in);

    EXPECT_EQ(edges(r.hour), Edges({ 1220, 240, 615, 390 }));
    EXPECT_EQ(r.minute.left, 2115);
    EXPECT_EQ(r.second.left, 3010);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(r.timeLabels[i].left, (Edges { 360, 1885, 2780, 3675 })[i]);
        EXPECT_EQ(r.timeLabels[i].top, 240 + (390 - 240) / 2) << "centred on the boxes";
    }
    EXPECT_EQ(edges(r.list), Edges({ 360, 1080, 3855, 2460 }));
    EXPECT_EQ(edges(r.tab), Edges({ 210, 180, 5970, 4100 }));
    EXPECT_EQ(r.dialogWidth, 6390);
    EXPECT_EQ(r.dialogHeight, 5720);
    EXPECT_EQ(edges(r.page), Edges({ 260, 500, 5870, 3740 }));
    EXPECT_EQ(edges(r.addButton), Edges({ 4655, 240, 855, 330 }));
    EXPECT_EQ(edges(r.clearButton), Edges({ 4655, 2340, 855, 330 }));
    EXPECT_EQ(edges(r.ok), Edges({ 850, 4630, 900, 350 }));
    EXPECT_EQ(edges(r.cancel), Edges({ 2745, 4630, 900, 350 }));
    EXPECT_EQ(edges(r.apply), Edges({ 4640, 4630, 900, 350 }));
}

// Another language: the time row, list, tab strip, pages and dialog all grow by the same amount, and
// the list buttons stay right-aligned 360 inside the page. Captions of page 3 or of the tabs that
// would not fit widen the dialog as well.
TEST(OptionsLayoutTest, LongerCaptionsWidenTheDialog)
{
    const OptionsLayout::Result base = OptionsLayout::compute(workedExample());
    struct Case
    {
        double OptionsLayout::Input::*field;
        double value;
        double growth;
    };
    const Case cases[] = {
        { nullptr, 0, 500 }, // time-row labels 400 and 100 wider
        { &OptionsLayout::Input::checkNeeds, 7000, 7720 - 5870 },
        { &OptionsLayout::Input::optionNeeds, 7000, 8320 - 5870 },
        { &OptionsLayout::Input::tabNeeds, 8000, 8000 - 5970 },
        { &OptionsLayout::Input::checkNeeds, 2000, 0 }, // fits: nothing changes
    };
    for (const Case& c : cases) {
        OptionsLayout::Input in = workedExample();
        if (c.field) {
            in.*c.field = c.value;
        } else {
            in.timeLabelWidths[0] += 400;
            in.timeLabelWidths[2] += 100;
        }
        const OptionsLayout::Result r = OptionsLayout::compute(in);
        EXPECT_EQ(r.page.width - base.page.width, c.growth) << c.value;
        EXPECT_EQ(r.dialogWidth - base.dialogWidth, c.growth) << c.value;
        EXPECT_EQ(r.page.width - r.addButton.right(), 360) << c.value;
        EXPECT_EQ(r.dialogHeight, 5720) << c.value;
    }
}

TEST(OptionsLayoutTest, OptionsPageHasEqualGaps)
{
    for (const double height : { 180.0, 330.0 }) {
        OptionsLayout::Input in = workedExample();
        in.optionHeight = std::max(255.0, height);
        in.checkHeight = height;
        in.textHeight = height + 105;
        const OptionsLayout::Result r = OptionsLayout::compute(in);

        EXPECT_EQ(r.frame.top, r.timeLabels[0].top - 70);
        EXPECT_EQ(r.options[1].top - r.options[0].bottom(), 120);
        EXPECT_EQ(r.frame.height - r.options[2].bottom(), 180);
        const double gap = r.check3.top - r.frame.bottom();
        EXPECT_GT(gap, 0);
        EXPECT_EQ(r.check1.top - r.check3.bottom(), gap);
        EXPECT_EQ(r.check2.top - r.check1.bottom(), gap);
        EXPECT_EQ(r.text1.top - r.check2.bottom(), gap);
        EXPECT_EQ(r.addressLabels[0].left, 660);
        EXPECT_EQ(r.text3.left - r.addressLabels[2].right(), 100);
    }
}

TEST(OptionsLayoutTest, PixelsAtTheScreensDpi)
{
    const TwipRect page { 260, 500, 5870, 3740 };
    EXPECT_EQ(OptionsLayout::toPixels(page, 96), QRect(17, 33, 392, 250));
    EXPECT_EQ(OptionsLayout::toPixels(page, 144), QRect(26, 50, 587, 374));
    // A width measured in pixels comes back whole wherever it is placed.
    for (const double dpi : { 96.0, 120.0, 144.0 }) {
        const TwipRect label { 1885.5, 0, OptionsLayout::toTwips(37, dpi), 10 };
        EXPECT_EQ(OptionsLayout::toPixels(label, dpi).width(), 37) << dpi;
    }
}
