// The whole notice burst with the real thing: 254 "net send 127.0.0.N MESSAGE" (N = 2..255) started as the
// scheduler starts them (Scheduler::sendNotice: SendShutdownNotice into a NoticeQueue of the default batch
// size over a LinuxLauncher), once with the real net and once with a floor in its place: floor_net
// (bench/floor/FloorNet.c), plain C that builds the same datagram, sends it with one sendto() and ends,
// copied as "net" into a temporary folder that the launcher gets as its program folder.
//
// The datagrams go to a UDP port of our own on loopback (TOVA_MESSENGER_PORT, which the children inherit),
// where a socket counts them. Per run it takes the wall time from the first launch until the last child
// has ended, the CPU time of all children (RUSAGE_CHILDREN, read once the launcher has collected every
// one), the time spent on this thread inside the launches, the zombies 2 s after the last launch and the
// datagrams that arrived. Prints every run, then min/median/max over the rounds and real/floor of the
// medians. Asserts nothing; needs loopback only and no root.
//
//     notice_burst_bench [--rounds N] [--net-dir DIR] [--floor FILE] [--no-warm-up]

#include "messaging/NoticeQueue.h"
#include "messaging/ShutdownNotice.h"
#include "platform/linux/LinuxLauncher.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kFirst = 2;
constexpr int kLast = 255;
constexpr int kLaunches = kLast - kFirst + 1;
// Zombies are counted this long after the last launch.
constexpr int kZombieDelayMs = 2000;
// A run whose children have not all ended by then is reported and ends the benchmark.
constexpr int kGiveUpMs = 60000;

// What the scheduler sends a minute before the shutdown (lines 062 and 061 of the Chinese texts).
QString noticeText()
{
    return QStringLiteral("请保存文件！服务器将在 60 秒之后关闭");
}

