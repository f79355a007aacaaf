#include "platform/linux/CommandLine.h"

#include "platform/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase
{
    const char* line; // UTF-8
    QStringList words;
};

void PrintTo(const SplitCase& c, std::ostream* os)
{
    *os << c.line;
}

class CommandLineSplit : public testing::TestWithParam<SplitCase>
{
};

TEST_P(CommandLineSplit, GivesTheWordsWindowsWould)
{
    EXPECT_EQ(CommandLine::split(QString::fromUtf8(GetParam().line)), GetParam().words);
}

// Microsoft's published examples, each after a program name since the first word has rules of its own.
INSTANTIATE_TEST_SUITE_P(MicrosoftExamples, CommandLineSplit,
                         testing::Values(SplitCase { R"(p "abc" d e)", { "p", "abc", "d", "e" } },
                                         SplitCase { R"(p a\\b d"e f"g h)", { "p", R"(a\\b)", "de fg", "h" } },
                                         SplitCase { R"(p a\\\"b c d)", { "p", R"(a\"b)", "c", "d" } },
                                         SplitCase { R"(p a\\\\"b c" d e)", { "p", R"(a\\b c)", "d", "e" } },
                                         SplitCase { R"(p a"b"" c d)", { "p", R"(ab" c d)" } },
                                         SplitCase { R"(p "ab\"c" "\\" d)", { "p", R"(ab"c)", R"(\)", "d" } },
                                         SplitCase { R"(p a\\\b)", { "p", R"(a\\\b)" } },
                                         SplitCase { R"(p "a\\\"b")", { "p", R"(a\"b)" } }));

INSTANTIATE_TEST_SUITE_P(
    ProgramName, CommandLineSplit,
    testing::Values(SplitCase { R"("/opt/my apps/net" send)", { "/opt/my apps/net", "send" } },
                    // No escapes in the name: the backslash stays, the quote ends the name.
                    SplitCase { R"("C:\dir\" x)", { R"(C:\dir\)", "x" } }, SplitCase { R"("a"b c)", { "a", "b", "c" } },
                    SplitCase { R"(a"b c" d)", { R"(a"b)", "c d" } }, SplitCase { R"(a\\"b)", { R"(a\\"b)" } },
                    SplitCase { R"("unterminated name)", { "unterminated name" } },
                    SplitCase { R"("" x)", { "", "x" } }, SplitCase { " net send", { "", "net", "send" } },
                    SplitCase { "   ", { "" } }, SplitCase { "net", { "net" } }));

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineSplit,
    testing::Values(SplitCase { "", {} }, SplitCase { "net \t send  192.168.0.2 \t", { "net", "send", "192.168.0.2" } },
                    SplitCase { R"(p "" "")", { "p", "", "" } }, SplitCase { R"(p a""b)", { "p", "ab" } },
                    SplitCase { R"(p """")", { "p", R"(")" } }, SplitCase { R"(p "a""b")", { "p", R"(a"b)" } },
                    SplitCase { R"(p "unterminated  quote)", { "p", "unterminated  quote" } },
                    SplitCase { R"(p trailing\)", { "p", R"(trailing\)" } },
                    SplitCase { R"(p \\\\)", { "p", R"(\\\\)" } },
                    SplitCase { "p \"tab\tinside\"", { "p", "tab\tinside" } },
                    // Only blanks and tabs separate: a line feed is part of the word.
                    SplitCase { "p a\nb", { "p", "a\nb" } },
                    SplitCase { "p a;b|c&d $(e) `f` >g", { "p", "a;b|c&d", "$(e)", "`f`", ">g" } },
                    SplitCase { "net send 192.168.0.2 系统将在 1 分钟后关机！",
                                { "net", "send", "192.168.0.2", "系统将在", "1", "分钟后关机！" } }));

TEST(CommandLine, EndsAtTheFirstNul)
{
    const QString line = QStringLiteral("net send") + QChar(0) + QStringLiteral(" hidden");
    EXPECT_EQ(CommandLine::split(line), QStringList({ "net", "send" }));
    EXPECT_TRUE(CommandLine::split(QString(QChar(0)) + QStringLiteral("x")).isEmpty());
}

} // namespace
