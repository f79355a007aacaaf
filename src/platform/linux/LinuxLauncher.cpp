#include "platform/linux/LinuxLauncher.h"

#include "platform/linux/CommandLine.h"

#include <QAbstractEventDispatcher>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// A finished "net send" is collected within this time; polling costs one waitpid per child.
constexpr int ReapIntervalMs = 200;

bool isExecutableFile(const QByteArray& path)
{
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.constData(), X_OK) == 0;
}

QByteArray searchPath()
{
    if (const char* path = ::getenv("PATH"))
        return QByteArray(path);
    // What execvp falls back to when PATH is unset.
    return QByteArrayLiteral("/bin:/usr/bin");
}

int resultOfSpawnError(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
        return LinuxLauncher::FileNotFound;
    case ENOEXEC:
    case ELIBBAD:
        return LinuxLauncher::BadFormat;
    case EACCES:
    case EPERM:
    case ETXTBSY:
        return LinuxLauncher::AccessDenied;
    default: // EAGAIN, ENOMEM, E2BIG, EMFILE, ENFILE...
        return LinuxLauncher::OutOfResources;
    }
}

// Ownership of the spawn attribute objects, so that every return path destroys them.
struct SpawnSetup
{
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    bool actionsReady = false;
    bool attrReady = false;
    ~SpawnSetup()
    {
        if (actionsReady)
            posix_spawn_file_actions_destroy(&actions);
        if (attrReady)
            posix_spawnattr_destroy(&attr);
    }
};

} // namespace

LinuxLauncher::LinuxLauncher(const QString& programDirectory, QObject* parent)
    : QObject(parent), m_programDirectory(QFile::encodeName(programDirectory))
{
    m_reapTimer.setInterval(ReapIntervalMs);
    connect(&m_reapTimer, &QTimer::timeout, this, &LinuxLauncher::reapChildren);
    // Kept above 2 so that dup2 onto 0, 1 and 2 in the child always makes a fresh descriptor
    // without close-on-exec.
    const int fd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (fd >= 0) {
        m_devNull = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
        ::close(fd);
    }
}

LinuxLauncher::~LinuxLauncher()
{
    // What was handed over is started, so that no notice is lost to the program ending.
    {
        const std::lock_guard<std::mutex> lock(m_spawnMutex);
        m_stopSpawner = true;
    }
    m_spawnWake.notify_one();
    if (m_spawner.joinable())
        m_spawner.join();
    // Children still running now are collected by init once this process ends.
    reapChildren();
    if (m_devNull >= 0)
        ::close(m_devNull);
}

int LinuxLauncher::WinExec(const QString& commandLine, int showMode)
{
    Q_UNUSED(showMode);
    // While the timer runs it does the collecting: doing it here too would cost a burst of 254 launches
    // some 30000 waitpid calls.
    if (!m_reapTimer.isActive())
        reapChildren();

    Start start;
    if (const int result = prepare(commandLine, &start); result != Started)
        return result;
    pid_t pid = 0;
    if (const int result = spawn(start, &pid); result != Started)
        return result;
    m_children.push_back(pid);
    startReaping();
    return Started;
}

int LinuxLauncher::WinExecDetached(const QString& commandLine)
{
    Start start;
    if (const int result = prepare(commandLine, &start); result != Started)
        return result;
    {
        const std::lock_guard<std::mutex> lock(m_spawnMutex);
        m_toSpawn.push_back(std::move(start));
        if (!m_spawner.joinable())
            m_spawner = std::thread([this] { runSpawner(); });
    }
    m_spawnWake.notify_one();
    startReaping();
    return Started;
}

void LinuxLauncher::runSpawner()
{
    // posix_spawn returns once the child has been created and has run exec: on a busy machine that is a
    // good part of a millisecond each, which the window thread no longer waits for.
    std::unique_lock<std::mutex> lock(m_spawnMutex);
    for (;;) {
        m_spawnWake.wait(lock, [this] { return m_stopSpawner || !m_toSpawn.empty(); });
        if (m_toSpawn.empty())
            return; // stopping, and nothing left to start
        Start start = std::move(m_toSpawn.front());
        m_toSpawn.pop_front();
        ++m_spawning;
        lock.unlock();
        pid_t pid = 0;
        const bool started = spawn(start, &pid) == Started;
        lock.lock();
        --m_spawning;
        if (started)
            m_spawned.push_back(pid);
    }
}

int LinuxLauncher::prepare(const QString& commandLine, Start* start)
{
    const QStringList words = CommandLine::split(commandLine);
    if (words.isEmpty() || words.first().isEmpty())
        return FileNotFound;
    start->program = findProgram(words.first());
    if (start->program.isEmpty())
        return FileNotFound;
    // Qt 6 encodes local 8-bit text as UTF-8 on Linux, whatever the locale says.
    start->words.reserve(words.size());
    for (const QString& word : words)
        start->words.push_back(word.toLocal8Bit());
    return Started;
}