double clockMs(clockid_t clock)
{
    timespec ts {};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double wallMs()
{
    return clockMs(CLOCK_MONOTONIC);
}

double threadCpuMs()
{
    return clockMs(CLOCK_THREAD_CPUTIME_ID);
}

double childrenCpuMs()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto ms = [](const timeval& tv) { return double(tv.tv_sec) * 1e3 + double(tv.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// CLOCK_MONOTONIC of the latest SIGCHLD, in ns. Every child that ends sends one, and however many are
// merged while pending, one is delivered after the last child has ended: once all are collected this is
// when the last one ended, give or take the delivery. The handler collects nothing; LinuxLauncher does.
std::atomic<long long> g_lastChildEndNs { 0 };
static_assert(std::atomic<long long>::is_always_lock_free, "read from a signal handler");

void noteChildEnded(int)
{
    const int saved = errno;
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    g_lastChildEndNs.store(ts.tv_sec * 1000000000LL + ts.tv_nsec, std::memory_order_relaxed);
    errno = saved;
}

// Children of this process in state Z, from /proc/PID/stat: "pid (name) state ppid ...", where the name
// may hold blanks and parentheses and the last ')' ends it.
int zombieChildren()
{
    const QByteArray self = QByteArray::number(qint64(getpid()));
    int zombies = 0;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : entries) {
        if (!pid.front().isDigit())
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const qsizetype end = line.lastIndexOf(')');
        if (end < 0)
            continue;
        const QList<QByteArray> fields = line.mid(end + 2).split(' ');
        if (fields.size() > 1 && fields[1] == self && fields[0] == "Z")
            ++zombies;
    }
    return zombies;
}

// Counts the datagrams that reach our port. A socket bound to 127.0.0.1 port 0 picks a free port; a
// second one bound to 0.0.0.0 on the same port (both with SO_REUSEADDR) gets what is sent to 127.0.0.2..255.
// A thread of its own drains it as the datagrams come, so the receive buffer does not fill up in a burst;
// SO_RXQ_OVFL tells how many the kernel dropped all the same.
class Counter
{
public:
    ~Counter()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_socket >= 0)
            ::close(m_socket);
        if (m_probe >= 0)
            ::close(m_probe);
    }

    bool open(QString* error)
    {
        const int on = 1;
        m_probe = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (m_probe < 0 || ::setsockopt(m_probe, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0
            || ::bind(m_probe, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
            || ::getsockname(m_probe, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            *error = QStringLiteral("cannot pick a UDP port on 127.0.0.1: %1")
                         .arg(QString::fromLocal8Bit(strerror(errno)));
            return false;
        }
        m_port = ntohs(address.sin_port);

        m_socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        const int buffer = 4 << 20; // the kernel caps it at net.core.rmem_max
        if (m_socket < 0 || ::setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0
            || ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            *error = QStringLiteral("cannot bind UDP port %1 on 0.0.0.0: %2")
                         .arg(m_port)
                         .arg(QString::fromLocal8Bit(strerror(errno)));
            return false;
        }
        ::setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
        ::setsockopt(m_socket, SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on);

        // SIGCHLD is for the main thread: blocked here, the thread inherits the mask.
        sigset_t child;
        sigemptyset(&child);
        sigaddset(&child, SIGCHLD);
        sigset_t before;
        pthread_sigmask(SIG_BLOCK, &child, &before);
        m_thread = std::thread([this] { run(); });
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
        return true;
    }

    quint16 port() const { return m_port; }
    /// Starts a new count; call it when nothing is on its way.
    void reset()
    {
        m_countAtReset = m_count.load();
        m_dropsAtReset = m_drops.load();
    }
    int arrived() const { return m_count.load() - m_countAtReset; }
    int dropped() const { return int(m_drops.load() - m_dropsAtReset); }

private:
    void run()
    {
        std::vector<char> data(2048);
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(std::uint32_t))];
        while (!m_stop) {
            pollfd ready { m_socket, POLLIN, 0 };
            if (::poll(&ready, 1, 50) <= 0)
                continue;
            for (;;) {
                iovec part { data.data(), data.size() };
                msghdr message {};
                message.msg_iov = &part;
                message.msg_iovlen = 1;
                message.msg_control = control;
                message.msg_controllen = sizeof control;
                if (::recvmsg(m_socket, &message, MSG_DONTWAIT) < 0)
                    break;
                ++m_count;
                for (cmsghdr* header = CMSG_FIRSTHDR(&message); header; header = CMSG_NXTHDR(&message, header)) {
                    if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SO_RXQ_OVFL) {
                        std::uint32_t drops = 0;
                        std::memcpy(&drops, CMSG_DATA(header), sizeof drops);
                        m_drops = drops;
                    }
                }
            }
        }
    }

    int m_probe = -1;
    int m_socket = -1;
    quint16 m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop { false };
    std::atomic<int> m_count { 0 };
    std::atomic<std::uint32_t> m_drops { 0 };
    int m_countAtReset = 0;
    std::uint32_t m_dropsAtReset = 0;
};

// Sits between NoticeQueue and LinuxLauncher and adds up the time spent inside the launches, in all and
// per turn of the event loop (a turn ends when a zero timer posted at its first launch fires).
class TimedLauncher : public QObject, public Launcher
{
public:
    explicit TimedLauncher(Launcher& inner) : m_inner(inner) { }

    int WinExec(const QString& commandLine, int showMode) override
    {
        return timed([&] { return m_inner.WinExec(commandLine, showMode); });
    }
    // What the queue calls for each notice.
    int WinExecDetached(const QString& commandLine) override
    {
        return timed([&] { return m_inner.WinExecDetached(commandLine); });
    }
    int WinExecWatched(const QString& commandLine, int showMode,
                       std::function<void(const QString& reason)> onFailure) override
    {
        return m_inner.WinExecWatched(commandLine, showMode, std::move(onFailure));
    }

