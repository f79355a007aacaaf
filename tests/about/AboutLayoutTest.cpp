#include "about/AboutLayout.h"

#include <gtest/gtest.h>

namespace {

TEST(AboutLayout, NoticeBoxIsAtLeast3676TwipsAndKeepsTheRightMargin)
{
    struct Case
    {
        int label1Width;
        int richTextWidth;
        int boxWidth;
    };
    // Design: box 5250, notice box at 1080 and 3915 wide, so the right margin is 255.
    const Case cases[] = {
        { 0, 3676, 5011 },    { 2000, 3676, 5011 }, { 3675, 3676, 5011 },
        { 3676, 3676, 5011 }, { 3677, 3677, 5012 }, { 6000, 6000, 7335 },
    };
    for (const Case& c : cases) {
        const about::AboutWidths widths = about::fitAboutWidth(c.label1Width, 5250, 1080, 3915);
        EXPECT_EQ(widths.richTextWidth, c.richTextWidth) << c.label1Width;
        EXPECT_EQ(widths.boxWidth, c.boxWidth) << c.label1Width;
    }
}

TEST(AboutLayout, FirstPositionIsCentredAndRaised)
{
    EXPECT_EQ(about::aboutFirstPosition(QSize(12000, 9000), QSize(5011, 3150)), QPointF(3494.5, 2725));
    // A box larger than the screen goes to negative coordinates rather than being clamped.
    EXPECT_EQ(about::aboutFirstPosition(QSize(4000, 3000), QSize(5000, 3150)), QPointF(-500, -275));
}

TEST(AboutLayout, VersionIsRemovedFromTheCaptionWhereverItStands)
{
    struct Case
    {
        const char16_t* caption;
        const char16_t* name;
    };
    const Case cases[] = {
        { u"Tova自动关机 1.2", u"Tova自动关机 " },
        { u"Tova Shutdown", u"Tova Shutdown" },
        { u"1.2 and 1.2 again", u" and  again" },
        { u"version 1.20", u"version 0" },
        { u"1,2 1-2", u"1,2 1-2" },
        { u"", u"" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(about::withoutVersion(QString::fromUtf16(c.caption), QStringLiteral("1.2")),
                  QString::fromUtf16(c.name));
    }
}

TEST(AboutLayout, TrayStripIsOnePixelAtTheMiddleRoundedToEven)
{
    struct Case
    {
        QRect area;
        about::WinRect strip;
    };
    const Case cases[] = {
        { QRect(900, 0, 101, 40), { 950, 0, 951, 40 } },
        { QRect(900, 0, 100, 40), { 950, 0, 951, 40 } },
        { QRect(900, 740, 99, 28), { 950, 740, 951, 768 } },
        { QRect(0, 5, 3, 2), { 2, 5, 3, 7 } },
        { QRect(0, 5, 5, 2), { 2, 5, 3, 7 } },
        { QRect(10, 10, 1, 1), { 10, 10, 11, 11 } },
        // Unknown area: the strip falls to the screen's top-left corner.
        { QRect(), { 0, 0, 1, 0 } },
        { QRect(900, 10, 0, 30), { 0, 0, 1, 0 } },
    };
    for (const Case& c : cases) {
        const about::WinRect strip = about::trayStrip(c.area);
        EXPECT_EQ(strip, c.strip) << c.area.x() << ' ' << c.area.width() << " -> " << strip.left << ".." << strip.right;
    }
}

} // namespace
