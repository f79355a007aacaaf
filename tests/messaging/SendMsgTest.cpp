#include "core/LangTable.h"
#include "messaging/Send_Msg.h"
#include "platform/fake/FakeDialogs.h"
#include "platform/fake/FakeLauncher.h"
#include "shutdown/ErrorGuard.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>

// Readable failure messages.
void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

using Kind = FakeDialogs::Kind;

class SendMsgTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LoadBuiltInTexts(m_lang);
        m_lang.copyColumn(1, 0);
    }
    void TearDown() override { delete m_window.data(); }

    Send_Msg& open()
    {
        m_window = new Send_Msg(m_lang, m_launcher, m_dialogs, m_guard, QIcon());
        m_window->show();
        return *m_window;
    }
    template<typename T> T* child(const char* name)
    {
        T* widget = m_window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QLineEdit* address() { return child<QLineEdit>("Text1"); }
    QPlainTextEdit* content() { return child<QPlainTextEdit>("Text2"); }
    QLabel* counter() { return child<QLabel>("Label3"); }
    QPushButton* button(int n) { return child<QPushButton>(QStringLiteral("Command%1").arg(n).toLatin1().constData()); }
    void click(int n) { QTest::mouseClick(button(n), Qt::LeftButton); }

    LangTable m_lang;
    FakeLauncher m_launcher;
    FakeDialogs m_dialogs;
    int m_exitStatus = -1;
    ErrorGuard m_guard { m_dialogs, QString(), [this](int status) { m_exitStatus = status; } };
    QPointer<Send_Msg> m_window;
};

TEST_F(SendMsgTest, LoadSetsTextsAndTabOrder)
{
    m_lang.set(0, 88, QStringLiteral("  Send a message  "));
    open();
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("Send a message"));
    EXPECT_EQ(child<QLabel>("Label1")->text(), m_lang[124]);
    EXPECT_EQ(child<QLabel>("Label2")->text(), m_lang[125]);
    const struct
    {
        int n;
        int caption;
        QString tip;
    } buttons[] = {
        { 1, 74, m_lang[74] + m_lang[82] },
        { 2, 75, m_lang[89] },
        { 3, 126, m_lang[90] },
        { 4, 77, m_lang[77] + m_lang[88] },
    };
    for (const auto& b : buttons) {
        EXPECT_EQ(button(b.n)->text(), m_lang[b.caption]) << b.n;
        EXPECT_EQ(button(b.n)->toolTip(), b.tip) << b.n;
        EXPECT_TRUE(button(b.n)->isEnabled()) << b.n;
    }
    EXPECT_EQ(address()->toolTip(), m_lang[87]);
    EXPECT_TRUE(address()->text().isEmpty());
    EXPECT_TRUE(content()->toPlainText().isEmpty());
    EXPECT_TRUE(counter()->text().isEmpty());
    EXPECT_EQ(child<QLabel>("Label1")->buddy(), address());
    EXPECT_EQ(child<QLabel>("Label2")->buddy(), content());

    QWidget* expected[] = { address(), content(), button(1), button(2), button(3), button(4) };
    for (size_t i = 0; i + 1 < std::size(expected); ++i) {
        QWidget* next = expected[i]->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus || !next->isVisibleTo(m_window)) {
            next = next->nextInFocusChain();
        }
        EXPECT_EQ(next, expected[i + 1]) << i;
    }
    EXPECT_TRUE(m_launcher.commandLines.isEmpty());
}

