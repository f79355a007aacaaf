#include "messaging/import/TextImport.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QString Samples = QStringLiteral(TOVA_IMPORT_SAMPLES);

QString utf8(const char* text)
{
    return QString::fromUtf8(text);
}

std::string readSample(const QString& name)
{
    QString text;
    QString error;
    EXPECT_TRUE(TextImport::readMessageFile(Samples + u'/' + name, &text, &error)) << error.toStdString();
    return text.toStdString();
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_EQ(file.write(bytes), bytes.size());
    return path;
}

} // namespace

// Documents saved by word processors, Chinese and Latin text with what surrounds it in real files.
TEST(TextImport, ReadsTheTextOfSavedDocuments)
{
    const struct
    {
        const char* file;
        const char* text;
    } samples[] = {
        { "lo_html_notice.rtf",
          "各位同事：\n服务器将于今晚 22:00 关机维护，请提前保存文件！\n"
          "Dear colleagues, the server shuts down at 22:00 tonight.\nPlease save your work.\n"
          "地址 Room 301" },
        { "lo_notice_zh.rtf",
          "各位同事：\n服务器将于今晚 22:00 关机维护，请提前保存文件！\n\n"
          "Dear colleagues,\nthe server shuts down at 22:00 tonight. See the notice.\n"
          "地址\tRoom 301" },
        { "lo_table.rtf", "值班表 Duty roster\n日期\tName\t备注\n周一\tLi Wei\t\nEnd." },
        { "lo_picture.rtf", "图片如下 Picture below:\n 红色方块 red square\n完。" },
        { "lo_unicode.rtf",
          "Ελληνικά Русский 日本語のかな 한국어\n"
          "Emoji 😀 and 𠀀 (U+20000), € 5 — “quoted” ‘single’ …\n"
          "non-breaking space and softhyphen and café naïve Ærø" },
        { "wordpad_gbk.rtf",
          "各位同事：\n服务器将于今晚 22:00 关机维护，请提前保存文件！\n"
          "Dear colleagues,\nthe server shuts down at 22:00 tonight.\n"
          "地址\tRoom 301\n한국어 Привет 价格 € 5" },
        { "word2003_gbk.rtf",
          "各位同事：\n1.\t服务器将于今晚22:00关机，한국同事请注意。\nSee the page.\n"
          "日期\tName\n周一\tLi Wei\n完" },
        { "notice_gbk.txt",
          "各位同事：\n服务器将于今晚 22:00 关机维护，请提前保存文件！\nDear colleagues,\tRoom 301\n" },
        { "notice_utf8_bom.txt",
          "各位同事：\n服务器将于今晚 22:00 关机维护，请提前保存文件！\nDear colleagues,\tRoom 301\n" },
        { "notice_utf16le.txt",
          "各位同事：\n服务器将于今晚 22:00 关机维护，请提前保存文件！\nDear colleagues,\tRoom 301\n" },
    };
    for (const auto& sample : samples) {
        SCOPED_TRACE(sample.file);
        EXPECT_EQ(readSample(QString::fromLatin1(sample.file)), sample.text);
    }
}

TEST(TextImport, DecidesByContentNotByName)
{
    const struct
    {
        const char* name;
        QByteArray bytes;
        QString text;
    } cases[] = {
        { "RTF named .txt", R"({\rtf1\ansi\ansicpg936 \'c4\'e3\'ba\'c3\par})", utf8("你好") },
        { "RTF after a byte order mark and blank lines", "\xEF\xBB\xBF\r\n\r\n{\\rtf1 x}", utf8("x") },
        { "text that merely mentions RTF, named .rtf", "see {\\rtf1 x}", utf8("see {\\rtf1 x}") },
        { "UTF-8", "caf\xC3\xA9\n", utf8("café\n") },
        { "not UTF-8: GB18030", "\xC4\xE3\xBA\xC3", utf8("你好") },
        { "GB18030 four-byte sequence", "\x81\x30\x81\x30", utf8("\u0080") },
        { "UTF-16BE with its mark", QByteArray("\xFE\xFF\x4F\x60\x00\r\x00\n", 8), utf8("你\n") },
        { "CR LF and lone CR", "a\r\nb\rc\n", utf8("a\nb\nc\n") },
        { "empty", "", QString() },
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path
            = writeFile(dir, QString::fromLatin1(c.name) + (c.bytes.contains("rtf") ? ".txt" : ".rtf"), c.bytes);
        QString text = QStringLiteral("old");
        QString error;
        EXPECT_TRUE(TextImport::readMessageFile(path, &text, &error)) << error.toStdString();
        EXPECT_EQ(text.toStdString(), c.text.toStdString());
    }
}

TEST(TextImport, RefusesWhatIsNoMessageAndSaysWhy)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString tooLarge = writeFile(dir, QStringLiteral("large.txt"), QByteArray("x"));
    ASSERT_TRUE(QFile::resize(tooLarge, TextImport::MaxFileSize + 1));
    const QString binary
        = writeFile(dir, QStringLiteral("picture.png"), QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    const struct
    {
        const char* name;
        QString path;
        const char* reasonContains;
    } cases[] = {
        { "missing", dir.filePath(QStringLiteral("missing.txt")), "No such file" },
        { "folder", dir.path(), "not an ordinary file" },
        { "pipe, which would block", fifo, "not an ordinary file" },
        { "device without end", QStringLiteral("/dev/zero"), "not an ordinary file" },
        { "over the size limit", tooLarge, "MiB" },
        { "binary", binary, "does not hold text" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString text = QStringLiteral("kept");
        QString error;
        EXPECT_FALSE(TextImport::readMessageFile(c.path, &text, &error));
        EXPECT_EQ(text, QStringLiteral("kept"));
        EXPECT_TRUE(error.contains(QLatin1String(c.reasonContains))) << error.toStdString();
    }
}

TEST(TextImport, AcceptsAFileOfExactlyTheLimit)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = writeFile(dir, QStringLiteral("limit.txt"), QByteArray(TextImport::MaxFileSize, 'a'));
    QString text;
    EXPECT_TRUE(TextImport::readMessageFile(path, &text));
    EXPECT_EQ(text.size(), TextImport::MaxFileSize);
}
