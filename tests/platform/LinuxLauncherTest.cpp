#include "platform/linux/LinuxLauncher.h"

#include "platform/QtPrinters.h"
#include "platform/ScopedEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Every stand-in program is a shell script that leaves what it saw in OUT/<its pid>.*; the .args file
// (its arguments, each ended by a NUL) is renamed into place last, so its presence means "done".
const char RecorderScript[] = R"sh(out='OUT'/$$
printf '%s' "$0" > "$out.prog"
in=$(readlink /proc/$$/fd/0); o=$(readlink /proc/$$/fd/1); e=$(readlink /proc/$$/fd/2)
printf '%s\n%s\n%s\n' "$in" "$o" "$e" > "$out.stdio"
if [ -e /proc/$$/fd/STRAY ]; then echo open; else echo closed; fi > "$out.stray"
printf '%s %s\n' $$ "$(cut -d' ' -f6 /proc/$$/stat)" > "$out.session"
for a in "$@";
do
    printf '%s\0' "$a"; done > "$out.tmp"
mv "$out.tmp" "$out.args"
)sh";

class LinuxLauncherTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "platform_linux_launcher_test";
        static char* argv[] = { name, nullptr };
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
    }

    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        for (const char* folder : { "app", "bin", "out" })
            ASSERT_TRUE(QDir(m_root.path()).mkpath(QLatin1String(folder)));
        // The scripts need the system's tools; our own bin folder comes first.
        m_env.set("PATH", QFile::encodeName(path("bin")) + ":/usr/bin:/bin");
        // Not close-on-exec: a child that still had it open would show it under /proc.
        const int fd = ::open("/dev/null", O_RDONLY);
        m_strayFd = ::fcntl(fd, F_DUPFD, 50);
        ::close(fd);
        ASSERT_GE(m_strayFd, 50);
    }

    void TearDown() override { ::close(m_strayFd); }

    QString path(const QString& relative) const { return m_root.filePath(relative); }

    void writeFile(const QString& relative, const QByteArray& content, bool executable = true)
    {
        QFile file(path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        if (executable)
            file.setPermissions(file.permissions() | QFile::ExeOwner);
    }

    void writeRecorder(const QString& relative)
    {
        QByteArray script = QByteArray("#!/bin/sh\n") + RecorderScript;
        script.replace("OUT", QFile::encodeName(path("out")));
        script.replace("STRAY", QByteArray::number(m_strayFd));
        writeFile(relative, script);
    }

    // The one finished launch in out/: base name of its files.
    QString waitForOneLaunch() const
    {
        QDir out(path("out"));
        const bool done = QTest::qWaitFor([&] { return !out.entryList({ "*.args" }).isEmpty(); }, 20000);
        if (!done)
            return QString();
        const QStringList found = out.entryList({ "*.args" });
        return found.size() == 1 ? out.filePath(found.first().chopped(5)) : QString();
    }

    static QByteArray read(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    static QStringList readArgs(const QString& base)
    {
        QByteArray data = read(base + ".args");
        QStringList words;
        for (const QByteArray& word : data.split('\0'))
            words << QString::fromUtf8(word);
        words.removeLast(); // after the last NUL
        return words;
    }

    void clearOut()
    {
        QDir out(path("out"));
        for (const QString& name : out.entryList(QDir::Files))
            out.remove(name);
    }

    static QList<int> zombieChildren()
    {
        QList<int> zombies;
        for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            bool isPid = false;
            const int pid = entry.toInt(&isPid);
            if (!isPid)
                continue;
            const QByteArray stat = read(QStringLiteral("/proc/%1/stat").arg(pid));
            // "pid (name) S ppid ..."; the name may hold blanks and parentheses.
            const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
            if (fields.size() > 1 && fields[0] == "Z" && fields[1].toInt() == ::getpid())
                zombies << pid;
        }
        return zombies;
    }

    bool waitUntilAllCollected(LinuxLauncher& launcher) const
    {
        return QTest::qWaitFor([&] { return launcher.outstandingChildren() == 0; }, 30000);
    }

    QTemporaryDir m_root;
    ScopedEnvironment m_env;
    int m_strayFd = -1;
};