    double cpuMs = 0;
    double wallSpentMs = 0;
    double longestTurnMs = 0;
    double firstLaunchMs = 0;
    int launches = 0;
    int failures = 0;
    std::function<void()> afterLast;

private:
    template<typename Launch> int timed(Launch launch)
    {
        if (!m_turnOpen) {
            m_turnOpen = true;
            m_turnMs = 0;
            QTimer::singleShot(0, this, [this] { m_turnOpen = false; });
        }
        const double cpu = threadCpuMs();
        const double wall = wallMs();
        if (launches == 0)
            firstLaunchMs = wall;
        const int result = launch();
        const double spent = wallMs() - wall;
        cpuMs += threadCpuMs() - cpu;
        wallSpentMs += spent;
        m_turnMs += spent;
        longestTurnMs = std::max(longestTurnMs, m_turnMs);
        ++launches;
        if (result <= 31)
            ++failures;
        if (launches == kLaunches && afterLast)
            afterLast();
        return result;
    }

    Launcher& m_inner;
    bool m_turnOpen = false;
    double m_turnMs = 0;
};

struct Figures
{
    double wallMs = NAN; // first launch to the last child's end
    double childCpuMs = NAN; // user + system of all children
    double launchCpuMs = NAN; // this thread's CPU inside SendShutdownNotice and the launches
    double launchWallMs = NAN; // the same in wall time
    double longestTurnMs = NAN; // the longest turn of the event loop spent launching
    double zombies = NAN; // children in state Z 2 s after the last launch
    double arrived = NAN; // datagrams that reached our port
    int failures = 0; // launches that did not start
    int dropped = 0; // datagrams the counting socket dropped
    int left = 0; // children not collected when the run gave up
};

Figures runBurst(const QString& programDirectory, Counter& counter)
{
    Figures figures;
    LinuxLauncher launcher(programDirectory);
    TimedLauncher timed(launcher);
    NoticeQueue queue(timed); // the batch size the scheduler uses

    QEventLoop loop;
    bool counted = false;
    timed.afterLast = [&] {
        QTimer::singleShot(kZombieDelayMs, &loop, [&] {
            figures.zombies = zombieChildren();
            counted = true;
        });
    };
    QTimer check;
    check.setInterval(10);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (counted && queue.pending() == 0 && launcher.outstandingChildren() == 0)
            loop.quit();
    });
    QTimer::singleShot(kGiveUpMs, &loop, &QEventLoop::quit);

    counter.reset();
    g_lastChildEndNs = 0;
    const double childCpuBefore = childrenCpuMs();
    QString prefix = QStringLiteral("127.0.0");
    qint16 first = kFirst;
    qint16 last = kLast;
    const double cpu = threadCpuMs();
    const double wall = wallMs();
    SendShutdownNotice(queue, noticeText(), prefix, first, last);
    timed.cpuMs += threadCpuMs() - cpu;
    timed.wallSpentMs += wallMs() - wall;
    check.start();
    loop.exec();

    figures.launchCpuMs = timed.cpuMs;
    figures.launchWallMs = timed.wallSpentMs;
    figures.longestTurnMs = timed.longestTurnMs;
    figures.failures = timed.failures + (kLaunches - timed.launches);
    figures.left = launcher.outstandingChildren() + queue.pending();
    if (figures.left == 0 && timed.launches > 0) {
        if (g_lastChildEndNs > 0)
            figures.wallMs = double(g_lastChildEndNs.load()) / 1e6 - timed.firstLaunchMs;
        figures.childCpuMs = childrenCpuMs() - childCpuBefore;
    }
    figures.arrived = counter.arrived();
    figures.dropped = counter.dropped();
    return figures;
}

struct Row
{
    const char* name;
    const char* target;
    double Figures::*field;
    bool count; // a number of things rather than milliseconds
};

const Row kRows[] = {
    { "wall, first launch to last child's end (ms)", "< 1000", &Figures::wallMs, false },
    { "CPU of all children, user+sys (ms)", "< 1000", &Figures::childCpuMs, false },
    { "calling thread CPU in the launches (ms)", "< 100", &Figures::launchCpuMs, false },
    { "calling thread wall in the launches (ms)", "< 100", &Figures::launchWallMs, false },
    { "longest event-loop turn of launches (ms)", "", &Figures::longestTurnMs, false },
    { "zombies 2 s after the last launch", "0", &Figures::zombies, true },
    { "datagrams arrived (of 254)", "254", &Figures::arrived, true },
};