int LinuxLauncher::spawn(Start& start, pid_t* pid) const
{
    std::vector<char*> argv;
    argv.reserve(start.words.size() + 1);
    for (QByteArray& word : start.words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    SpawnSetup setup;
    if (posix_spawn_file_actions_init(&setup.actions) != 0)
        return OutOfResources;
    setup.actionsReady = true;
    if (posix_spawnattr_init(&setup.attr) != 0)
        return OutOfResources;
    setup.attrReady = true;

    int failed = 0;
    for (int target = 0; target <= 2; ++target) {
        failed |= m_devNull >= 0 ? posix_spawn_file_actions_adddup2(&setup.actions, m_devNull, target)
                                 : posix_spawn_file_actions_addopen(&setup.actions, target, "/dev/null", O_RDWR, 0);
    }
    // Descriptors that some library opened without close-on-exec must not live on in the children.
    failed |= posix_spawn_file_actions_addclosefrom_np(&setup.actions, 3);

    sigset_t noSignals;
    sigemptyset(&noSignals);
    sigset_t allSignals;
    sigfillset(&allSignals);
    failed |= posix_spawnattr_setsigmask(&setup.attr, &noSignals);
    failed |= posix_spawnattr_setsigdefault(&setup.attr, &allSignals);
    failed
        |= posix_spawnattr_setflags(&setup.attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    if (failed != 0)
        return OutOfResources;

    const int error = posix_spawn(pid, start.program.constData(), &setup.actions, &setup.attr, argv.data(), environ);
    return error == 0 ? int(Started) : resultOfSpawnError(error);
}

void LinuxLauncher::startReaping()
{
    if (!m_reapTimer.isActive() && thread() == QThread::currentThread() && QAbstractEventDispatcher::instance())
        m_reapTimer.start();
}

int LinuxLauncher::outstandingChildren() const
{
    const std::lock_guard<std::mutex> lock(m_spawnMutex);
    return int(m_children.size() + m_spawned.size() + m_toSpawn.size()) + m_spawning;
}

int LinuxLauncher::WinExecWatched(const QString& commandLine, int showMode,
                                  std::function<void(const QString& reason)> onFailure)
{
    Q_UNUSED(showMode);
    Start start;
    if (const int result = prepare(commandLine, &start); result != Started)
        return result;
    QStringList arguments;
    for (auto word = start.words.cbegin() + 1; word != start.words.cend(); ++word)
        arguments.append(QString::fromLocal8Bit(*word));

    auto* process = new QProcess(this);
    process->setProgram(QFile::decodeName(start.program));
    process->setArguments(arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    const auto report = [process, onFailure = std::move(onFailure)](const QString& reason) {
        process->disconnect();
        process->deleteLater();
        if (!reason.isEmpty() && onFailure)
            onFailure(reason);
    };
    connect(process, &QProcess::finished, this, [process, report](int exitCode, QProcess::ExitStatus status) {
        const QList<QByteArray> lines = process->readAllStandardError().trimmed().split('\n');
        const QString said = QString::fromLocal8Bit(lines.last()).trimmed();
        if (status == QProcess::CrashExit)
            report(said.isEmpty() ? process->errorString() : said);
        else if (exitCode != 0)
            report(said.isEmpty() ? QStringLiteral("exit status %1").arg(exitCode) : said);
        else
            report(QString());
    });
    connect(process, &QProcess::errorOccurred, this, [process, report](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            report(process->errorString());
    });
    process->start();
    return Started;
}

void LinuxLauncher::reapChildren()
{
    bool spawnerBusy = false;
    {
        const std::lock_guard<std::mutex> lock(m_spawnMutex);
        m_children.insert(m_children.end(), m_spawned.begin(), m_spawned.end());
        m_spawned.clear();
        spawnerBusy = m_spawning > 0 || !m_toSpawn.empty();
    }
    const auto ended = [](pid_t pid) {
        int status = 0;
        pid_t result;
        do {
            result = ::waitpid(pid, &status, WNOHANG);
        } while (result < 0 && errno == EINTR);
        // ECHILD: someone else collected it already.
        return result == pid || (result < 0 && errno == ECHILD);
    };
    m_children.erase(std::remove_if(m_children.begin(), m_children.end(), ended), m_children.end());
    if (m_children.empty() && !spawnerBusy)
        m_reapTimer.stop();
}

QByteArray LinuxLauncher::findProgram(const QString& name)
{
    const QByteArray encodedName = QFile::encodeName(name);
    if (encodedName.contains('/'))
        return isExecutableFile(encodedName) ? encodedName : QByteArray();

    const QByteArray path = searchPath();
    if (path != m_lookupPath) {
        m_lookups.clear();
        m_lookupPath = path;
    }
    const auto cached = m_lookups.constFind(name);
    if (cached != m_lookups.constEnd() && isExecutableFile(cached.value()))
        return cached.value();

    QByteArray found;
    if (!m_programDirectory.isEmpty() && isExecutableFile(m_programDirectory + '/' + encodedName))
        found = m_programDirectory + '/' + encodedName;
    // Our own messenger is never taken from PATH: Samba's net, or anyone's, would get our notices.
    if (found.isEmpty() && name != QLatin1String("net")) {
        for (const QByteArray& folder : path.split(':')) {
            // Empty and relative entries would mean wherever our working folder happens to be.
            if (!folder.startsWith('/'))
                continue;
            const QByteArray candidate = folder + '/' + encodedName;
            if (isExecutableFile(candidate)) {
                found = candidate;
                break;
            }
        }
    }
    if (found.isEmpty())
        return found;

    // Only worth keeping when something will drop it again at the end of this burst.
    if (thread() == QThread::currentThread() && QAbstractEventDispatcher::instance()) {
        m_lookups.insert(name, found);
        if (!m_forgetPosted) {
            m_forgetPosted = true;
            QTimer::singleShot(0, this, &LinuxLauncher::forgetLookups);
        }
    }
    return found;
}

void LinuxLauncher::forgetLookups()
{
    m_forgetPosted = false;
    m_lookups.clear();
}
