#include "localisation/LanguageFile.h"

#include "core/LangTable.h"
#include "core/TextFile.h"
#include "core/TextHelpers.h"
#include "platform/fake/FakeSystemInfo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString BuiltInName = QStringLiteral("中文简体(&C)");

// The grid is large (101 x 201 strings): keep it off the stack.
std::unique_ptr<LangTable> freshTable()
{
    return std::make_unique<LangTable>();
}

std::unique_ptr<LangTable> builtInTable()
{
    auto table = freshTable();
    LoadBuiltInTexts(*table);
    return table;
}

void expectSameTexts(const LangTable& actual, const LangTable& expected)
{
    for (int column = 0; column < LangTable::Columns; ++column) {
        for (int row = 0; row < LangTable::Rows; ++row) {
            ASSERT_EQ(actual.text(column, row), expected.text(column, row)) << "column " << column << " row " << row;
        }
    }
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Language 1 is always given a text, so that what happens to block 2 is seen without the built-in fallback.
QString fileWithBlock2(const QString& body)
{
    return QStringLiteral("[langue]：中文．English[/langue]\n"
                          "[langue1]\n001=操作\n[/langue1]\n"
                          "[langue2]\n")
        + body + QStringLiteral("[/langue2]\n");
}

} // namespace

TEST(LanguageFile, FullWidthHeaderFillsBothLanguagesWithoutBuiltInTexts)
{
    const QString file = QStringLiteral("[langue]：中文．English[/langue]\n"
                                        "[langue1]\n050=自动关机\n[/langue1]\n"
                                        "[langue2]\n050=Auto shutdown\n[/langue2]\n");
    auto table = freshTable();
    EXPECT_TRUE(applyLanguageText(*table, file));
    EXPECT_EQ(table->text(1, 0), QStringLiteral("中文"));
    EXPECT_EQ(table->text(2, 0), QStringLiteral("English"));
    EXPECT_EQ(table->text(1, 50), QStringLiteral("自动关机"));
    EXPECT_EQ(table->text(2, 50), QStringLiteral("Auto shutdown"));
    EXPECT_TRUE(table->text(1, 1).isEmpty()) << "built-in texts must not be loaded";
    EXPECT_TRUE(table->text(3, 0).isEmpty());
}

TEST(LanguageFile, MissingBlockOfLanguage1ClearsItsNameAndLoadsBuiltInTexts)
{
    const QString file = QStringLiteral("[langue]：中文．English[/langue]\n"
                                        "[langue2]\n050=Auto shutdown\n[/langue2]\n");
    auto table = freshTable();
    EXPECT_FALSE(applyLanguageText(*table, file));

    auto expected = builtInTable();
    expected->set(2, 0, QStringLiteral("English"));
    expected->set(2, 50, QStringLiteral("Auto shutdown"));
    expectSameTexts(*table, *expected);
    EXPECT_EQ(table->text(1, 0), BuiltInName);
}

TEST(LanguageFile, BlankOnlyLanguage1LoadsBuiltInTextsOverItsRows)
{
    // Rows the built-in table does not know keep what the file gave them, blanks included.
    const QString file = QStringLiteral("[langue]Blank.English[/langue]\n"
                                        "[langue1]\n007=   \n050=\n[/langue1]\n"
                                        "[langue2]\n050=Auto shutdown\n[/langue2]\n");
    auto table = freshTable();
    EXPECT_FALSE(applyLanguageText(*table, file));
    EXPECT_EQ(table->text(1, 0), BuiltInName);
    EXPECT_EQ(table->text(1, 50), QStringLiteral("自动关机"));
    EXPECT_EQ(table->text(1, 7), QStringLiteral("   "));
    EXPECT_EQ(table->text(2, 50), QStringLiteral("Auto shutdown"));
}

