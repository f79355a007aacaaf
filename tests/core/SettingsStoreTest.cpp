#include "core/SettingsStore.h"

#include "core/TextFile.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeSystemInfo.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

namespace {
const QString SampleFile = QStringLiteral("[关机时间]：12:00:00、17:30:00[/关机时间]\n"
                                          "[法定休息日]：11:30:00[/法定休息日]\n"
                                          "[法定节假日]：[/法定节假日]\n"
                                          "[关机动作]：重新启动[/关机动作]\n"
                                          "[强制关机]：Yes\n"
                                          "[是否发送关机信息]：Yes\n"
                                          "[IP地址前缀]：127.0.0[/IP地址前缀]\n"
                                          "[IP开始子地址]：2.5[/IP开始子地址]\n"
                                          "[IP结束子地址]：4.5[/IP结束子地址]");

class SettingsStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        system.directory = dir.path();
        model.SettingsFilePath = dir.filePath(QStringLiteral("AdminTovaShutDown.ini"));
    }
    void writeRaw(const QByteArray& bytes)
    {
        QFile file(model.SettingsFilePath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray readRaw()
    {
        QFile file(model.SettingsFilePath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    FakeSystemInfo system;
    FakeClock clock { QDateTime(QDate(2026, 12, 7), QTime(12, 0)) }; // a Monday
    SettingsModel model;
    SettingsStore store { model, system, clock };
};
} // namespace

TEST_F(SettingsStoreTest, WithoutAFileNothingChanges)
{
    int selected = 0;
    QString error;
    EXPECT_TRUE(store.LoadActionSettings([&](std::optional<int> k) { selected = k.value_or(-1); }, &error));
    EXPECT_TRUE(store.LoadTimeLists(&error));
    EXPECT_EQ(selected, 0);
    EXPECT_EQ(model.IpPrefix, QStringLiteral("192.168.0"));
    EXPECT_EQ(model.IpStart, 2);
    EXPECT_EQ(model.IpEnd, 255);
    EXPECT_EQ(model.LanguageIndex, -1);
    EXPECT_EQ(store.Clstm_Lst0.count(), 0);
}

TEST_F(SettingsStoreTest, ReadsEverythingFromTheFile)
{
    ASSERT_TRUE(textfile::write(model.SettingsFilePath, QStringLiteral("[语言类别]：2[/语言类别]\n") + SampleFile));
    int selected = 0;
    QString error;
    ASSERT_TRUE(store.LoadActionSettings([&](std::optional<int> k) { selected = k.value_or(-1); }, &error));
    EXPECT_EQ(selected, 2);
    EXPECT_EQ(model.LanguageIndex, 2);
    EXPECT_EQ(model.ShutdownFlags, 7);
    EXPECT_TRUE(model.SendNotice);
    EXPECT_EQ(model.IpPrefix, QStringLiteral("127.0.0"));
    EXPECT_EQ(model.IpStart, 2.5);
    EXPECT_EQ(model.IpEnd, 4);

    // The language is taken once per run only.
    selected = 0;
    ASSERT_TRUE(store.LoadActionSettings([&](std::optional<int> k) { selected = k.value_or(-1); }, &error));
    EXPECT_EQ(selected, 0);

    ASSERT_TRUE(store.LoadTimeLists(&error));
    EXPECT_TRUE(model.HolidaysSeparate);
    EXPECT_EQ(store.Clstm_Lst1.items(), QStringList({ "12:00:00", "17:30:00" }));
    EXPECT_EQ(store.Clstm_Lst2.items(), QStringList({ "11:30:00" }));
    EXPECT_TRUE(store.Clstm_Lst3.items().isEmpty());
    EXPECT_EQ(store.Clstm_Lst0.items(), store.Clstm_Lst1.items());
}

TEST_F(SettingsStoreTest, EveryReadSeesTheFileAsItIsNow)
{
    // Same size, one digit changed, as an editor saving in place within the same second would leave it.
    QString error;
    const QString start = QStringLiteral("[IP开始子地址]：2.5[/IP开始子地址]");
    ASSERT_TRUE(textfile::write(model.SettingsFilePath, SampleFile));
    ASSERT_TRUE(store.LoadActionSettings({}, &error));
    EXPECT_EQ(model.IpStart, 2.5);
    QString changed = SampleFile;
    changed.replace(start, QStringLiteral("[IP开始子地址]：3.5[/IP开始子地址]"));
    ASSERT_TRUE(textfile::write(model.SettingsFilePath, changed));
    ASSERT_TRUE(store.LoadActionSettings({}, &error));
    EXPECT_EQ(model.IpStart, 3.5);

    // An unchanged file still puts its values back over the model's, and leaves what it lacks alone.
    model.IpStart = 9;
    model.ShutdownFlags = 1;
    ASSERT_TRUE(store.LoadActionSettings({}, &error));
    EXPECT_EQ(model.IpStart, 3.5);
    EXPECT_EQ(model.ShutdownFlags, 7);
    changed.replace(QStringLiteral("[IP地址前缀]：127.0.0[/IP地址前缀]"), QString());
    ASSERT_TRUE(textfile::write(model.SettingsFilePath, changed));
    model.IpPrefix = QStringLiteral("10.1.1");
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(store.LoadActionSettings({}, &error));
        EXPECT_EQ(model.IpPrefix, QStringLiteral("10.1.1"));
    }

    // The buffer is the file's text again after a save that never reached the file.
    store.RichTextBox1 = QStringLiteral("unsaved");
    ASSERT_TRUE(store.LoadActionSettings({}, &error));
    EXPECT_EQ(store.RichTextBox1, changed);
}

TEST_F(SettingsStoreTest, AFileThatCannotBeReadSaysWhy)
{
    ASSERT_TRUE(textfile::write(model.SettingsFilePath, SampleFile));
    system.readFailure = QStringLiteral("Permission denied");
    QString error;
    EXPECT_FALSE(store.LoadActionSettings({}, &error));
    EXPECT_EQ(error, QStringLiteral("Permission denied"));
    error.clear();
    EXPECT_FALSE(store.LoadTimeLists(&error));
    EXPECT_EQ(error, QStringLiteral("Permission denied"));
}

TEST_F(SettingsStoreTest, TodaysListFollowsTheDayType)
{
    ASSERT_TRUE(textfile::write(model.SettingsFilePath, SampleFile));
    const struct
    {
        QDate date;
        QStringList today;
    } cases[] = {
        { QDate(2026, 12, 7), { "12:00:00", "17:30:00" } }, // Monday
        { QDate(2026, 12, 5), { "11:30:00" } }, // Saturday
        { QDate(2026, 10, 2), {} }, // a fixed holiday
        { QDate(2027, 1, 1), {} },
    };
    for (const auto& c : cases) {
        clock.set(QDateTime(c.date, QTime(8, 0)));
        QString error;
        ASSERT_TRUE(store.LoadTimeLists(&error));
        EXPECT_EQ(store.Clstm_Lst0.items(), c.today) << c.date.toString().toStdString();
    }
}

TEST_F(SettingsStoreTest, MissingHolidaySectionsCopyTheWorkingDays)
{
    const struct
    {
        QString text;
        bool separate;
        QStringList rest;
        QStringList holidays;
    } cases[] = {
        { "[关机时间]：08:00:00[/关机时间]", false, { "08:00:00" }, { "08:00:00" } },
        { "[关机时间]：08:00:00[/关机时间][法定节假日]：09:00:00[/法定节假日]", true, { "08:00:00" }, { "09:00:00" } },
        { "[关机时间]：08:00:00[/关机时间][法定休息日]：[/法定休息日]", true, {}, { "08:00:00" } },
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(textfile::write(model.SettingsFilePath, c.text));
        QString error;
        ASSERT_TRUE(store.LoadTimeLists(&error));
        EXPECT_EQ(model.HolidaysSeparate, c.separate) << c.text.toStdString();
        EXPECT_EQ(store.Clstm_Lst2.items(), c.rest) << c.text.toStdString();
        EXPECT_EQ(store.Clstm_Lst3.items(), c.holidays) << c.text.toStdString();
    }
}

TEST_F(SettingsStoreTest, GbkWithCrLfReadsLikeUtf8WithLf)
{
    QString crlf = SampleFile;
    crlf.replace(u'\n', QStringLiteral("\r\n"));
    writeRaw(textfile::encode(crlf));
    ASSERT_FALSE(readRaw().contains(SampleFile.left(6).toUtf8())); // really not UTF-8
    QString error;
    ASSERT_TRUE(store.LoadActionSettings({}, &error));
    ASSERT_TRUE(store.LoadTimeLists(&error));
    SettingsModel fromGbk = model;
    const QStringList gbkLists[] = { store.Clstm_Lst1.items(), store.Clstm_Lst2.items(), store.Clstm_Lst3.items() };

    writeRaw("\xEF\xBB\xBF" + SampleFile.toUtf8());
    model = SettingsModel();
    model.SettingsFilePath = dir.filePath(QStringLiteral("AdminTovaShutDown.ini"));
    ASSERT_TRUE(store.LoadActionSettings({}, &error));
    ASSERT_TRUE(store.LoadTimeLists(&error));
    EXPECT_EQ(model.ShutdownFlags, fromGbk.ShutdownFlags);
    EXPECT_EQ(model.IpPrefix, fromGbk.IpPrefix);
    EXPECT_EQ(model.IpEnd, fromGbk.IpEnd);
    EXPECT_EQ(store.Clstm_Lst1.items(), gbkLists[0]);
    EXPECT_EQ(store.Clstm_Lst2.items(), gbkLists[1]);
    EXPECT_EQ(store.Clstm_Lst3.items(), gbkLists[2]);
}

TEST_F(SettingsStoreTest, SavedFileHasNoLanguageLineUntilTheChoiceIsSaved)
{
    settingsfile::Values values;
    values.workingDays = QStringList { "17:30:00" };
    QString error;
    ASSERT_TRUE(store.SaveSettings(values, &error)) << error.toStdString();
    EXPECT_FALSE(readRaw().contains(textfile::encode(settingsfile::LanguageOpen)));
    // Written in the ANSI code page, LF line ends, no BOM.
    EXPECT_EQ(readRaw(), textfile::encode(settingsfile::buildText(values)));

    ASSERT_TRUE(store.SaveLanguageChoice(2, &error));
    QString text;
    ASSERT_TRUE(textfile::read(model.SettingsFilePath, &text));
    EXPECT_TRUE(text.startsWith(QStringLiteral("[语言类别]：2[/语言类别]\n[关机时间]：17:30:00")));

    // Choosing the stored language again leaves the file alone, even if it changed behind our back.
    writeRaw("changed");
    ASSERT_TRUE(store.SaveLanguageChoice(2, &error));
    EXPECT_EQ(readRaw(), QByteArray("changed"));
}

TEST_F(SettingsStoreTest, NoFileMeansNoLanguageChoiceStored)
{
    QString error;
    ASSERT_TRUE(store.SaveLanguageChoice(2, &error));
    EXPECT_FALSE(QFile::exists(model.SettingsFilePath));
}

TEST_F(SettingsStoreTest, FailedWriteKeepsTheOldFileAndSaysWhy)
{
    ASSERT_TRUE(textfile::write(model.SettingsFilePath, SampleFile));
    const QByteArray before = readRaw();

    // Root ignores permissions, so make the disk "full" for this process instead.
    struct rlimit old
    {
    };
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = old;
    tiny.rlim_cur = 512;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    settingsfile::Values values;
    for (int i = 0; i < 200; ++i) {
        values.workingDays << QStringLiteral("12:00:00");
    }
    QString error;
    const bool saved = store.SaveSettings(values, &error);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readRaw(), before);
}

