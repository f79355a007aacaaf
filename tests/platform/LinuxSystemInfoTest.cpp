#include "platform/linux/LinuxSystemInfo.h"

#include "platform/QtPrinters.h"
#include "platform/ScopedEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(LinuxSystemInfo, SystemDirectoryFollowsXdgConfigHome)
{
    struct Case
    {
        const char* what;
        QByteArray configHome; // null: unset
        QString expected;
    };
    const std::vector<Case> cases = {
        { "absolute", "/srv/conf", "/srv/conf/tova" },         { "trailing slash", "/srv/conf/", "/srv/conf/tova" },
        { "unset", QByteArray(), "/home/admin/.config/tova" }, { "empty", "", "/home/admin/.config/tova" },
        { "relative", "conf", "/home/admin/.config/tova" },    { "dot-relative", "./conf", "/home/admin/.config/tova" },
    };
    ScopedEnvironment env;
    env.set("HOME", "/home/admin");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        env.set("XDG_CONFIG_HOME", c.configHome);
        EXPECT_EQ(LinuxSystemInfo().systemDirectory(), c.expected);
    }
}

TEST(LinuxSystemInfo, UserNameIsTheEffectiveUsersLoginName)
{
    const struct passwd* entry = ::getpwuid(::geteuid());
    ASSERT_NE(entry, nullptr);
    ScopedEnvironment env;
    env.set("USER", "someone-else");
    env.set("LOGNAME", "someone-else");
    EXPECT_EQ(LinuxSystemInfo().currentUserName(), QString::fromLocal8Bit(entry->pw_name));
}

TEST(LinuxSystemInfo, UserNameFallsBackOnTheEnvironment)
{
    struct Case
    {
        QByteArray database, user, logname;
        QString expected;
    };
    for (const Case& c : { Case { "admin", "x", "y", "admin" }, Case { "", "Admin", "y", "Admin" },
                           Case { "", "", "Admin", "Admin" }, Case { "", "", "", "" },
                           // Glued in front of the settings file's name, a '/' would move that file.
                           Case { "", "../../etc/x", "Admin", "Admin" }, Case { "", "/tmp/x", "a/b", "" },
                           Case { "", "张三", "", "张三" } }) {
        SCOPED_TRACE(c.user.toStdString());
        EXPECT_EQ(LinuxSystemInfo::chooseUserName(c.database, c.user, c.logname), c.expected);
    }
}

TEST(LinuxSystemInfo, OrdinaryFileIsARegularFileAfterLinks)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath("AdminTovaShutDown.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QDir().mkpath(dir.filePath("folder"));
    ASSERT_TRUE(QFile::link(file.fileName(), dir.filePath("link")));
    ASSERT_TRUE(QFile::link(dir.filePath("gone"), dir.filePath("dangling")));
    ASSERT_TRUE(QFile::link(dir.filePath("folder"), dir.filePath("folder-link")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600), 0);

    const LinuxSystemInfo info;
    for (const auto& [name, expected] :
         { std::pair { "AdminTovaShutDown.ini", true }, std::pair { "link", true }, std::pair { "dangling", false },
           std::pair { "folder", false }, std::pair { "folder-link", false }, std::pair { "fifo", false },
           std::pair { "missing", false } }) {
        SCOPED_TRACE(name);
        EXPECT_EQ(info.isOrdinaryFile(dir.filePath(name)), expected);
    }
    EXPECT_FALSE(info.isOrdinaryFile(QString()));
}

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// As an editor or our own writer saves: a new file renamed over the old one.
void replaceFile(const QString& path, const QByteArray& bytes)
{
    writeFile(path + ".new", bytes);
    ASSERT_EQ(::rename(QFile::encodeName(path + ".new").constData(), QFile::encodeName(path).constData()), 0);
}

struct TestApplication
{
    int argc = 1;
    char name[32] = "platform_linux_system_info_test";
    char* argv[2] = { name, nullptr };
    QCoreApplication app { argc, argv };
};