TEST(LanguageFile, BlockRules)
{
    const struct
    {
        const char* what;
        QString body;
        int row;
        QString expected;
    } cases[] = {
        { "key with one digit sets nothing", QStringLiteral("5=one\n"), 5, QString() },
        { "key with two digits sets nothing", QStringLiteral("05=two\n"), 5, QString() },
        { "three digits and = set the row", QStringLiteral("05=two\n005=three\n"), 5, QStringLiteral("three") },
        { "three digits without = set nothing", QStringLiteral("005 three\n"), 5, QString() },
        { "full-width digits are not a key", QStringLiteral("０５０=wide\n"), 50, QString() },
        { "key then line end gives empty", QStringLiteral("050=\n051=next\n"), 50, QString() },
        { "blanks after = stay", QStringLiteral("050=  two blanks  \n"), 50, QStringLiteral("  two blanks  ") },
        { "first of two lines wins", QStringLiteral("050=first\n050=second\n"), 50, QStringLiteral("first") },
        { "mid-line occurrence counts", QStringLiteral("099=a 050=mid\n050=line\n"), 50, QStringLiteral("mid") },
        { "the line holding it keeps it", QStringLiteral("099=a 050=mid\n"), 99, QStringLiteral("a 050=mid") },
        { "four digits hold the last three", QStringLiteral("1050=x\n"), 50, QStringLiteral("x") },
        { "CR before LF removed", QStringLiteral("050=text\r\n"), 50, QStringLiteral("text") },
        { "every CR removed", QStringLiteral("050=a\rb\r\n"), 50, QStringLiteral("ab") },
        { "key on the closing tag's line is empty", QStringLiteral("050=last"), 50, QString() },
        { "row 200 is the last row", QStringLiteral("200=end\n"), 200, QStringLiteral("end") },
        { "row 0 comes only from the header", QStringLiteral("000=Other\n"), 0, QStringLiteral("English") },
        { "missing key leaves the row empty", QStringLiteral("051=x\n"), 50, QString() },
    };
    for (const auto& c : cases) {
        auto table = freshTable();
        EXPECT_TRUE(applyLanguageText(*table, fileWithBlock2(c.body)));
        EXPECT_EQ(table->text(2, c.row), c.expected) << c.what;
    }
}

TEST(LanguageFile, BlockBoundaries)
{
    // Block 2 without its closing tag: every row empty, the name stays so the language is still offered.
    auto open = freshTable();
    applyLanguageText(*open,
                      QStringLiteral("[langue]a.b[/langue]\n[langue1]\n050=one\n[/langue1]\n[langue2]\n050=two\n"));
    EXPECT_EQ(open->text(2, 0), QStringLiteral("b"));
    EXPECT_TRUE(open->text(2, 50).isEmpty());

    // Only the first block of a number counts, and a later language's rows do not leak into it.
    auto twice = freshTable();
    applyLanguageText(*twice,
                      QStringLiteral("[langue]a.b[/langue]\n"
                                     "[langue1]\n050=first\n[/langue1]\n"
                                     "[langue1]\n050=second\n051=second\n[/langue1]\n"
                                     "[langue2]\n052=two\n[/langue2]\n"));
    EXPECT_EQ(twice->text(1, 50), QStringLiteral("first"));
    EXPECT_TRUE(twice->text(1, 51).isEmpty());
    EXPECT_TRUE(twice->text(1, 52).isEmpty());
    EXPECT_EQ(twice->text(2, 52), QStringLiteral("two"));

    // "[langue1]" is not found inside "[langue10]", nor is block 1 closed by "[/langue10]".
    QString many = QStringLiteral("[langue]");
    for (int k = 1; k <= 10; ++k) {
        many += QStringLiteral("L%1.").arg(k);
    }
    many.chop(1);
    many += QStringLiteral("[/langue]\n[langue10]\n050=ten\n[/langue10]\n[langue1]\n050=one\n[/langue1]\n");
    auto numbered = freshTable();
    applyLanguageText(*numbered, many);
    EXPECT_EQ(numbered->text(1, 50), QStringLiteral("one"));
    EXPECT_EQ(numbered->text(10, 50), QStringLiteral("ten"));
    EXPECT_EQ(numbered->text(10, 0), QStringLiteral("L10"));
    EXPECT_TRUE(numbered->text(2, 0).isEmpty()) << "language 2 has no block";
}

