#include "platform/linux/LinuxInstanceLock.h"

#include "platform/QtPrinters.h"
#include "platform/ScopedEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class LinuxInstanceLockTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    // Runs body in a forked child and returns its exit status, or -1 when it did not exit normally.
    template<typename Body> static int inChildProcess(Body body)
    {
        const pid_t pid = ::fork();
        if (pid == 0)
            ::_exit(body());
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    QTemporaryDir m_dir;
};

TEST_F(LinuxInstanceLockTest, OnlyOneHolderAtATime)
{
    auto first = std::make_unique<LinuxInstanceLock>(m_dir.path());
    ASSERT_TRUE(first->tryLock());
    EXPECT_TRUE(first->tryLock()) << "asking again keeps the lock";

    LinuxInstanceLock second(m_dir.path());
    EXPECT_FALSE(second.tryLock()) << "another object in this process";
    const QString dir = m_dir.path();
    EXPECT_EQ(inChildProcess([&] { return LinuxInstanceLock(dir).tryLock() ? 0 : 1; }), 1) << "another process";

    first.reset();
    EXPECT_TRUE(second.tryLock()) << "released when the holder is destroyed";
    EXPECT_EQ(inChildProcess([&] { return LinuxInstanceLock(dir).tryLock() ? 0 : 1; }), 1);
}

TEST_F(LinuxInstanceLockTest, TakesOverTheLockOfAKilledInstance)
{
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const QString dir = m_dir.path();
    const pid_t holder = ::fork();
    if (holder == 0) {
        ::close(ready[0]);
        LinuxInstanceLock lock(dir);
        const char held = lock.tryLock() ? 'y' : 'n';
        (void)!::write(ready[1], &held, 1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(held, 'y');

    LinuxInstanceLock mine(dir);
    EXPECT_FALSE(mine.tryLock()) << "the holder is alive";

    // A crash leaves the file behind: nothing of the holder's runs after SIGKILL.
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    ASSERT_TRUE(QFileInfo::exists(mine.lockFilePath()));
    EXPECT_TRUE(mine.tryLock());
}

TEST_F(LinuxInstanceLockTest, RunsUnguardedWhenNoLockFileCanBeMade)
{
    // A plain file where the folder should be: nothing can be created inside it, even as root.
    const QString notAFolder = m_dir.filePath("file");
    QFile file(notAFolder);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_TRUE(LinuxInstanceLock(notAFolder).tryLock());
}

TEST_F(LinuxInstanceLockTest, DefaultFolderIsPrivateToTheUser)
{
    ScopedEnvironment env;
    env.set("TMPDIR", QFile::encodeName(m_dir.path()));
    const QString runtime = m_dir.filePath("runtime");
    const QString open = m_dir.filePath("open");
    QDir().mkpath(runtime);
    QDir().mkpath(open);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ::chmod(QFile::encodeName(open).constData(), 0777);
    const QString fallback = m_dir.filePath(QStringLiteral("tova-%1").arg(::geteuid()));

    struct Case
    {
        const char* what;
        QString runtimeDir;
        QString expected;
    };
    for (const Case& c :
         { Case { "runtime folder", runtime, runtime },
           Case { "runtime folder with a trailing slash", runtime + "/", runtime },
           Case { "unset", QString(), fallback }, Case { "relative", QStringLiteral("runtime"), fallback },
           Case { "writable by others", open, fallback }, Case { "missing", m_dir.filePath("missing"), fallback } }) {
        SCOPED_TRACE(c.what);
        env.set("XDG_RUNTIME_DIR", c.runtimeDir.isNull() ? QByteArray() : QFile::encodeName(c.runtimeDir));
        EXPECT_EQ(LinuxInstanceLock::defaultDirectory(), c.expected);
        EXPECT_EQ(LinuxInstanceLock().lockFilePath(), c.expected + "/tova-shutdown.lock");
    }
    struct stat st;
    ASSERT_EQ(::lstat(QFile::encodeName(fallback).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(LinuxInstanceLockTest, SharedFolderTakenBySomeoneElseIsNotUsed)
{
    ScopedEnvironment env;
    env.set("XDG_RUNTIME_DIR", QByteArray());
    env.set("XDG_CACHE_HOME", QByteArray());
    env.set("TMPDIR", QFile::encodeName(m_dir.path()));
    env.set("HOME", QFile::encodeName(m_dir.filePath("home")));
    // Another user would have made it 0777 or owned it; a link to elsewhere is just as bad.
    const QString taken = m_dir.filePath(QStringLiteral("tova-%1").arg(::geteuid()));
    QDir().mkpath(m_dir.filePath("elsewhere"));
    ASSERT_TRUE(QFile::link(m_dir.filePath("elsewhere"), taken));

    EXPECT_EQ(LinuxInstanceLock::defaultDirectory(), m_dir.filePath("home/.cache/tova"));
    EXPECT_TRUE(QFileInfo(m_dir.filePath("home/.cache/tova")).isDir());
}

} // namespace