TEST_F(SendMsgTest, SendTakesTheMessageAsTypedAndWaitsForTheNextEdit)
{
    open();
    QTest::keyClicks(address(), QStringLiteral("  pc1  "));
    QTest::keyClicks(content(), QStringLiteral("hello"));
    click(2);
    EXPECT_EQ(m_launcher.commandLines, QStringList { QStringLiteral("net send pc1 hello") });
    EXPECT_EQ(m_launcher.showModes, std::vector<int> { 0 });
    EXPECT_TRUE(m_dialogs.shown.isEmpty());
    EXPECT_FALSE(button(2)->isEnabled());

    click(2);
    EXPECT_EQ(m_launcher.commandLines.size(), 1);

    QTest::keyClicks(address(), QStringLiteral("x"));
    EXPECT_TRUE(button(2)->isEnabled());
    click(2);
    EXPECT_FALSE(button(2)->isEnabled());
    QTest::keyClick(content(), Qt::Key_Backspace);
    EXPECT_TRUE(button(2)->isEnabled());

    // Quoted so that the launcher's split gives back every blank, quote, backslash and line break.
    address()->setText(QStringLiteral("pc1"));
    content()->setPlainText(QStringLiteral(" first  line\nsecond \"quoted\\\" line\\ "));
    click(2);
    EXPECT_EQ(m_launcher.commandLines.last(),
              QStringLiteral("net send pc1 \" first  line\nsecond \\\"quoted\\\\\\\" line\\ \""));
}

TEST_F(SendMsgTest, NoAddressOrAMessageTooLongIsRefusedBeforeSending)
{
    const struct
    {
        const char* what;
        QString address;
        QString content;
        QString reason;
    } cases[] = {
        { "no address", QString(), QStringLiteral("msg"), m_lang[143] },
        { "blank address", QStringLiteral("   "), QStringLiteral("msg"), m_lang[143] },
        { "901 bytes", QStringLiteral("pc1"), QString(299, QChar(0x4E2D)) + QStringLiteral("abcd"),
          withNumber(m_lang[144], 901) },
    };
    for (const auto& c : cases) {
        m_dialogs.shown.clear();
        open();
        address()->setText(c.address);
        content()->setPlainText(c.content);
        click(2);
        EXPECT_TRUE(m_launcher.commandLines.isEmpty()) << c.what;
        ASSERT_EQ(m_dialogs.shown.size(), 1) << c.what;
        EXPECT_EQ(m_dialogs.shown[0].kind, Kind::Error) << c.what;
        EXPECT_EQ(m_dialogs.shown[0].text, m_lang[85] + QStringLiteral("\n\n") + c.reason) << c.what;
        delete m_window.data();
    }
    open();
    address()->setText(QStringLiteral("pc1"));
    content()->setPlainText(QString(300, QChar(0x4E2D))); // 900 bytes: one datagram
    click(2);
    EXPECT_EQ(m_launcher.commandLines.size(), 1);
}

TEST_F(SendMsgTest, EmptyContentAsksFirst)
{
    const struct
    {
        const char* what;
        QString address;
        QString content;
        bool answer;
        QStringList started;
    } cases[] = {
        { "no content, No", QStringLiteral("pc1"), QString(), false, {} },
        { "blank content, No", QStringLiteral("pc1"), QStringLiteral("  "), false, {} },
        { "no content, Yes", QStringLiteral("pc1"), QString(), true, { QStringLiteral("net send pc1 \"\"") } },
    };
    for (const auto& c : cases) {
        m_launcher.commandLines.clear();
        m_dialogs.shown.clear();
        m_dialogs.answers = { c.answer };
        open();
        QTest::keyClicks(address(), c.address);
        QTest::keyClicks(content(), c.content);
        click(2);
        EXPECT_EQ(m_launcher.commandLines, c.started) << c.what;
        ASSERT_EQ(m_dialogs.shown.size(), 1) << c.what;
        EXPECT_EQ(m_dialogs.shown[0].kind, Kind::Question) << c.what;
        EXPECT_EQ(m_dialogs.shown[0].button, Dialogs::Default::No) << "Enter must not send to nobody";
        EXPECT_EQ(m_dialogs.shown[0].title, m_window->windowTitle()) << c.what;
        EXPECT_EQ(m_dialogs.shown[0].text, m_lang[83] + QStringLiteral("\n\n") + m_lang[84]) << c.what;
        EXPECT_EQ(button(2)->isEnabled(), !c.answer) << c.what;
        delete m_window.data();
    }
}