TEST(LanguageFile, HeaderForms)
{
    const QString blocks = QStringLiteral("[langue1]\n050=x\n[/langue1]\n[langue2]\n050=x\n[/langue2]\n"
                                          "[langue3]\n050=x\n[/langue3]\n");
    const struct
    {
        const char* what;
        QString header;
        QStringList names;
    } cases[] = {
        { "full-width colon and stop", QStringLiteral("[langue]：a．b[/langue]"), { "a", "b" } },
        { "half-width colon", QStringLiteral("[langue]:a.b[/langue]"), { "a", "b" } },
        { "no colon", QStringLiteral("[langue]a.b[/langue]"), { "a", "b" } },
        { "names are not trimmed", QStringLiteral("[langue] a .b\n[/langue]"), { " a ", "b\n" } },
        { "full-width brackets narrowed", QStringLiteral("[langue]中文（&C）[/langue]"), { "中文(&C)" } },
        { "empty list is one empty name", QStringLiteral("[langue][/langue]"), { "" } },
        { "trailing stop adds an empty name", QStringLiteral("[langue]a.[/langue]"), { "a", "" } },
        { "closing tag before the opening one ignored",
          QStringLiteral("[/langue]z[langue]a.b[/langue]"),
          { "a", "b" } },
        { "first opening tag counts", QStringLiteral("[langue]a[/langue][langue]b.c[/langue]"), { "a" } },
        { "only one colon is dropped", QStringLiteral("[langue]：：a[/langue]"), { ":a" } },
    };
    for (const auto& c : cases) {
        auto table = freshTable();
        applyLanguageText(*table, c.header + u'\n' + blocks);
        for (int k = 1; k <= 3; ++k) {
            const QString expected = k <= c.names.size() ? c.names[k - 1] : QString();
            EXPECT_EQ(table->text(k, 0), expected) << c.what << ", language " << k;
        }
    }
}

TEST(LanguageFile, UnusableHeaderGivesBuiltInTextsOnly)
{
    const QString blocks = QStringLiteral("[langue1]\n050=one\n[/langue1]\n[langue2]\n050=two\n[/langue2]\n");
    const struct
    {
        const char* what;
        QString text;
    } cases[] = {
        { "empty file", QString() },
        { "no header at all", blocks },
        { "header without closing tag", QStringLiteral("[langue]a.b\n") + blocks },
        { "closing tag only", QStringLiteral("[/langue]\n") + blocks },
    };
    auto expected = builtInTable();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto table = freshTable();
        EXPECT_FALSE(applyLanguageText(*table, c.text));
        expectSameTexts(*table, *expected);
    }
}

TEST(LanguageFile, FullGridLoadsAndNamesBeyondTheHundredthAreIgnored)
{
    // 100 languages of 200 rows fill the grid; five more languages have no column to go to.
    QStringList names;
    QString blocks;
    for (int k = 1; k <= 105; ++k) {
        names << QStringLiteral("L%1").arg(k);
        blocks += QStringLiteral("[langue%1]\n").arg(k);
        for (int row = 1; row <= 200; ++row) {
            blocks += QStringLiteral("%1=language %2 row %3\n").arg(row, 3, 10, QLatin1Char('0')).arg(k).arg(row);
        }
        blocks += QStringLiteral("[/langue%1]\n").arg(k);
    }
    auto table = freshTable();
    ASSERT_TRUE(applyLanguageText(
        *table, QStringLiteral("[langue]") + names.join(u'.') + QStringLiteral("[/langue]\n") + blocks));
    for (int k = 1; k <= 100; ++k) {
        ASSERT_EQ(table->text(k, 0), names[k - 1]);
        for (int row = 1; row <= 200; ++row) {
            ASSERT_EQ(table->text(k, row), QStringLiteral("language %1 row %2").arg(k).arg(row));
        }
    }
}

TEST(TextHelpers, CountOccurrences)
{
    const struct
    {
        QString needle;
        QString text;
        int expected;
    } cases[] = {
        { ".", "a.b.", 2 }, { ".", "", 0 },        { "", "abc", 0 },
        { "", "", 0 },      { "aa", "aaaa", 2 },   { "aa", "aaa", 1 },
        { "ab", "xyz", 0 }, { "．", "a．b.c", 1 }, { "[langue]", "[langue][langue]:", 2 },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text::CountOccurrences(c.needle, c.text), c.expected)
            << c.needle.toStdString() << " in " << c.text.toStdString();
    }
}

