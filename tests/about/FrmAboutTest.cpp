#include "about/frmAbout.h"

#include "about/AboutLayout.h"
#include "about/AnimateTray.h"
#include "core/LangTable.h"
#include "platform/fake/FakeNotificationIcon.h"

#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QIcon testIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::red);
    return QIcon(pixmap);
}

class FrmAboutTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LoadBuiltInTexts(m_lang);
        m_lang.copyColumn(1, 0);
    }
    template<typename T> T* child(const QWidget& box, const char* name)
    {
        T* widget = box.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    int labelWidthTwips(const QWidget& box)
    {
        return about::pixelsToTwips(child<QLabel>(box, "Label1")->width(), box.logicalDpiX());
    }

    LangTable m_lang;
};

TEST_F(FrmAboutTest, TextsNameTheProgramWithoutItsShortVersion)
{
    const frmAbout box(m_lang, QString::fromUtf16(u"Tova自动关机 1.2"), testIcon());
    const QString name = QString::fromUtf16(u"Tova自动关机 ");
    EXPECT_EQ(box.windowTitle(), QString::fromUtf16(u"关于 ") + name);
    EXPECT_EQ(child<QLabel>(box, "Label1")->text(), QString::fromUtf16(u"名称：") + name + " For NT " + m_lang[122]);
    EXPECT_EQ(child<QLabel>(box, "Label2")->text(), QString::fromUtf16(u"版本：1.2.32"));
    const auto* notice = child<QPlainTextEdit>(box, "RichText");
    EXPECT_EQ(notice->toPlainText(), m_lang[120]);
    EXPECT_TRUE(notice->toPlainText().startsWith(QString::fromUtf16(u"\u3000\u3000")));
    EXPECT_TRUE(notice->isReadOnly());
    EXPECT_FALSE(child<QLabel>(box, "picIcon")->pixmap().isNull());
    EXPECT_FALSE(box.windowIcon().isNull());
}

TEST_F(FrmAboutTest, CaptionWithoutTheVersionIsUsedWhole)
{
    m_lang.set(0, 110, QStringLiteral("About"));
    m_lang.set(0, 121, QStringLiteral("Name: "));
    const frmAbout box(m_lang, QStringLiteral("Tova Shutdown"), QIcon());
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About Tova Shutdown"));
    EXPECT_TRUE(child<QLabel>(box, "Label1")->text().startsWith(QStringLiteral("Name: Tova Shutdown For NT ")));
}

TEST_F(FrmAboutTest, ShortNameLineGivesTheMinimumNoticeBox)
{
    m_lang.set(0, 121, QStringLiteral("N"));
    m_lang.set(0, 122, QString());
    const frmAbout box(m_lang, QStringLiteral("T"), QIcon());
    ASSERT_LT(labelWidthTwips(box), about::MinRichTextWidth);
    EXPECT_EQ(box.sizeTwips(), QSize(3676 + 1080 + 255, 3150));
    EXPECT_EQ(child<QPlainTextEdit>(box, "RichText")->width(), about::twipsToPixels(3676, box.logicalDpiX()));
    EXPECT_EQ(box.width(), about::twipsToPixels(5011, box.logicalDpiX()));
}

TEST_F(FrmAboutTest, WideNameLineWidensNoticeAndBoxAlike)
{
    m_lang.set(0, 121, QString(200, u'W'));
    const frmAbout box(m_lang, QStringLiteral("Tova"), QIcon());
    const int label = labelWidthTwips(box);
    ASSERT_GT(label, about::MinRichTextWidth);
    EXPECT_EQ(box.sizeTwips(), QSize(label + 1080 + 255, 3150));
    EXPECT_NEAR(child<QPlainTextEdit>(box, "RichText")->width(), child<QLabel>(box, "Label1")->width(), 1);
}

TEST(AnimateTray, PlansNothingWhereTheWindowAlreadyIsOrTheAreaIsUnknown)
{
    QWidget shown;
    shown.setGeometry(100, 100, 300, 200);
    shown.show();
    QWidget hidden;
    hidden.setGeometry(50, 60, 200, 100);
    const QRect area(900, 740, 101, 28);
    struct Case
    {
        const char* what;
        const QWidget* form;
        int direction;
        QRect area;
    };
    const Case noZoom[] = {
        { "into the area from a hidden window", &hidden, 1, area },
        { "out of the area to a shown window", &shown, 0, area },
        { "unknown direction", &shown, 2, area },
        { "unknown direction", &hidden, -1, area },
        { "no area known", &shown, 1, QRect() },
        { "no window", nullptr, 1, area },
    };
    for (const Case& c : noZoom) {
        EXPECT_FALSE(planTrayZoom(c.form, c.direction, c.area)) << c.what;
    }

    const QRect strip(950, 740, 1, 28);
    const std::optional<TrayZoom> into = planTrayZoom(&shown, 1, area);
    ASSERT_TRUE(into);
    EXPECT_EQ(into->from, shown.frameGeometry());
    EXPECT_EQ(into->to, strip);
    const std::optional<TrayZoom> outOf = planTrayZoom(&hidden, 0, area);
    ASSERT_TRUE(outOf);
    EXPECT_EQ(outOf->from, strip);
    EXPECT_EQ(outOf->to, hidden.frameGeometry());
}

TEST(AnimateTray, LeavesTheWindowAsItWas)
{
    FakeNotificationIcon icon;
    icon.iconGeometry = QRect(900, 740, 101, 28);
    QWidget form;
    form.setGeometry(100, 100, 300, 200);
    const auto topLevels = QApplication::topLevelWidgets().size();
    for (int direction : { 0, 1, 2 }) {
        for (bool visible : { false, true }) {
            form.setVisible(visible);
            AnimateTray(&form, direction, icon);
            EXPECT_EQ(form.isVisible(), visible) << direction;
            EXPECT_EQ(form.geometry(), QRect(100, 100, 300, 200)) << direction;
        }
    }
    // Nothing to draw on without a screen: no zoom window is left behind either.
    EXPECT_EQ(QApplication::topLevelWidgets().size(), topLevels);
}

} // namespace

TEST_F(FrmAboutTest, EscapeClosesTheChildWindowThatHoldsTheBox)
{
    QMdiArea area;
    QMdiSubWindow* holder = area.addSubWindow(new frmAbout(m_lang, QStringLiteral("Tova"), QIcon()));
    area.show();
    holder->show();
    ASSERT_TRUE(holder->isVisible());
    // From the text, where the focus usually is.
    QTest::keyClick(holder->findChild<QPlainTextEdit*>(QStringLiteral("RichText")), Qt::Key_Escape);
    EXPECT_FALSE(holder->isVisible());
}