TEST_F(SettingsStoreTest, FolderInPlaceOfTheFileIsNoFile)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("AdminTovaShutDown.ini")));
    EXPECT_FALSE(store.fileExists());
    QString error;
    EXPECT_FALSE(store.SaveSettings({}, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(SettingsStoreTest, LanguageChoiceNeverRewritesAFileThatIsNotText)
{
    // Rewriting these turned each byte that is no character into U+FFFD: one stray byte in a UTF-8 file
    // made the whole file read as GB18030 and its settings were lost for good.
    const QByteArray utf8 = SampleFile.toUtf8();
    const struct
    {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        { "UTF-8 with a stray byte", utf8 + "\n; edited \xFF by hand\n" },
        { "UTF-16 with its BOM",
          QByteArray("\xFF\xFE", 2)
              + QByteArray(reinterpret_cast<const char*>(SampleFile.utf16()), SampleFile.size() * 2) },
        { "GB18030 cut inside its last character", textfile::encode(SampleFile + QStringLiteral("中")).chopped(1) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeRaw(c.bytes);
        QString error;
        EXPECT_FALSE(store.SaveLanguageChoice(2, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(readRaw(), c.bytes);
        // Said once: the reload of the next tick leaves it at that.
        EXPECT_TRUE(store.SaveLanguageChoice(2, &error));
        EXPECT_EQ(readRaw(), c.bytes);
    }
    // Mended by hand, the file takes the choice again.
    writeRaw(textfile::encode(SampleFile));
    QString error;
    EXPECT_TRUE(store.SaveLanguageChoice(2, &error)) << error.toStdString();
    EXPECT_TRUE(readRaw().startsWith(textfile::encode(settingsfile::languageField(2))));
}

TEST(TextFile, DecodeTellsWhetherEveryByteWasACharacter)
{
    const struct
    {
        QByteArray bytes;
        QString text;
        bool lossless;
    } cases[] = {
        { "\xEF\xBB\xBFutf-8 \xE4\xB8\xAD", QStringLiteral("utf-8 中"), true },
        { "gbk \xD6\xD0", QStringLiteral("gbk 中"), true },
        // 0x80 alone is the euro sign of Windows' GBK; as a second byte it is part of a character.
        { "\x80"
          "5 \xD6\xD0\x81\x80\x80\x81\x30\x81\x30\x80",
          QStringLiteral("€5 中亐€\u0080€"), true },
        { "stray \xFF", QStringLiteral("stray \uFFFD"), false },
        // A cut character at the end is dropped, and that too is a loss.
        { "cut \xD6", QStringLiteral("cut "), false },
        { "cut \x81\x30", QStringLiteral("cut "), false },
    };
    for (const auto& c : cases) {
        bool lossless = !c.lossless;
        EXPECT_EQ(textfile::decode(c.bytes, &lossless), c.text) << c.bytes.toHex().toStdString();
        EXPECT_EQ(lossless, c.lossless) << c.bytes.toHex().toStdString();
    }
}

TEST(TextFile, CutToEncodedBytesNeverSplitsACharacter)
{
    const QString caption = QStringLiteral("Tova自动关机 1.2");
    EXPECT_EQ(textfile::cutToEncodedBytes(caption, 63), caption);
    EXPECT_EQ(textfile::cutToEncodedBytes(caption, 5), QStringLiteral("Tova"));
    EXPECT_EQ(textfile::cutToEncodedBytes(caption, 6), QStringLiteral("Tova自"));
    EXPECT_EQ(textfile::cutToEncodedBytes(QString(40, QChar(0x4E2D)), 63).size(), 31);
}