struct Spread
{
    double min = NAN;
    double median = NAN;
    double max = NAN;
};

Spread spread(const std::vector<Figures>& runs, double Figures::*field)
{
    std::vector<double> values;
    for (const Figures& run : runs) {
        if (!std::isnan(run.*field))
            values.push_back(run.*field);
    }
    Spread result;
    if (values.empty())
        return result;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    result.min = values.front();
    result.max = values.back();
    result.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return result;
}

// Milliseconds with one decimal; counts as whole numbers (a median of two may end in .5).
QByteArray number(double value, bool count = false)
{
    if (std::isnan(value))
        return "—";
    if (count && value == std::floor(value))
        return QByteArray::number(qint64(value));
    return QByteArray::number(value, 'f', 1);
}

QByteArray threeFigures(const Spread& s, bool count)
{
    return number(s.min, count) + " / " + number(s.median, count) + " / " + number(s.max, count);
}

QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split(' ').mid(0, 3).join(' ') : QByteArray("?");
}

void printRun(const char* label, int round, const Figures& f)
{
    std::printf("round %d %-5s wall %7s ms | children CPU %7s ms | launches %6s ms CPU, %6s ms wall, longest "
                "turn %5s ms | zombies %s | arrived %s",
                round, label, number(f.wallMs).constData(), number(f.childCpuMs).constData(),
                number(f.launchCpuMs).constData(), number(f.launchWallMs).constData(),
                number(f.longestTurnMs).constData(), number(f.zombies, true).constData(),
                number(f.arrived, true).constData());
    if (f.dropped > 0)
        std::printf(" (%d dropped by the counting socket)", f.dropped);
    if (f.failures > 0)
        std::printf(" | %d launches failed", f.failures);
    if (f.left > 0)
        std::printf(" | gave up after %d s with %d not collected", kGiveUpMs / 1000, f.left);
    std::printf("\n");
    std::fflush(stdout);
}

