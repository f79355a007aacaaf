#include "settingsdialog/AddressFields.h"

#include <gtest/gtest.h>

TEST(AddressFieldsTest, TidyUp)
{
    struct Case
    {
        QString prefix, start, end;
        QString wantPrefix, wantStart, wantEnd;
    };
    const Case cases[] = {
        { u"１９２。１６８·０"_qs, u"2"_qs, u"255"_qs, u"192.168.0"_qs, u"2"_qs, u"255"_qs },
        { u"10．0．0"_qs, u"2"_qs, u"255"_qs, u"10.0.0"_qs, u"2"_qs, u"255"_qs },
        { u" 192.168.0 "_qs, u"2"_qs, u"255"_qs, u" 192.168.0 "_qs, u"2"_qs, u"255"_qs }, // the writer trims
        { u"p"_qs, u"abc"_qs, u"300"_qs, u"p"_qs, u"1"_qs, u"255"_qs },
        { u"p"_qs, u"10"_qs, u"5"_qs, u"p"_qs, u"1"_qs, u"5"_qs },
        { u"p"_qs, u"1"_qs, u"1"_qs, u"p"_qs, u"1"_qs, u"255"_qs },
        { u"p"_qs, u"0"_qs, u"0"_qs, u"p"_qs, u"1"_qs, u"255"_qs },
        { u"p"_qs, u"2.5"_qs, u"255"_qs, u"p"_qs, u"2.5"_qs, u"255"_qs },
        { u"p"_qs, u"-3"_qs, u"-3"_qs, u"p"_qs, u"1"_qs, u"255"_qs },
        { u"p"_qs, u"３０"_qs, u"４０ｘ"_qs, u"p"_qs, u"30"_qs, u"40"_qs },
        { u"p"_qs, u"  7 "_qs, u"20abc"_qs, u"p"_qs, u"7"_qs, u"20"_qs },
        { u"p"_qs, u"300"_qs, u"255"_qs, u"p"_qs, u"1"_qs, u"255"_qs },
        { u"p"_qs, u"254.5"_qs, u"255"_qs, u"p"_qs, u"254.5"_qs, u"255"_qs },
        { u"p"_qs, u""_qs, u""_qs, u"p"_qs, u"1"_qs, u"255"_qs },
    };
    for (const Case& c : cases) {
        const AddressFields out = AddressFields { c.prefix, c.start, c.end }.tidied();
        EXPECT_EQ(out.prefix, c.wantPrefix) << c.prefix.toStdString();
        EXPECT_EQ(out.start, c.wantStart) << c.start.toStdString() << " / " << c.end.toStdString();
        EXPECT_EQ(out.end, c.wantEnd) << c.start.toStdString() << " / " << c.end.toStdString();
    }
}