TEST_F(SendMsgTest, AFailedOrImpossibleStartIsReported)
{
    for (int result : { 0, 2, 33 }) {
        m_dialogs.shown.clear();
        m_launcher.result = result;
        open();
        QTest::keyClicks(address(), QStringLiteral("pc1"));
        QTest::keyClicks(content(), QStringLiteral("hi"));
        click(2);
        if (result <= 31) {
            ASSERT_EQ(m_dialogs.shown.size(), 1);
            EXPECT_EQ(m_dialogs.shown[0].kind, Kind::Error);
            EXPECT_EQ(m_dialogs.shown[0].title, m_lang[86]);
            EXPECT_EQ(m_dialogs.shown[0].text, m_lang[85]);
        } else {
            EXPECT_TRUE(m_dialogs.shown.isEmpty()) << result;
        }
        EXPECT_FALSE(button(2)->isEnabled()) << result;
        delete m_window.data();
    }

    // net ends in failure after the window has closed: the user is told all the same, with net's reason.
    ASSERT_EQ(m_launcher.failureHandlers.size(), 3u);
    m_dialogs.shown.clear();
    m_launcher.failureHandlers.back()(QStringLiteral("net: cannot find the computer pc1"));
    ASSERT_EQ(m_dialogs.shown.size(), 1);
    EXPECT_EQ(m_dialogs.shown[0].kind, Kind::Error);
    EXPECT_EQ(m_dialogs.shown[0].text, m_lang[85] + QStringLiteral("\n\nnet: cannot find the computer pc1"));
}

TEST_F(SendMsgTest, ServiceToggleStopsAndStartsWithTheControls)
{
    // A failed service command is not reported; the button changes anyway.
    m_launcher.result = 0;
    open();
    const auto expectState = [&](bool running, const char* when) {
        const int caption = running ? 74 : 73;
        EXPECT_EQ(button(1)->text(), m_lang[caption]) << when;
        EXPECT_EQ(button(1)->toolTip(), m_lang[caption] + m_lang[82]) << when;
        for (QWidget* widget : { static_cast<QWidget*>(button(2)), static_cast<QWidget*>(button(3)),
                                 static_cast<QWidget*>(address()), static_cast<QWidget*>(content()) }) {
            EXPECT_EQ(widget->isEnabled(), running) << when << ' ' << widget->objectName().toStdString();
        }
        EXPECT_TRUE(button(1)->isEnabled()) << when;
        EXPECT_TRUE(button(4)->isEnabled()) << when;
    };
    click(1);
    EXPECT_EQ(m_launcher.commandLines, QStringList { QStringLiteral("net stop messenger") });
    expectState(false, "stopped");
    click(1);
    EXPECT_EQ(m_launcher.commandLines,
              (QStringList { QStringLiteral("net stop messenger"), QStringLiteral("net start messenger") }));
    EXPECT_EQ(m_launcher.showModes, (std::vector<int> { 0, 0 }));
    expectState(true, "started");
    EXPECT_TRUE(m_dialogs.shown.isEmpty());
}

TEST_F(SendMsgTest, ServiceToggleFollowsTheStateNotTheCaption)
{
    // A language file that gives start and stop the same text must not leave the button stuck.
    m_lang.set(0, 73, QStringLiteral("Messenger"));
    m_lang.set(0, 74, QStringLiteral("Messenger"));
    open();
    click(1);
    click(1);
    click(1);
    EXPECT_EQ(m_launcher.commandLines,
              (QStringList { QStringLiteral("net stop messenger"), QStringLiteral("net start messenger"),
                             QStringLiteral("net stop messenger") }));
}

TEST_F(SendMsgTest, CounterShowsTheNumberOfCharacters)
{
    open();
    const QRect label2 = child<QLabel>("Label2")->geometry();
    const int text2Right = content()->geometry().right();
    QTest::keyClicks(content(), QStringLiteral("abc"));
    EXPECT_EQ(counter()->text(), withNumber(m_lang[72], 3));
    EXPECT_EQ(counter()->text(), QString::fromUtf16(u"已输入 3 个字符"));
    EXPECT_EQ(counter()->geometry().top(), label2.top());
    EXPECT_EQ(counter()->geometry().right(), text2Right);
    EXPECT_GT(counter()->geometry().left(), label2.left());

    // UTF-16 units: a character outside the basic plane counts twice.
    content()->setPlainText(QString::fromUtf16(u"中\U0001D11E"));
    EXPECT_EQ(counter()->text(), withNumber(m_lang[72], 3));
    content()->clear();
    EXPECT_EQ(counter()->text(), withNumber(m_lang[72], 0));
}

