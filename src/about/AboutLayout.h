#pragma once

#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>

// Geometry rules of the about box and the tray animation, free of widgets so that they can be
// checked without fonts or a display. Lengths are in twips (1/1440 inch) unless a name says pixels.
namespace about {

/// The notice text box is never made narrower than this, whatever the name line measures.
constexpr int MinRichTextWidth = 3676;

struct AboutWidths
{
    int richTextWidth = 0;
    int boxWidth = 0;
};

/// Width fitting: the notice box takes the name line's width (at least MinRichTextWidth) and the box
/// grows or shrinks with it, keeping the right margin it had at design.
AboutWidths fitAboutWidth(int label1Width, int boxWidth, int richTextLeft, int richTextWidth);

/// Centred on the screen, 200 twips above the middle; the main window may move it afterwards.
QPointF aboutFirstPosition(const QSize& screen, const QSize& box);

/// The main window's caption ends with the short version; the about box names the program without it.
QString withoutVersion(const QString& caption, const QString& version);

/// A rectangle as the Windows calls take it: right and bottom lie just outside.
struct WinRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const WinRect& other) const
    {
        return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
    }
};

/// The one-pixel-wide strip at the horizontal middle of the notification area (screen pixels), which
/// the zoom animation aims at. An empty area counts as all zero.
WinRect trayStrip(const QRect& area);

int twipsToPixels(double twips, int dpi);
int pixelsToTwips(int pixels, int dpi);

} // namespace about
