#include "MDIFrm.h"

#include "AppIcon.h"
#include "StatusLayout.h"
#include "about/AnimateTray.h"
#include "core/Twips.h"
#include "localisation/LanguageFile.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/InstanceLock.h"
#include "platform/Launcher.h"
#include "platform/NotificationIcon.h"
#include "platform/ScheduledShutdown.h"
#include "platform/SystemInfo.h"
#include "shutdown/ErrorGuard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>

MDIFrm::MDIFrm(ProgramState& state, Platform& platform, ShutdownExecutor& executor, ErrorGuard& guard, Options options,
               QWidget* parent)
    : QMainWindow(parent), m_state(state), m_lang(state.lang), m_platform(platform), m_guard(guard),
      m_opts(std::move(options)), m_overrides(m_opts.overridesPath), m_scheduler(state, platform.launcher, executor),
      m_appIcon(appIcon())
{
    setObjectName(QStringLiteral("MDIFrm"));
    setWindowIcon(m_appIcon);
    buildWindow();
    buildMenus();

    Timer1.setSingleShot(true);
    Timer1.setInterval(10);
    connect(&Timer1, &QTimer::timeout, this, [this] { m_guard.run([this] { Timer1_Timer(); }); });
    // The tick is re-armed each time to fire just after the next second begins, so it never drifts
    // across a second boundary and skips a second.
    Timer2.setSingleShot(true);
    Timer2.setTimerType(Qt::PreciseTimer);
    connect(&Timer2, &QTimer::timeout, this, [this] { m_guard.run([this] { Timer2_Timer(); }); });
    Timer3.setSingleShot(true);
    Timer3.setInterval(Scheduler::ShutDownNowDelaySeconds * 1000);
    connect(&Timer3, &QTimer::timeout, this, [this] { m_guard.run([this] { Timer3_Timer(); }); });
    m_guard.setStopTimers([this] {
        Timer1.stop();
        Timer2.stop();
        Timer3.stop();
    });
    connectIcon();
    connectScheduler();
}

MDIFrm::~MDIFrm()
{
    // The dialogs are top-level windows of their own, but they show the program state this window
    // was given: they must not outlive it.
    delete m_options.data();
    delete m_sendMsg.data();
}

void MDIFrm::buildWindow()
{
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("MDIClient"));
    setCentralWidget(m_mdi);

    for (int panel = 1; panel <= 6; ++panel) {
        m_panels[panel] = new QLabel;
        m_panels[panel]->setObjectName(QStringLiteral("Panel%1").arg(panel));
        statusBar()->addWidget(m_panels[panel]);
    }
    statusBar()->setSizeGripEnabled(false);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
}

QPlainTextEdit* MDIFrm::logView()
{
    // Made when first needed: laying out its first (empty) text loads the font database, the largest
    // single cost of starting, while the window stays hidden and the log empty nearly always.
    if (Picture1) {
        return Picture1;
    }
    Picture1 = new QPlainTextEdit;
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setReadOnly(true);
    Picture1->setFrameShape(QFrame::NoFrame);
    QPalette palette = Picture1->palette();
    palette.setColor(QPalette::Base, QColor(255, 255, 208));
    palette.setColor(QPalette::Text, Qt::black);
    Picture1->setPalette(palette);
    QFont font(QStringLiteral("SimSun"));
    font.setFamilies({ QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Zen Hei"),
                       QStringLiteral("Noto Sans CJK SC"), QStringLiteral("monospace") });
    font.setPointSizeF(9);
    Picture1->setFont(font);

    Display1 = m_mdi->addSubWindow(Picture1, Qt::FramelessWindowHint);
    Display1->setObjectName(QStringLiteral("Display1"));
    Display1->setGeometry(m_mdi->viewport()->rect());
    Display1->show();
    return Picture1;
}