int usage()
{
    std::fprintf(stderr,
                 "usage: notice_burst_bench [--rounds N] [--net-dir DIR] [--floor FILE] [--no-warm-up]\n"
                 "  --rounds N     measured rounds of real and floor, alternating (default 3)\n"
                 "  --net-dir DIR  folder holding the real net (default %s)\n"
                 "  --floor FILE   the floor sender (default %s)\n"
                 "  --no-warm-up   no uncounted round first\n",
                 TOVA_BENCH_NET_DIR, TOVA_BENCH_FLOOR_NET);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);

    int rounds = 3;
    bool warmUp = true;
    QString netDirectory = QStringLiteral(TOVA_BENCH_NET_DIR);
    QString floorProgram = QStringLiteral(TOVA_BENCH_FLOOR_NET);
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--rounds") && hasValue) {
            bool ok = false;
            rounds = args[++i].toInt(&ok);
            if (!ok || rounds < 1)
                return usage();
        } else if (arg == QLatin1String("--net-dir") && hasValue) {
            netDirectory = args[++i];
        } else if (arg == QLatin1String("--floor") && hasValue) {
            floorProgram = args[++i];
        } else if (arg == QLatin1String("--no-warm-up")) {
            warmUp = false;
        } else {
            return usage();
        }
    }

    // The launcher would look on PATH when its folder has no net, and find Samba's: refuse instead.
    netDirectory = QFileInfo(netDirectory).absoluteFilePath();
    const QFileInfo realNet(netDirectory + QStringLiteral("/net"));
    if (!realNet.isFile() || !realNet.isExecutable()) {
        std::fprintf(stderr, "no net to measure in %s: build the tova_net target, or pass --net-dir\n",
                     qPrintable(netDirectory));
        return 1;
    }
    QTemporaryDir floorDirectory;
    const QString floorNet = floorDirectory.filePath(QStringLiteral("net"));
    if (!floorDirectory.isValid() || !QFile::copy(floorProgram, floorNet)
        || !QFile::setPermissions(floorNet, QFileDevice::ReadOwner | QFileDevice::ExeOwner)) {
        std::fprintf(stderr, "cannot set up the floor from %s\n", qPrintable(floorProgram));
        return 1;
    }

    Counter counter;
    QString error;
    if (!counter.open(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    // Inherited by every child: the real net and the floor send there, and nowhere else.
    qputenv("TOVA_MESSENGER_PORT", QByteArray::number(counter.port()));

    struct sigaction action
    {
    };
    action.sa_handler = noteChildEnded;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_NOCLDSTOP;
    sigaction(SIGCHLD, &action, nullptr);

    std::printf("Notice burst: %d x \"net send 127.0.0.N %s\" (N = %d..%d), SendShutdownNotice -> NoticeQueue "
                "(default batch) -> LinuxLauncher\n",
                kLaunches, qPrintable(noticeText()), kFirst, kLast);
    std::printf("UDP port %u on loopback (TOVA_MESSENGER_PORT); %d round%s%s, real and floor alternating; "
                "load average %s\n",
                unsigned(counter.port()), rounds, rounds == 1 ? "" : "s",
                warmUp ? " after one uncounted warm-up round" : "", loadAverage().constData());
    std::printf("real : %s\nfloor: %s, copied as %s\n\n", qPrintable(realNet.absoluteFilePath()),
                qPrintable(QFileInfo(floorProgram).absoluteFilePath()), qPrintable(floorNet));
    std::fflush(stdout);

    std::vector<Figures> real;
    std::vector<Figures> floor;
    bool finished = true;
    for (int round = warmUp ? 0 : 1; round <= rounds && finished; ++round) {
        // Odd rounds start with the real net, even ones with the floor.
        for (int part = 0; part < 2 && finished; ++part) {
            const bool isReal = (part == 0) == (round % 2 == 1);
            // A moment of quiet between runs, so that one run's stragglers do not land in the next.
            QEventLoop pause;
            QTimer::singleShot(300, &pause, &QEventLoop::quit);
            pause.exec();
            const Figures figures = runBurst(isReal ? netDirectory : floorDirectory.path(), counter);
            if (round == 0) {
                std::printf("warm-up %-5s wall %s ms, children CPU %s ms, arrived %s\n", isReal ? "real" : "floor",
                            number(figures.wallMs).constData(), number(figures.childCpuMs).constData(),
                            number(figures.arrived, true).constData());
                std::fflush(stdout);
            } else {
                printRun(isReal ? "real" : "floor", round, figures);
                (isReal ? real : floor).push_back(figures);
            }
            finished = figures.left == 0;
        }
    }
    std::printf("\nload average at the end: %s\n", loadAverage().constData());
    if (!finished)
        std::printf("\nA run did not finish within %d s; its children were left running.\n", kGiveUpMs / 1000);

    std::printf("\n| figure | target | real min / median / max | floor min / median / max | real/floor (medians) |\n"
                "|---|---|---|---|---|\n");
    for (const Row& row : kRows) {
        const Spread r = spread(real, row.field);
        const Spread f = spread(floor, row.field);
        const QByteArray ratio
            = f.median > 0 && !std::isnan(r.median) ? QByteArray::number(r.median / f.median, 'f', 2) : QByteArray("—");
        std::printf("| %s | %s | %s | %s | %s |\n", row.name, row.target, threeFigures(r, row.count).constData(),
                    threeFigures(f, row.count).constData(), ratio.constData());
    }
    std::printf("\nTargets: the whole burst under 1 s wall and 1 s CPU, the calling thread under 100 ms, no zombies, "
                "and within 2x of the floor on each. Nothing here is checked.\n");
    return finished ? 0 : 1;
}