TEST_F(LinuxLauncherTest, LooksInItsOwnFolderBeforePath)
{
    writeRecorder("bin/tova-probe");
    struct Case
    {
        const char* what;
        std::function<void()> prepareOwnFolder;
        const char* expectedFolder;
    };
    const std::vector<Case> cases = {
        { "only on PATH", [] {}, "bin" },
        { "not executable in own folder", [&] { writeFile("app/tova-probe", "#!/bin/sh\n", false); }, "bin" },
        { "a folder of that name in own folder",
          [&] {
              QFile::remove(path("app/tova-probe"));
              QDir(m_root.path()).mkpath("app/tova-probe");
          },
          "bin" },
        { "in both",
          [&] {
              QDir(m_root.path()).rmdir("app/tova-probe");
              writeRecorder("app/tova-probe");
          },
          "app" },
    };
    LinuxLauncher launcher(path("app"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clearOut();
        c.prepareOwnFolder();
        ASSERT_EQ(launcher.WinExec("tova-probe x", 0), LinuxLauncher::Started);
        const QString launch = waitForOneLaunch();
        ASSERT_FALSE(launch.isEmpty());
        EXPECT_EQ(read(launch + ".prog"), QFile::encodeName(path(c.expectedFolder) + "/tova-probe"));
        ASSERT_TRUE(waitUntilAllCollected(launcher));
    }
}

TEST_F(LinuxLauncherTest, ReportsAMissingProgramAsNotFound)
{
    writeFile("bin/tova-plain", "#!/bin/sh\n", false);
    writeRecorder("tova-here");
    writeRecorder("bin/net"); // someone else's net on PATH: never ours
    const QString savedCurrent = QDir::currentPath();
    QDir::setCurrent(m_root.path());
    // Empty and relative PATH entries name the working folder; it is never searched.
    m_env.set("PATH", ":.:" + QFile::encodeName(path("bin")) + ":/usr/bin:/bin");

    LinuxLauncher launcher(path("app"));
    for (const QString& line :
         { QStringLiteral("tova-missing send 192.168.0.2 hi"), QString(), QStringLiteral("   "),
           QStringLiteral("\"\" x"), QStringLiteral("tova-plain x"), QStringLiteral("tova-here x"),
           path("out/tova-missing") + " x", path("out") + " x", QStringLiteral("net send 192.168.0.2 hi") }) {
        SCOPED_TRACE(line.toStdString());
        EXPECT_EQ(launcher.WinExec(line, 0), LinuxLauncher::FileNotFound);
        EXPECT_EQ(launcher.WinExecDetached(line), LinuxLauncher::FileNotFound);
    }
    QDir::setCurrent(savedCurrent);
    EXPECT_EQ(launcher.outstandingChildren(), 0);
    EXPECT_TRUE(QDir(path("out")).isEmpty());
}

TEST_F(LinuxLauncherTest, AFileTheSystemCannotRunIsAFailure)
{
    writeFile("app/tova-garbage", "this is not a program\n");
    LinuxLauncher launcher(path("app"));
    EXPECT_EQ(launcher.WinExec("tova-garbage x", 0), LinuxLauncher::BadFormat);
    EXPECT_EQ(launcher.outstandingChildren(), 0);
}

TEST_F(LinuxLauncherTest, DeliversTheWordsUntouchedByAnyShell)
{
    writeRecorder("app/tova-probe");
    QDir(m_root.path()).mkpath("my apps");
    writeRecorder("my apps/tova-probe");
    struct Case
    {
        QString line;
        QStringList args;
    };
    const std::vector<Case> cases = {
        { "tova-probe send 192.168.0.2 shutting down", { "send", "192.168.0.2", "shutting", "down" } },
        { "tova-probe a;b|c&d $(touch${IFS}x) `id` >f <g * ~ 'q' $HOME",
          { "a;b|c&d", "$(touch${IFS}x)", "`id`", ">f", "<g", "*", "~", "'q'", "$HOME" } },
        { R"(tova-probe "two words" \"quoted\" a\\b "" end\)", { "two words", "\"quoted\"", "a\\\\b", "", "end\\" } },
        { "tova-probe send 192.168.0.2 系统将在1分钟后关机！", { "send", "192.168.0.2", "系统将在1分钟后关机！" } },
        { "tova-probe", {} },
        { "\"" + path("my apps/tova-probe") + "\" -x", { "-x" } },
    };
    LinuxLauncher launcher(path("app"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        clearOut();
        ASSERT_EQ(launcher.WinExec(c.line, 0), LinuxLauncher::Started);
        const QString launch = waitForOneLaunch();
        ASSERT_FALSE(launch.isEmpty());
        EXPECT_EQ(readArgs(launch), c.args);
        ASSERT_TRUE(waitUntilAllCollected(launcher));
    }
    EXPECT_EQ(read(QDir(path("out")).filePath(QDir(path("out")).entryList({ "*.prog" }).value(0))),
              QFile::encodeName(path("my apps/tova-probe")));
    EXPECT_FALSE(QFile::exists(path("f")));
}

TEST_F(LinuxLauncherTest, ChildHasNullStreamsItsOwnSessionAndNoStrayDescriptor)
{
    writeRecorder("app/tova-probe");
    LinuxLauncher launcher(path("app"));
    ASSERT_EQ(launcher.WinExec("tova-probe", 0), LinuxLauncher::Started);
    const QString launch = waitForOneLaunch();
    ASSERT_FALSE(launch.isEmpty());
    EXPECT_EQ(read(launch + ".stdio"), "/dev/null\n/dev/null\n/dev/null\n");
    EXPECT_EQ(read(launch + ".stray"), "closed\n");
    // A session leader: its session id is its own pid, so our terminal's Ctrl+C does not reach it.
    const QList<QByteArray> session = read(launch + ".session").trimmed().split(' ');
    ASSERT_EQ(session.size(), 2);
    EXPECT_EQ(session[0], session[1]);
    EXPECT_NE(session[1].toInt(), ::getsid(0));
    // The probe may still be ending: once this launcher is gone nothing reaps it, and on a busy machine
    // it would turn up as a zombie in the burst test below.
    EXPECT_TRUE(waitUntilAllCollected(launcher));
}

TEST_F(LinuxLauncherTest, ReturnsWithoutWaitingForTheChild)
{
    // Waits for a gate that the test opens only after WinExec has returned; gives up after 5 s so that
    // a launcher that waited would fail the test instead of hanging it.
    QByteArray script = "#!/bin/sh\n"
                        "i=0\n"
                        "while [ ! -e 'ROOT/gate' ] && [ $i -lt 100 ]; do sleep 0.05; i=$((i+1)); done\n"
                        "if [ -e 'ROOT/gate' ]; then echo gate; else echo gave-up; fi > 'ROOT/marker'\n";
    script.replace("ROOT", QFile::encodeName(m_root.path()));
    writeFile("app/tova-slow", script);

    LinuxLauncher launcher(path("app"));
    ASSERT_EQ(launcher.WinExec("tova-slow", 0), LinuxLauncher::Started);
    EXPECT_FALSE(QFile::exists(path("marker")));
    EXPECT_EQ(launcher.outstandingChildren(), 1);

    writeFile("gate", "", false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(path("marker")); }, 20000));
    ASSERT_TRUE(waitUntilAllCollected(launcher));
    EXPECT_EQ(read(path("marker")), "gate\n");
}