TEST_F(SendMsgTest, PastedRichTextArrivesAsPlainText)
{
    open();
    auto* mime = new QMimeData;
    mime->setHtml(QStringLiteral("<b>bold</b> <i>news</i>"));
    mime->setText(QStringLiteral("bold news"));
    QApplication::clipboard()->setMimeData(mime);
    content()->paste();
    EXPECT_EQ(content()->toPlainText(), QStringLiteral("bold news"));
    for (auto fragment = content()->document()->begin().begin(); !fragment.atEnd(); ++fragment) {
        EXPECT_NE(fragment.fragment().charFormat().fontWeight(), QFont::Bold);
        EXPECT_FALSE(fragment.fragment().charFormat().fontItalic());
    }
}

class SendMsgImportTest : public SendMsgTest
{
protected:
    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QTemporaryDir m_dir;
};

TEST_F(SendMsgImportTest, ImportReplacesTheContentAndUpdatesTheCounter)
{
    const QString path = writeFile(QStringLiteral("note.txt"), QString::fromUtf16(u"今晚七点\n开会").toUtf8());
    m_dialogs.fileNames = { path };
    open();
    QTest::keyClicks(address(), QStringLiteral("pc1"));
    QTest::keyClicks(content(), QStringLiteral("old text"));
    click(2);
    click(3);
    EXPECT_EQ(content()->toPlainText(), QString::fromUtf16(u"今晚七点\n开会"));
    EXPECT_EQ(counter()->text(), withNumber(m_lang[72], 7));
    EXPECT_TRUE(button(2)->isEnabled());
    ASSERT_EQ(m_dialogs.shown.size(), 1);
    EXPECT_EQ(m_dialogs.shown[0].kind, Kind::OpenFile);
    EXPECT_EQ(m_dialogs.shown[0].title, m_lang[81]);
    EXPECT_EQ(m_dialogs.lastFilters,
              (QStringList { m_lang[78] + QStringLiteral(" (*.txt)"), m_lang[79] + QStringLiteral(" (*.rtf)"),
                             m_lang[80] + QStringLiteral(" (*)") }));
}

TEST_F(SendMsgImportTest, CancelledOrUnreadableImportLeavesTheContent)
{
    const struct
    {
        const char* what;
        QString fileName;
        int errors;
    } cases[] = {
        { "cancelled", QString(), 0 },
        { "missing file", m_dir.filePath(QStringLiteral("gone.txt")), 1 },
        { "a folder", m_dir.path(), 1 },
    };
    for (const auto& c : cases) {
        m_dialogs.shown.clear();
        m_dialogs.fileNames = { c.fileName };
        open();
        QTest::keyClicks(address(), QStringLiteral("pc1"));
        QTest::keyClicks(content(), QStringLiteral("keep me"));
        click(2);
        const QString before = counter()->text();
        click(3);
        EXPECT_EQ(content()->toPlainText(), QStringLiteral("keep me")) << c.what;
        EXPECT_EQ(counter()->text(), before) << c.what;
        EXPECT_FALSE(button(2)->isEnabled()) << c.what;
        EXPECT_EQ(m_dialogs.count(Kind::Error), c.errors) << c.what;
        if (c.errors > 0) {
            EXPECT_TRUE(m_dialogs.shown.last().text.contains(c.fileName)) << c.what;
        }
        EXPECT_EQ(m_exitStatus, -1) << c.what;
        delete m_window.data();
    }
}

TEST_F(SendMsgTest, ExitClosesAndTheNextOpeningStartsAfresh)
{
    open();
    click(1);
    QTest::keyClicks(address(), QStringLiteral("pc1"));
    click(4);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(m_window.isNull());

    open();
    EXPECT_EQ(button(1)->text(), m_lang[74]);
    EXPECT_TRUE(address()->text().isEmpty());
    EXPECT_TRUE(address()->isEnabled());
    QTest::keyClick(content(), Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(m_window.isNull()) << "Escape left the window open";
}

} // namespace
