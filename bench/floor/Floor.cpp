// The floor for bench/peer: the least a Qt 6 program can do for the same job. It sits in the
// notification area with its main window hidden and writes the time into a status bar once a second.
// Whatever Tova Shutdown spends beyond this is its own.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QPixmap>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTime>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QMainWindow window; // never shown
    auto* clock = new QLabel;
    window.statusBar()->addWidget(clock);

    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(32, 84, 160));
        painter.drawEllipse(pixmap.rect().adjusted(1, 1, -1, -1));
    }
    QSystemTrayIcon tray { QIcon(pixmap) };
    tray.setToolTip(QStringLiteral("floor"));
    tray.show();

    QTimer tick;
    tick.setInterval(1000);
    QObject::connect(&tick, &QTimer::timeout, clock,
                     [clock] { clock->setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))); });
    tick.start();
    return app.exec();
}