// Each change is followed by what happens between two ticks: the event loop delivers what the watch saw.
void expectEachReadSeesWhatTheNameLeadsToNow()
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("AdminTovaShutDown.ini");
    const auto write = [&](const QByteArray& bytes) { writeFile(path, bytes); };
    using Result = SystemInfo::ReadResult;
    struct Step
    {
        const char* what;
        std::function<void()> change;
        Result result;
        QByteArray bytes;
    };
    const std::vector<Step> steps = {
        { "first read", [&] { write("one"); }, Result::Read, "one" },
        { "unchanged", [] {}, Result::Read, "one" },
        { "rewritten in place, same size", [&] { write("two"); }, Result::Read, "two" },
        { "grown in place", [&] { write("two and three"); }, Result::Read, "two and three" },
        { "shrunk in place", [&] { write("2"); }, Result::Read, "2" },
        { "emptied", [&] { write(""); }, Result::Read, "" },
        { "replaced by rename", [&] { replaceFile(path, "new"); }, Result::Read, "new" },
        { "removed", [&] { QFile::remove(path); }, Result::NoFile, "" },
        { "made again", [&] { write("back"); }, Result::Read, "back" },
        { "a folder instead", [&] { QFile::remove(path), QDir().mkdir(path); }, Result::NoFile, "" },
        { "a pipe instead", [&] { QDir().rmdir(path), ::mkfifo(QFile::encodeName(path).constData(), 0600); },
          Result::NoFile, "" },
        { "a file again", [&] { QFile::remove(path), write("last"); }, Result::Read, "last" },
    };
    int afterFirstRead = -1;
    const LinuxSystemInfo info;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        QCoreApplication::processEvents();
        QByteArray bytes;
        QString error;
        ASSERT_EQ(info.readOrdinaryFile(path, 100, &bytes, &error), step.result) << error.toStdString();
        if (step.result == Result::Read) {
            EXPECT_EQ(bytes, step.bytes);
        }
        if (afterFirstRead < 0) {
            afterFirstRead = openDescriptors();
        }
        EXPECT_LE(openDescriptors(), afterFirstRead) << "one file held open at most";
    }

    // Another name: read from its own file, and the first one still right after it.
    const QString other = dir.filePath("other");
    writeFile(other, "other");
    for (const auto& [name, expected] : { std::pair { other, "other" }, std::pair { path, "last" } }) {
        QByteArray bytes;
        QString error;
        ASSERT_EQ(info.readOrdinaryFile(name, 100, &bytes, &error), Result::Read);
        EXPECT_EQ(bytes, expected);
    }
}

TEST(LinuxSystemInfo, EachReadSeesWhatTheNameLeadsToNow)
{
    expectEachReadSeesWhatTheNameLeadsToNow(); // no event loop: the name is asked at every read
    const TestApplication application;
    expectEachReadSeesWhatTheNameLeadsToNow(); // the watch tells when to ask
}

TEST(LinuxSystemInfo, ANameChangeTheWatchMissesIsSeenWithinAFewReads)
{
    const TestApplication application;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("AdminTovaShutDown.ini");
    writeFile(path, "old");
    const LinuxSystemInfo info;
    QByteArray bytes;
    QString error;
    ASSERT_EQ(info.readOrdinaryFile(path, 100, &bytes, &error), SystemInfo::ReadResult::Read);
    QCoreApplication::processEvents();

    // As if the folder were on another machine: replaced, and the watch never told (no events processed).
    replaceFile(path, "new");
    int reads = 0;
    do {
        ASSERT_EQ(info.readOrdinaryFile(path, 100, &bytes, &error), SystemInfo::ReadResult::Read);
        ++reads;
    } while (bytes != "new" && reads <= LinuxSystemInfo::ReadsBetweenChecks);
    EXPECT_EQ(bytes, "new");
    EXPECT_LE(reads, LinuxSystemInfo::ReadsBetweenChecks);
}

TEST(LinuxSystemInfo, ReadsRefuseOversizedFilesAndReadFilesOfUnknownSize)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString big = dir.filePath("big");
    writeFile(big, "12345");
    const LinuxSystemInfo info;
    QByteArray bytes;
    QString error;
    EXPECT_EQ(info.readOrdinaryFile(big, 4, &bytes, &error), SystemInfo::ReadResult::Failed);
    EXPECT_EQ(error, QStringLiteral("File too large (5 bytes)"));
    EXPECT_EQ(info.readOrdinaryFile(big, 5, &bytes, &error), SystemInfo::ReadResult::Read);
    EXPECT_EQ(bytes, "12345");

    // A file that says it is empty and is not: read to its end all the same.
    ASSERT_EQ(info.readOrdinaryFile(QStringLiteral("/proc/self/status"), 1 << 20, &bytes, &error),
              SystemInfo::ReadResult::Read);
    EXPECT_TRUE(bytes.startsWith("Name:"));
    EXPECT_TRUE(bytes.endsWith('\n'));
    EXPECT_EQ(info.readOrdinaryFile(QStringLiteral("/proc/self/status"), 16, &bytes, &error),
              SystemInfo::ReadResult::Failed);
    EXPECT_EQ(error, QStringLiteral("File too large (more than 16 bytes)"));
    EXPECT_EQ(info.readOrdinaryFile(QString(), 16, &bytes, &error), SystemInfo::ReadResult::NoFile);
}

TEST(LinuxSystemInfo, ProgramDirectoryHoldsTheRunningExecutable)
{
    const QString expected = QDir(QStringLiteral(TOVA_TEST_BINARY_DIR)).canonicalPath();
    EXPECT_EQ(LinuxSystemInfo().programDirectory(), expected) << "before an application object exists";
    const TestApplication application;
    EXPECT_EQ(LinuxSystemInfo().programDirectory(), expected);
}

} // namespace