TEST_F(LinuxLauncherTest, BurstOfNoticesStartsEveryOneAndLeavesNoZombie)
{
    // As the notice does for 192.168.0.2 to .255: one process per address, all at once, each created on
    // the launcher's spawning thread.
    QByteArray script = "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > 'OUT'/\"$2\"\n";
    script.replace("OUT", QFile::encodeName(path("out")));
    writeFile("app/net", script);

    LinuxLauncher launcher(path("app"));
    for (int n = 2; n <= 255; ++n)
        ASSERT_EQ(launcher.WinExecDetached(QStringLiteral("net send 192.168.0.%1 关机 in 1 min; bye").arg(n)),
                  LinuxLauncher::Started);
    ASSERT_TRUE(waitUntilAllCollected(launcher));
    EXPECT_TRUE(zombieChildren().isEmpty());

    const QStringList written = QDir(path("out")).entryList(QDir::Files);
    EXPECT_EQ(written.size(), 254);
    for (int n : { 2, 100, 255 }) {
        const QString address = QStringLiteral("192.168.0.%1").arg(n);
        QByteArray expected;
        for (const char* word : { "send", "", "关机", "in", "1", "min;", "bye" })
            expected += (*word ? QByteArray(word) : address.toUtf8()) + '\0';
        EXPECT_EQ(read(path("out/") + address), expected);
    }
}

} // namespace

TEST_F(LinuxLauncherTest, AWatchedCommandReportsItsFailureWithItsLastErrorLine)
{
    writeFile("app/tova-fail", "#!/bin/sh\necho 'first' >&2\necho 'net: cannot find pc1' >&2\nexit \"$1\"\n");
    LinuxLauncher launcher(path("app"));
    const struct
    {
        const char* line;
        QString reason;
    } cases[] = { { "tova-fail 1", "net: cannot find pc1" }, { "tova-fail 0", QString() } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        bool ended = false;
        QString reason;
        ASSERT_EQ(launcher.WinExecWatched(QString::fromLatin1(c.line), 0,
                                          [&](const QString& said) {
                                              ended = true;
                                              reason = said;
                                          }),
                  LinuxLauncher::Started);
        if (c.reason.isEmpty()) {
            // Success says nothing: wait until the process object is gone.
            ASSERT_TRUE(QTest::qWaitFor([&] { return launcher.findChildren<QProcess*>().isEmpty(); }, 30000));
            EXPECT_FALSE(ended);
        } else {
            ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, 30000));
            EXPECT_EQ(reason, c.reason);
        }
    }
    EXPECT_EQ(launcher.WinExecWatched("tova-none", 0, {}), LinuxLauncher::FileNotFound);
}