class LanguageFileOnDisk : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        m_previousFolder = QDir::currentPath();
        ASSERT_TRUE(QDir(m_root.path()).mkpath(QStringLiteral("current")));
        ASSERT_TRUE(QDir(m_root.path()).mkpath(QStringLiteral("config")));
        ASSERT_TRUE(QDir(m_root.path()).mkpath(QStringLiteral("data")));
        ASSERT_TRUE(QDir::setCurrent(m_root.filePath(QStringLiteral("current"))));
        m_system.directory = m_root.filePath(QStringLiteral("config"));
    }
    void TearDown() override { QDir::setCurrent(m_previousFolder); }

    QString dataDir() const { return m_root.filePath(QStringLiteral("data")); }
    QString inFolder(const QString& folder) const
    {
        return m_root.filePath(folder + u'/' + LanguageFileName.toString());
    }
    static QByteArray fileNamed(const QString& name)
    {
        return QStringLiteral("[langue]%1[/langue]\n[langue1]\n050=%1\n[/langue1]\n").arg(name).toUtf8();
    }

    QTemporaryDir m_root;
    QString m_previousFolder;
    FakeSystemInfo m_system;
};

TEST_F(LanguageFileOnDisk, CandidatesInOrder)
{
    EXPECT_EQ(languageFileCandidates(m_system, dataDir()),
              QStringList({ LanguageFileName.toString(), inFolder(QStringLiteral("config")),
                            inFolder(QStringLiteral("data")) }));
    m_system.directory.clear();
    EXPECT_EQ(languageFileCandidates(m_system, QString()), QStringList(LanguageFileName.toString()));
}

TEST_F(LanguageFileOnDisk, FirstOrdinaryFileIsTheOnlyOneRead)
{
    ASSERT_TRUE(writeBytes(inFolder(QStringLiteral("config")), fileNamed(QStringLiteral("config"))));
    ASSERT_TRUE(writeBytes(inFolder(QStringLiteral("data")), fileNamed(QStringLiteral("data"))));
    const QStringList candidates = languageFileCandidates(m_system, dataDir());

    auto fromConfig = freshTable();
    QString readPath;
    EXPECT_TRUE(LoadLanguageFile(*fromConfig, candidates, m_system, &readPath).isEmpty());
    EXPECT_EQ(readPath, inFolder(QStringLiteral("config")));
    EXPECT_EQ(fromConfig->text(1, 50), QStringLiteral("config"));

    // The file in the current folder hides the one in the program's folder.
    ASSERT_TRUE(writeBytes(LanguageFileName.toString(), fileNamed(QStringLiteral("current"))));
    auto fromCurrent = freshTable();
    EXPECT_TRUE(LoadLanguageFile(*fromCurrent, candidates, m_system, &readPath).isEmpty());
    EXPECT_EQ(readPath, LanguageFileName.toString());
    EXPECT_EQ(fromCurrent->text(1, 0), QStringLiteral("current"));
    EXPECT_EQ(fromCurrent->text(1, 50), QStringLiteral("current"));
}

TEST_F(LanguageFileOnDisk, FolderWithTheFileNameIsSkipped)
{
    ASSERT_TRUE(QDir().mkdir(LanguageFileName.toString()));
    ASSERT_TRUE(writeBytes(inFolder(QStringLiteral("data")), fileNamed(QStringLiteral("data"))));
    auto table = freshTable();
    LoadLanguageFile(*table, languageFileCandidates(m_system, dataDir()), m_system);
    EXPECT_EQ(table->text(1, 50), QStringLiteral("data"));
}

TEST_F(LanguageFileOnDisk, NoFileGivesBuiltInTexts)
{
    auto table = freshTable();
    QString readPath;
    EXPECT_TRUE(LoadLanguageFile(*table, languageFileCandidates(m_system, dataDir()), m_system, &readPath).isEmpty());
    EXPECT_TRUE(readPath.isEmpty());
    expectSameTexts(*table, *builtInTable());
}

