// The notice burst: 254 "net send" launches to 127.0.0.2..255 with a stand-in net that exits at once.
// Prints the time on the calling thread and the zombies left 2 s later; asserts nothing.
#include "messaging/ShutdownNotice.h"
#include "platform/linux/LinuxLauncher.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

namespace {
int zombieChildren()
{
    int zombies = 0;
    const QString self = QString::number(getpid());
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QList<QByteArray> fields = stat.readAll().split(')').value(1).trimmed().split(' ');
        if (fields.size() > 1 && fields[0] == "Z" && fields[1] == self.toLatin1()) {
            ++zombies;
        }
    }
    return zombies;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QFile stub(dir.filePath(QStringLiteral("net")));
    stub.open(QIODevice::WriteOnly);
    stub.write("#!/bin/sh\nexit 0\n");
    stub.close();
    stub.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    LinuxLauncher launcher(dir.path());
    QString prefix = QStringLiteral("127.0.0");
    qint16 first = 2;
    qint16 last = 255;
    QElapsedTimer timer;
    timer.start();
    SendShutdownNotice(launcher, QStringLiteral("请保存文件！服务器将在 60 秒之后关闭"), prefix, first, last);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    std::printf("254 notice launches: %.1f ms on the calling thread (%.3f ms each)\n", ms, ms / 254);

    QTimer::singleShot(2000, &app, [&] {
        std::printf("zombie children 2 s later: %d (outstanding %d)\n", zombieChildren(),
                    launcher.outstandingChildren());
        app.quit();
    });
    return app.exec();
}