bool MDIFrm::MDIForm_Load()
{
    if (!m_platform.instanceLock.tryLock()) {
        return false;
    }
    m_state.settings.LanguageIndex = -1;
    m_state.settings.SettingsLoaded = false;
    MainWindowHidden = true;
    m_state.settings.IpStart = 2;
    m_state.settings.IpEnd = 255;
    m_state.settings.IpPrefix = QStringLiteral("192.168.0");

    LoadLanguageFile(m_state.lang, languageFileCandidates(m_platform.system, m_opts.dataDirectory), m_platform.system);

    hide();
    if (Picture1) {
        Picture1->clear();
    }
    for (int panel = 2; panel <= 5; ++panel) {
        setPanelText(panel, QString());
    }

    startMessenger();
    // An administrator's shutdown is shown beside the user's own times; the answer comes later.
    m_platform.scheduledShutdown.watch();

    if (m_opts.startTimers) {
        Timer1.start();
        startTimer2(m_platform.clock.now().time());
    }
    Timer3.stop();

    m_state.settings.SettingsFilePath = m_platform.system.systemDirectory() + u'/' + m_platform.system.currentUserName()
        + settingsfile::FileNameSuffix;

    if (m_state.store.fileExists()) {
        m_scheduler.LoadActionSettings();
    } else {
        firstUse();
    }

    hide();
    if (!m_platform.icon.isAreaAvailable()) {
        // Without a notification area a hidden window would leave the user no way in.
        QTimer::singleShot(m_opts.trayGraceMs, this, [this] {
            m_guard.run([this] {
                if (!m_platform.icon.isAreaAvailable() && MainWindowHidden && !m_unloading) {
                    Menu18_Click();
                }
            });
        });
    }
    return true;
}

void MDIFrm::firstUse()
{
    LangueMC_Click(unstoredLanguage());
    const QString greeting
        = m_platform.system.currentUserName() + m_lang[55] + QStringLiteral("！") + u'\n' + u'\n' + m_lang[56];
    m_platform.dialogs.showInformation(nullptr, m_lang[57], greeting);
    Menu150_Click();
}

int MDIFrm::unstoredLanguage() const
{
    return m_language > 0 ? m_language : languageForDesktop(m_state.lang, m_platform.system.desktopLocale());
}

double MDIFrm::twipsPerPixel() const
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return twips::PerInch / (dpi > 0 ? dpi : 96.0);
}

void MDIFrm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Timer1.start();
}

void MDIFrm::Timer1_Timer()
{
    Timer1.stop();
    if (isMinimized()) {
        return;
    }
    if (Display1) {
        Display1->setGeometry(m_mdi->viewport()->rect());
    }
    const double tpp = twipsPerPixel();
    const std::array<int, 6> widths = statusPanelWidths(int(statusBar()->width() * tpp));
    for (int panel = 1; panel <= 6; ++panel) {
        m_panels[panel]->setFixedWidth(int(widths[panel - 1] / tpp));
    }
}

void MDIFrm::appendLog(const QString& text)
{
    QTextCursor cursor(logView()->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
}

QString MDIFrm::logText() const
{
    return Picture1 ? Picture1->toPlainText() : QString();
}

QString MDIFrm::panelText(int panel) const
{
    return panel >= 1 && panel <= 6 ? m_panelTexts[panel] : QString();
}

void MDIFrm::setPanelText(int panel, const QString& text)
{
    m_panelTexts[panel] = text;
    if (isVisible()) {
        m_panels[panel]->setText(text);
    }
}

void MDIFrm::showEvent(QShowEvent* event)
{
    logView();
    for (int panel = 1; panel <= 6; ++panel) {
        if (m_panels[panel]->text() != m_panelTexts[panel]) {
            m_panels[panel]->setText(m_panelTexts[panel]);
        }
    }
    QMainWindow::showEvent(event);
}

void MDIFrm::closeEvent(QCloseEvent* event)
{
    MDIForm_QueryUnload();
    MDIForm_Unload();
    event->accept();
}

void MDIFrm::MDIForm_QueryUnload()
{
    m_platform.icon.remove();
}

void MDIFrm::MDIForm_Unload()
{
    if (m_unloading) {
        return;
    }
    m_unloading = true;
    AnimateTray(this, 1, m_platform.icon);
    m_platform.icon.remove();
    Timer1.stop();
    Timer2.stop();
    if (m_options) {
        m_options->close();
    }
    if (m_sendMsg) {
        m_sendMsg->close();
    }
    // exit() ends every event loop, including that of a box still open, not only the main one.
    QCoreApplication::exit(0);
}
