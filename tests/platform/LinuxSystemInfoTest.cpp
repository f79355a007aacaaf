#include "platform/linux/LinuxSystemInfo.h"

#include "platform/QtPrinters.h"
#include "platform/ScopedEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
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

TEST(LinuxSystemInfo, ProgramDirectoryHoldsTheRunningExecutable)
{
    const QString expected = QDir(QStringLiteral(TOVA_TEST_BINARY_DIR)).canonicalPath();
    EXPECT_EQ(LinuxSystemInfo().programDirectory(), expected) << "before an application object exists";
    int argc = 1;
    char name[] = "platform_linux_system_info_test";
    char* argv[] = { name, nullptr };
    QCoreApplication app(argc, argv);
    EXPECT_EQ(LinuxSystemInfo().programDirectory(), expected);
}

} // namespace
