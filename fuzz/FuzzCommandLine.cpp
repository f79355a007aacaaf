// libFuzzer entry for the command-line splitter. Any line splits without making text up; and arguments
// quoted the way a Windows program quotes them for CommandLineToArgvW come back unchanged.
#include "FuzzCheck.h"
#include "platform/linux/CommandLine.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// The well-known quoting for the Microsoft C runtime's rules: quote when needed, double the
// backslashes before a quote or the closing quote, escape quotes with a backslash.
QString quoteArgument(const QString& argument, bool always)
{
    bool plain = !always && !argument.isEmpty();
    for (const QChar c : argument) {
        plain = plain && !isBlank(c) && c != u'"';
    }
    if (plain) {
        return argument;
    }
    QString quoted = QStringLiteral("\"");
    for (qsizetype i = 0;; ++i) {
        qsizetype backslashes = 0;
        while (i < argument.size() && argument[i] == u'\\') {
            ++backslashes;
            ++i;
        }
        if (i == argument.size()) {
            quoted += QString(backslashes * 2, u'\\');
            break;
        }
        if (argument[i] == u'"') {
            quoted += QString(backslashes * 2 + 1, u'\\') + u'"';
        } else {
            quoted += QString(backslashes, u'\\') + argument[i];
        }
    }
    return quoted + u'"';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    const qsizetype nul = input.indexOf(QChar(0));
    const QString line = nul < 0 ? input : input.left(nul);
    const QStringList words = CommandLine::split(input);
    FUZZ_CHECK(words.isEmpty() == line.isEmpty());
    qsizetype total = 0;
    for (const QString& word : words) {
        total += word.size();
        FUZZ_CHECK(!word.contains(QChar(0)));
    }
    FUZZ_CHECK(total <= line.size());

    // The input's NUL-separated pieces as the arguments of a program without blanks or quotes in its name.
    const QStringList arguments = input.split(QChar(0));
    for (const bool always : { false, true }) {
        QString built = QStringLiteral("prog");
        for (const QString& argument : arguments) {
            built += u' ' + quoteArgument(argument, always);
        }
        const QStringList expected = QStringList { QStringLiteral("prog") } + arguments;
        FUZZ_CHECK(CommandLine::split(built) == expected);
    }
    return 0;
}