TEST_F(LanguageFileOnDisk, UnreadableOrOversizedFileGivesBuiltInTextsAndHidesTheRest)
{
    // A test run as root reads any file, so "unreadable" is a folder that the system calls an ordinary file.
    class FolderAsFile : public FakeSystemInfo
    {
    public:
        bool isOrdinaryFile(const QString& path) const override { return QFileInfo::exists(path); }
    };
    FolderAsFile system;
    system.directory = m_system.directory;
    ASSERT_TRUE(QDir().mkdir(LanguageFileName.toString()));
    ASSERT_TRUE(writeBytes(inFolder(QStringLiteral("config")), fileNamed(QStringLiteral("config"))));

    auto unreadable = freshTable();
    QString readPath;
    LoadLanguageFile(*unreadable, languageFileCandidates(system, dataDir()), system, &readPath);
    EXPECT_TRUE(readPath.isEmpty());
    expectSameTexts(*unreadable, *builtInTable());

    // Sparse, so the oversized file costs no disk space.
    const QString big = inFolder(QStringLiteral("data"));
    ASSERT_TRUE(writeBytes(big, fileNamed(QStringLiteral("big"))));
    QFile bigFile(big);
    ASSERT_TRUE(bigFile.resize(textfile::MaxReadSize + 1));
    auto oversized = freshTable();
    LoadLanguageFile(*oversized, QStringList(big), m_system, &readPath);
    EXPECT_TRUE(readPath.isEmpty());
    expectSameTexts(*oversized, *builtInTable());
}

TEST_F(LanguageFileOnDisk, GbkWithCrLfReadsLikeUtf8WithLf)
{
    const QString text = QStringLiteral("[langue]：中文简体（&C）．English[/langue]\n"
                                        "[langue1]\n050=自动关机\n120=　　注意：数据\n[/langue1]\n"
                                        "[langue2]\n050= Automatic Shutdown\n[/langue2]\n");
    const QString utf8Path = inFolder(QStringLiteral("config"));
    const QString gbkPath = inFolder(QStringLiteral("data"));
    ASSERT_TRUE(writeBytes(utf8Path, text.toUtf8()));
    QString crlf = text;
    ASSERT_TRUE(writeBytes(gbkPath, textfile::encode(crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n")))));

    auto fromUtf8 = freshTable();
    auto fromGbk = freshTable();
    LoadLanguageFile(*fromUtf8, QStringList(utf8Path), m_system);
    LoadLanguageFile(*fromGbk, QStringList(gbkPath), m_system);
    expectSameTexts(*fromGbk, *fromUtf8);
    EXPECT_EQ(fromGbk->text(1, 0), QStringLiteral("中文简体(&C)"));
    EXPECT_EQ(fromGbk->text(1, 120), QStringLiteral("　　注意：数据"));
    EXPECT_EQ(fromGbk->text(2, 50), QStringLiteral(" Automatic Shutdown"));
}

TEST(ShippedLanguageFile, OffersChineseAndACompleteEnglish)
{
    FakeSystemInfo system;
    const QString path = QStringLiteral(TOVA_SOURCE_DATA_DIR "/") + LanguageFileName.toString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(QString::fromUtf8(bytes).toUtf8(), bytes) << "shipped as UTF-8";
    EXPECT_FALSE(bytes.contains('\r')) << "shipped with LF line ends";

    auto table = freshTable();
    QString readPath;
    LoadLanguageFile(*table, QStringList(path), system, &readPath);
    ASSERT_EQ(readPath, path);
    EXPECT_EQ(table->text(1, 0), BuiltInName);
    EXPECT_EQ(table->text(2, 0), QStringLiteral("English(&E)"));
    EXPECT_TRUE(table->text(3, 0).isEmpty());

    // Language 1 of the file is the built-in Chinese to the character; nothing else is in column 1.
    auto builtIn = builtInTable();
    for (int row = 0; row < LangTable::Rows; ++row) {
        EXPECT_EQ(table->text(1, row), builtIn->text(1, row)) << "row " << row;
        const QString english = table->text(2, row);
        EXPECT_EQ(english.isEmpty(), builtIn->text(1, row).isEmpty()) << "row " << row;
        EXPECT_EQ(english.contains(QStringLiteral("%n")), builtIn->text(1, row).contains(QStringLiteral("%n")))
            << "row " << row;
    }
    // The caption is "Tova" + row 50 + version, so the English row brings its own blank.
    EXPECT_EQ(QStringLiteral("Tova") + table->text(2, 50), QStringLiteral("Tova Automatic Shutdown"));
}
