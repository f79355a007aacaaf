// The floor for bench/service_idle: the least a QtCore and D-Bus program can do for the service's job.
// It asks logind once to schedule a time (as the service arms its next time), then once a second reads
// its schedule file and decodes it from GB18030, as the service must to see an edit at the next second.
// Whatever tova-shutdownd spends beyond this is its own.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDateTime>
#include <QFile>
#include <QStringDecoder>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[])
{
    // It really asks logind for a power-off: only ever on a bus of the benchmark's own, never the machine's.
    const QByteArray bus = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    if (bus.isEmpty() || bus.contains("/run/dbus/system_bus_socket")) {
        std::fprintf(stderr, "floor_service: runs only on a private system bus (see bench/service_idle)\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    const QString path = QCoreApplication::arguments().value(1);

    QDBusMessage schedule = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("ScheduleShutdown"));
    const qint64 at = QDateTime::currentDateTime().addSecs(3 * 3600).toMSecsSinceEpoch();
    schedule.setArguments({ QStringLiteral("poweroff"), QVariant::fromValue(quint64(at) * 1000) });
    QDBusConnection::systemBus().call(schedule);

    QFile file(path);
    QString text;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (file.isOpen() || file.open(QIODevice::ReadOnly)) {
            file.seek(0);
            QStringDecoder decode("GB18030");
            text = decode(file.readAll());
        }
    });
    tick.start(1000);
    return QCoreApplication::exec();
}
