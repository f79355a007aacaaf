#pragma once

#include <QRect>
#include <array>

// Rectangles in twips (1/1440 inch). Kept as double: the halving rules can land between twips.
struct TwipRect
{
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;

    double right() const { return left + width; }
    double bottom() const { return top + height; }
};

// Geometry of the settings dialog in twips, from what its captions need. Nothing here touches a
// widget, so the rules can be checked to the twip without fonts; frmOptions measures its captions,
// feeds them in and converts the result to pixels.
class OptionsLayout
{
public:
    // Design sizes, in twips.
    static constexpr double TabLeft = 210;
    static constexpr double TabTop = 180;
    static constexpr double TabHeight = 4100;
    static constexpr double PageMargin = 360;
    static constexpr double TimeRowGap = 50;
    static constexpr double TimeBoxTop = 240;
    static constexpr double TimeBoxWidth = 615;
    static constexpr double ListLabelTop = 750;
    static constexpr double ListTop = 1080;
    static constexpr double ListHeight = 2460;
    static constexpr double ListButtonWidth = 855;
    static constexpr double ListButtonHeight = 330;
    static constexpr double DeleteTop = 1290;
    static constexpr double ClearTop = 2340;
    static constexpr double BottomButtonWidth = 900;
    static constexpr double BottomButtonHeight = 350;
    static constexpr double BottomButtonMargin = 850;
    static constexpr double OptionInset = 300;
    static constexpr double OptionGap = 120;
    static constexpr double AddressGap = 100;
    static constexpr double PrefixWidth = 1215;
    static constexpr double SubAddressWidth = 495;

    // What the captions and the real widgets need, in twips. The defaults are the design sizes; a
    // zero "needs" width means that part never widens the dialog.
    struct Input
    {
        std::array<double, 5> timeLabelWidths { 180, 180, 180, 180, 180 }; // Label0 elements 0..4
        double timeLabelHeight = 180; // Label0 element 0
        double listLabelHeight = 180; // Label0 element 4
        double comboHeight = 300; // the hour box
        double comboWidth = TimeBoxWidth;
        double optionHeight = 255; // Shutdown_Option element 0
        double checkHeight = 180;
        double textHeight = 285;
        std::array<double, 3> addressLabelWidths { 180, 180, 180 }; // Label3 elements 0..2
        double addressLabelHeight = 180;
        // Widest of the check box captions, of the option button captions, and the tab captions together.
        double checkNeeds = 0;
        double optionNeeds = 0;
        double tabNeeds = 0;
        // Screen size, for centring.
        double screenWidth = 0;
        double screenHeight = 0;
    };

    // Pages and dialog-level controls are in dialog coordinates; page contents are relative to their
    // page, option buttons relative to Frame1, as the controls are nested.
    struct Result
    {
        double dialogWidth = 0;
        double dialogHeight = 0;
        double dialogLeft = 0;
        double dialogTop = 0;
        TwipRect tab;
        TwipRect page;
        // Pages 0..2 (the time lists), all alike.
        std::array<TwipRect, 5> timeLabels; // Label0 elements 0..4
        TwipRect hour;
        TwipRect minute;
        TwipRect second;
        TwipRect list;
        TwipRect addButton; // Command1
        TwipRect deleteButton; // Command2
        TwipRect clearButton; // Command3
        // Bottom buttons.
        TwipRect ok;
        TwipRect cancel;
        TwipRect apply;
        // Page 3.
        TwipRect frame;
        std::array<TwipRect, 3> options;
        TwipRect check3;
        TwipRect check1;
        TwipRect check2;
        std::array<TwipRect, 3> addressLabels; // Label3 elements 0..2
        TwipRect text1;
        TwipRect text2;
        TwipRect text3;
    };

    static Result compute(const Input& input);

    /// Pixels at dpi dots per inch. Edges are rounded, not sizes, so neighbours that touch in twips
    /// still touch in pixels and a size measured in pixels comes back unchanged.
    static QRect toPixels(const TwipRect& rect, double dpi);
    static int toPixels(double twips, double dpi);
    static double toTwips(int pixels, double dpi);
};
