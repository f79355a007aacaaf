#include "about/AboutLayout.h"

#include "core/TextHelpers.h"
#include "core/Twips.h"

#include <cmath>

namespace about {

namespace {
constexpr int AboveMiddle = 200;
} // namespace

AboutWidths fitAboutWidth(int label1Width, int boxWidth, int richTextLeft, int richTextWidth)
{
    const int rightMargin = boxWidth - richTextLeft - richTextWidth;
    AboutWidths result;
    result.richTextWidth = label1Width >= MinRichTextWidth ? label1Width : MinRichTextWidth;
    result.boxWidth = result.richTextWidth + richTextLeft + rightMargin;
    return result;
}

QPointF aboutFirstPosition(const QSize& screen, const QSize& box)
{
    return QPointF((screen.width() - box.width()) / 2.0, (screen.height() - box.height()) / 2.0 - AboveMiddle);
}

QString withoutVersion(const QString& caption, const QString& version)
{
    if (version.isEmpty()) {
        return caption;
    }
    QString name = caption;
    return name.remove(version, Qt::CaseSensitive);
}

WinRect trayStrip(const QRect& area)
{
    WinRect strip;
    if (!area.isEmpty()) {
        strip.left = area.x();
        strip.top = area.y();
        strip.right = area.x() + area.width();
        strip.bottom = area.y() + area.height();
    }
    // The middle of an odd width falls on a half pixel; it goes to the even neighbour, as the
    // original's conversion to a whole number did.
    strip.left = static_cast<int>(text::roundHalfEven(strip.right - (strip.right - strip.left) / 2.0));
    strip.right = strip.left + 1;
    return strip;
}

int twipsToPixels(double twips, int dpi)
{
    return twips::toPixels(twips, dpi);
}

int pixelsToTwips(int pixels, int dpi)
{
    return static_cast<int>(std::lround(twips::fromPixels(pixels, dpi)));
}

} // namespace about
