#include "mainwindow/MDIFrm.h"

#include "core/TextFile.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeDialogs.h"
#include "platform/fake/FakeInstanceLock.h"
#include "platform/fake/FakeLauncher.h"
#include "platform/fake/FakeNotificationIcon.h"
#include "platform/fake/FakeScheduledShutdown.h"
#include "platform/fake/FakeShutdownApi.h"
#include "platform/fake/FakeSystemInfo.h"
#include "platform/linux/TrayNotificationIcon.h"
#include "settingsdialog/frmOptions.h"
#include "shutdown/ErrorGuard.h"
#include "shutdown/ShutdownExecutor.h"
#include "support/PrivateBus.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
const QString NoticeFile = QStringLiteral("[语言类别]：1[/语言类别]\n"
                                          "[关机时间]：08:00:00、17:30:00[/关机时间]\n"
                                          "[法定休息日]：10:00:00[/法定休息日]\n"
                                          "[法定节假日]：[/法定节假日]\n"
                                          "[关机动作]：关闭电源[/关机动作]\n"
                                          "[强制关机]：Yes\n"
                                          "[是否发送关机信息]：Yes\n"
                                          "[IP地址前缀]：127.0.0[/IP地址前缀]\n"
                                          "[IP开始子地址]：2[/IP开始子地址]\n"
                                          "[IP结束子地址]：4[/IP结束子地址]");

bool waitUntil(const std::function<bool()>& condition)
{
    const QDeadlineTimer deadline(30000);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QTest::qWait(10);
    }
    return true;
}

class MDIFrmTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        system.directory = dir.path();
        settingsPath = dir.filePath(QStringLiteral("AdminTovaShutDown.ini"));
    }

    MDIFrm& start(const QString& settings = QString())
    {
        if (!settings.isNull()) {
            textfile::write(settingsPath, settings);
        }
        window = std::make_unique<MDIFrm>(state, platform, executor, guard, MDIFrm::Options { false, QString(), 0 });
        started = window->MDIForm_Load();
        return *window;
    }

    void tickAt(const QTime& time)
    {
        clock.setTime(time);
        window->Timer2_Timer();
        // Notices start in batches between turns of the event loop.
        while (window->noticesPending() > 0) {
            QCoreApplication::processEvents();
        }
    }

    QString fileText()
    {
        QString text;
        textfile::read(settingsPath, &text);
        return text;
    }

    QTemporaryDir dir;
    QString settingsPath;
    FakeClock clock { QDateTime(QDate(2026, 12, 7), QTime(12, 0)) }; // a Monday
    FakeSystemInfo system;
    FakeInstanceLock lock;
    FakeLauncher launcher;
    FakeDialogs dialogs;
    FakeNotificationIcon icon;
    FakeShutdownApi shutdownApi;
    ShutdownExecutor executor { shutdownApi, QStringLiteral("tova-shutdown") };
    int exitStatus = -1;
    ErrorGuard guard { dialogs, QStringLiteral("Tova"), [this](int status) { exitStatus = status; } };
    FakeScheduledShutdown scheduledShutdown;
    Platform platform { clock, system, lock, launcher, dialogs, icon, scheduledShutdown };
    ProgramState state { system, clock };
    std::unique_ptr<MDIFrm> window;
    bool started = false;
};
} // namespace

TEST_F(MDIFrmTest, SecondInstanceEndsWithoutTouchingAnything)
{
    lock.available = false;
    start();
    EXPECT_FALSE(started);
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_TRUE(launcher.commandLines.isEmpty());
    EXPECT_EQ(icon.adds, 0);
    EXPECT_FALSE(QFile::exists(settingsPath));
}

TEST_F(MDIFrmTest, FirstUseGreetsAndOpensTheSettings)
{
    MDIFrm& w = start();
    ASSERT_TRUE(started);
    EXPECT_EQ(launcher.commandLines, QStringList({ "net start messenger" }));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Tova自动关机 1.2"));
    EXPECT_TRUE(icon.isShown());
    EXPECT_EQ(icon.tip(), w.windowTitle());
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].kind, FakeDialogs::Kind::Information);
    EXPECT_EQ(dialogs.shown[0].title, QStringLiteral("欢迎您！"));
    EXPECT_EQ(dialogs.shown[0].text,
              QStringLiteral("Admin：您好，欢迎您使用！\n\n您是第一次使用，请先对系统进行设置！"));
    ASSERT_NE(w.optionsDialog(), nullptr);
    EXPECT_TRUE(w.optionsDialog()->isVisible());
    EXPECT_TRUE(state.settings.SettingsLoaded);
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(QFile::exists(settingsPath)); // nothing is written until the user saves
}

TEST_F(MDIFrmTest, AMessengerThatDidNotStartIsLoggedAndShown)
{
    const struct
    {
        int result;
        QString failure; // what net said when it ended
        QString reason;
    } cases[] = {
        { 2, QString(), QStringLiteral("程序所在的文件夹中没有 net。") },
        { 33, QStringLiteral("net: cannot listen on UDP port 61423: Address in use"),
          QStringLiteral("net: cannot listen on UDP port 61423: Address in use") },
    };
    for (const auto& c : cases) {
        launcher.result = c.result;
        launcher.failureHandlers.clear();
        icon.messages.clear();
        window.reset();
        MDIFrm& w = start(NoticeFile);
        ASSERT_EQ(launcher.failureHandlers.size(), 1u);
        if (!c.failure.isEmpty()) {
            launcher.failureHandlers[0](c.failure);
        }
        QCoreApplication::processEvents();
        EXPECT_TRUE(w.logText().endsWith(QStringLiteral("消息服务未能启动：\n\n          ") + c.reason)) << c.result;
        EXPECT_EQ(icon.messages, QStringList { w.windowTitle() + QStringLiteral("\n消息服务未能启动：\n") + c.reason });
    }
}

TEST_F(MDIFrmTest, EmptyListShowsOnlyThePrefixes)
{
    MDIFrm& w = start(QStringLiteral("[关机时间]：[/关机时间]"));
    tickAt(QTime(17, 29, 0));
    EXPECT_EQ(w.panelText(4), QStringLiteral("关机时间："));
    EXPECT_EQ(w.panelText(5), QStringLiteral("距关机时间："));
    EXPECT_TRUE(w.panelText(2).startsWith(QStringLiteral("日期：")));
    EXPECT_TRUE(w.panelText(2).endsWith(QStringLiteral(" 星期一")));
    EXPECT_EQ(w.panelText(3), QStringLiteral("现在时间：17:29:00"));
    EXPECT_TRUE(w.logText().isEmpty());
}

TEST_F(MDIFrmTest, PanelsShowTheLatestTextsWhenTheWindowIsShown)
{
    MDIFrm& w = start(QStringLiteral("[关机时间]：17:30:00[/关机时间]"));
    const auto label = [&](int panel) { return w.findChild<QLabel*>(QStringLiteral("Panel%1").arg(panel))->text(); };
    tickAt(QTime(12, 0, 0));
    tickAt(QTime(12, 0, 1));
    ASSERT_FALSE(w.isVisible());
    w.show();
    for (int panel = 2; panel <= 5; ++panel) {
        EXPECT_EQ(label(panel), w.panelText(panel)) << panel;
    }
    EXPECT_EQ(label(3), QStringLiteral("现在时间：12:00:01"));
    tickAt(QTime(12, 0, 2)); // and follow every tick while shown
    EXPECT_EQ(label(3), QStringLiteral("现在时间：12:00:02"));
    EXPECT_EQ(label(5), QStringLiteral("距关机时间：5:29:58"));
}

TEST_F(MDIFrmTest, WarningsNoticesAndShutdownOnTheirSeconds)
{
    MDIFrm& w = start(NoticeFile);
    tickAt(QTime(12, 0, 0));
    EXPECT_EQ(w.NextShutdownTime, QStringLiteral("17:30:00"));
    EXPECT_EQ(w.panelText(5), QStringLiteral("距关机时间：5:30:00"));
    launcher.commandLines.clear();

    tickAt(QTime(17, 29, 0));
    const QString date = QStringLiteral("2026/12/7"); // as China writes it, the language shown
    EXPECT_EQ(w.logText(),
              QStringLiteral("\n     %1    17:29:00\n\n     向工作组中的所有计算机发送信息：\n\n"
                             "          服务器将在 60 秒之后关闭")
                  .arg(date));
    EXPECT_EQ(launcher.commandLines,
              QStringList({ "net send 127.0.0.2 请保存文件！服务器将在 60 秒之后关闭",
                            "net send 127.0.0.3 请保存文件！服务器将在 60 秒之后关闭",
                            "net send 127.0.0.4 请保存文件！服务器将在 60 秒之后关闭" }));
    EXPECT_EQ(icon.messages.size(), 1);
    EXPECT_TRUE(icon.messages[0].contains(QStringLiteral("17:30:00")));

    launcher.commandLines.clear();
    tickAt(QTime(17, 29, 45));
    EXPECT_TRUE(w.logText().endsWith(QStringLiteral("17:29:45\n\n     向工作组中的所有计算机发送信息：\n\n"
                                                    "          现在关闭服务器！")));
    EXPECT_EQ(launcher.commandLines.size(), 3);
    EXPECT_EQ(launcher.commandLines[0], QStringLiteral("net send 127.0.0.2 现在关闭服务器！"));
    EXPECT_TRUE(shutdownApi.calls.isEmpty());

    tickAt(QTime(17, 29, 59));
    EXPECT_EQ(shutdownApi.calls.last(), QStringLiteral("exitSession 5")); // power off, forced
    EXPECT_EQ(w.panelText(5), QStringLiteral("距关机时间：0:00:01"));

    // The same second again (an early timer) does not shut down twice.
    const int calls = int(shutdownApi.calls.size());
    window->Timer2_Timer();
    EXPECT_EQ(shutdownApi.calls.size(), calls);
}

TEST_F(MDIFrmTest, NoNoticesWhenSwitchedOff)
{
    QString file = NoticeFile;
    file.replace(QStringLiteral("[是否发送关机信息]：Yes"), QStringLiteral("[是否发送关机信息]：No"));
    MDIFrm& w = start(file);
    tickAt(QTime(17, 28, 59));
    launcher.commandLines.clear();
    tickAt(QTime(17, 29, 0));
    EXPECT_FALSE(w.logText().isEmpty());
    EXPECT_TRUE(launcher.commandLines.isEmpty());
}

TEST_F(MDIFrmTest, BusyMachineStillShutsDownButALongJumpDoesNot)
{
    start(NoticeFile);
    tickAt(QTime(17, 29, 57));
    tickAt(QTime(17, 30, 0));
    EXPECT_TRUE(shutdownApi.calls.contains(QStringLiteral("exitSession 5")));

    shutdownApi.calls.clear();
    tickAt(QTime(16, 29, 58));
    tickAt(QTime(17, 30, 0));
    EXPECT_FALSE(shutdownApi.calls.contains(QStringLiteral("exitSession 5")));
}

TEST_F(MDIFrmTest, ARefusalIsToldAndOnlyAHeldBackRequestIsAskedAgain)
{
    struct Case
    {
        const char* name;
        const char* forced;
        bool permitted; // CanPowerOff says yes
        bool heldBack; // else the request itself is refused for good
        int error; // the number the log names
        QStringList requests; // the seconds at which the system was asked
    };
    const QString reason = QStringLiteral("held back by Backup tool: Nightly backup is running");
    for (const Case& c : {
             // Held back, let go at 17:30:30: asked again at 17:30:59 and accepted; 18:00:00 still comes.
             Case { "held back", "No", true, true, 2, { "17:29:59", "17:30:59", "17:59:59" } },
             Case { "not permitted", "No", false, false, 6, { "17:29:59", "17:59:59" } },
             Case { "forced and refused", "Yes", true, false, 2, { "17:29:59", "17:59:59" } },
         }) {
        SCOPED_TRACE(c.name);
        shutdownApi = FakeShutdownApi();
        shutdownApi.maySucceed = c.permitted;
        shutdownApi.exitSucceeds = false;
        shutdownApi.exitHeldBack = c.heldBack;
        shutdownApi.texts.insert(shutdownApi.failureCode, reason);
        icon.messages.clear();
        QString file = NoticeFile;
        file.replace(QStringLiteral("17:30:00"), QStringLiteral("17:30:00、18:00:00"))
            .replace(QStringLiteral("[强制关机]：Yes"), QStringLiteral("[强制关机]：") + c.forced);
        MDIFrm& w = start(file);
        QStringList requests;
        for (const char* second : { "17:29:58", "17:29:59", "17:30:00", "17:30:30", "17:30:58", "17:30:59", "17:31:00",
                                    "17:31:59", "17:32:00", "17:59:58", "17:59:59", "18:00:00", "18:00:05" }) {
            const QTime t = QTime::fromString(QLatin1String(second));
            if (t == QTime(17, 30, 30)) {
                shutdownApi.exitSucceeds = true; // the inhibitor goes, or the system would now agree
            }
            const qsizetype before = shutdownApi.calls.size();
            tickAt(t);
            if (shutdownApi.calls.mid(before).filter(QStringLiteral("mayAct")).size() > 0) {
                requests << t.toString(QStringLiteral("HH:mm:ss"));
            }
        }
        EXPECT_EQ(requests, c.requests);
        EXPECT_EQ(exitStatus, -1) << "the program goes on";
        EXPECT_EQ(dialogs.count(FakeDialogs::Kind::Error), 0) << "no box: a notification";
        EXPECT_EQ(w.NextShutdownTime, QStringLiteral("08:00:00"));
        ASSERT_FALSE(icon.messages.isEmpty());
        EXPECT_TRUE(icon.messages.filter(QStringLiteral("未能关机：\n") + reason).size() > 0)
            << icon.messages.join(u'|').toStdString();
        EXPECT_FALSE(w.logText().contains(QStringLiteral("InitiateSystemShutdown")));
        EXPECT_TRUE(w.logText().contains(reason + QStringLiteral(" [%1 tova-shutdown.mShutDown]").arg(c.error)))
            << w.logText().toStdString();
        EXPECT_EQ(w.logText().contains(QStringLiteral("一分钟后再试。")), c.heldBack);
        window.reset();
    }
}

// A box opened while the tick runs would hold every later tick back at the re-entry guard.
TEST_F(MDIFrmTest, ABoxOpenOverTheDueSecondStillLeavesOneRequest)
{
    start(NoticeFile);
    // Edited before the first tick: no language line and a byte that is no character, so storing the
    // language choice is refused and said in a box.
    textfile::write(settingsPath, QString(NoticeFile).remove(QStringLiteral("[语言类别]：1[/语言类别]\n")));
    QFile file(settingsPath);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("\n\xFF");
    file.close();
    dialogs.whileOpen = [&] {
        dialogs.whileOpen = nullptr;
        tickAt(QTime(17, 29, 58));
        tickAt(QTime(17, 29, 59));
    };
    tickAt(QTime(17, 29, 57));
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.count(FakeDialogs::Kind::Error), 1);
    EXPECT_EQ(shutdownApi.calls.filter(QStringLiteral("exitSession")).size(), 1);
}

TEST_F(MDIFrmTest, TodaysTimesFollowAnEditedFile)
{
    struct Case
    {
        const char* name;
        QString before;
        QString after; // written at 17:29:30
        QStringList events; // second and what happened, up to 17:31:05
    };
    for (const Case& c : {
             Case { "removed", "08:00:00、17:30:00", "08:00:00", { "17:29:00 notice" } },
             Case { "added",
                    "08:00:00",
                    "08:00:00、17:31:00",
                    { "17:30:00 notice", "17:30:45 notice", "17:30:59 request" } },
         }) {
        SCOPED_TRACE(c.name);
        shutdownApi.calls.clear();
        textfile::write(settingsPath, QString(NoticeFile).replace(QStringLiteral("08:00:00、17:30:00"), c.before));
        start();
        QStringList events;
        for (QTime t(17, 28, 58); t <= QTime(17, 31, 5); t = t.addSecs(1)) {
            if (t == QTime(17, 29, 30)) {
                textfile::write(settingsPath,
                                QString(NoticeFile).replace(QStringLiteral("08:00:00、17:30:00"), c.after));
            }
            launcher.commandLines.clear();
            const qsizetype before = shutdownApi.calls.size();
            tickAt(t);
            const QString second = t.toString(QStringLiteral("HH:mm:ss"));
            if (!launcher.commandLines.isEmpty()) {
                events << second + QStringLiteral(" notice");
            }
            if (shutdownApi.calls.size() > before) {
                events << second + QStringLiteral(" request");
            }
        }
        EXPECT_EQ(events, c.events);
        window.reset();
    }
}

TEST_F(MDIFrmTest, ALanguageSwitchKeepsTheOpenDialogsUnsavedLists)
{
    QFile::copy(QStringLiteral(TOVA_SOURCE_DATA_DIR "/TovaShutdownlangue.ini"),
                dir.filePath(QStringLiteral("TovaShutdownlangue.ini")));
    MDIFrm& w = start(NoticeFile);
    tickAt(QTime(9, 0, 0));
    w.Menu150_Click();
    const QStringList edited { QStringLiteral("08:00:00"), QStringLiteral("17:30:00"), QStringLiteral("18:00:00") };
    state.store.Clstm_Lst1.setStringList(edited); // added in the dialog, not yet applied
    w.LangueMC_Click(2);
    tickAt(QTime(9, 0, 1));
    EXPECT_TRUE(w.panelText(2).endsWith(QStringLiteral(" Monday")));
    EXPECT_EQ(state.store.Clstm_Lst1.items(), edited);
}

TEST_F(MDIFrmTest, TodaysListFollowsTheDateAndIsRebuiltWhileTheDialogIsOpen)
{
    MDIFrm& w = start(NoticeFile);
    tickAt(QTime(9, 0, 0));
    EXPECT_EQ(w.NextShutdownTime, QStringLiteral("17:30:00"));

    w.Menu150_Click(); // holds back the reload step, not the date-line rebuild
    EXPECT_TRUE(state.settings.SettingsLoaded);
    textfile::write(settingsPath, QString(NoticeFile).replace(QStringLiteral("10:00:00"), QStringLiteral("11:00:00")));
    tickAt(QTime(9, 0, 1));
    EXPECT_EQ(state.store.Clstm_Lst2.items(), QStringList({ "10:00:00" }));

    clock.set(QDateTime(QDate(2026, 12, 12), QTime(9, 0, 2))); // Saturday
    w.Timer2_Timer();
    EXPECT_EQ(state.store.Clstm_Lst2.items(), QStringList({ "11:00:00" }));
    EXPECT_EQ(w.NextShutdownTime, QStringLiteral("11:00:00"));
    EXPECT_TRUE(w.panelText(2).endsWith(QStringLiteral(" 星期六")));

    clock.set(QDateTime(QDate(2026, 10, 2), QTime(9, 0, 3))); // a fixed holiday: empty list
    w.Timer2_Timer();
    EXPECT_TRUE(w.NextShutdownTime.isEmpty());
}

TEST_F(MDIFrmTest, ShutDownNowAsksThenWaitsThirtySeconds)
{
    MDIFrm& w = start(NoticeFile);
    tickAt(QTime(12, 0, 0));
    launcher.commandLines.clear();

    dialogs.answers = { false };
    w.Menu11_Click();
    EXPECT_TRUE(w.logText().isEmpty());
    EXPECT_FALSE(w.isTimer3Active());
    EXPECT_EQ(dialogs.shown.last().text, QStringLiteral("请确认是否要立即关闭服务器？"));
    EXPECT_EQ(dialogs.shown.last().title, w.windowTitle());

    dialogs.answers = { true };
    w.Menu11_Click();
    while (w.noticesPending() > 0) {
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(w.logText().startsWith(QStringLiteral("\n\n\n\n     ")));
    EXPECT_TRUE(w.logText().endsWith(QStringLiteral("          现在关闭服务器！")));
    EXPECT_EQ(launcher.commandLines.size(), 3);
    EXPECT_EQ(launcher.commandLines[0], QStringLiteral("net send 127.0.0.2 服务器将在 30 秒之后关闭请保存文件！"));
    EXPECT_TRUE(w.isTimer3Active());
    EXPECT_TRUE(shutdownApi.calls.isEmpty());

    EXPECT_EQ(dialogs.shown.last().button, Dialogs::Default::No) << "Enter must not power the machine off";

    // Confirmed again while the delay runs: neither the delay nor the notices start over.
    const QString log = w.logText();
    dialogs.answers = { true };
    w.Menu11_Click();
    EXPECT_EQ(w.noticesPending(), 0);
    EXPECT_EQ(launcher.commandLines.size(), 3);
    EXPECT_EQ(w.logText(), log);

    w.Timer3_Timer();
    EXPECT_EQ(shutdownApi.calls.last(), QStringLiteral("exitSession 5"));
}

TEST_F(MDIFrmTest, TicksGoOnBehindAQuestionButNeverInsideATick)
{
    MDIFrm& w = start(NoticeFile);
    tickAt(QTime(17, 29, 57));
    int ticks = 0;
    dialogs.answers = { false };
    dialogs.whileOpen = [&] {
        for (const char* t : { "17:29:58", "17:29:59" }) {
            tickAt(QTime::fromString(QLatin1String(t)));
            ++ticks;
        }
    };
    w.Menu11_Click();
    EXPECT_EQ(ticks, 2);
    EXPECT_TRUE(shutdownApi.calls.contains(QStringLiteral("exitSession 5")));
}

TEST_F(MDIFrmTest, ShowHideAndThePopupCaption)
{
    MDIFrm& w = start(NoticeFile);
    QAction* menu18 = w.menuItem(QStringLiteral("Menu18"));
    ASSERT_NE(menu18, nullptr);
    EXPECT_EQ(menu18->text(), QStringLiteral("显示主窗体(&F)"));

    Q_EMIT icon.doubleClicked();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.MainWindowHidden);
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(menu18->text(), QStringLiteral("隐藏主窗体(&F)"));

    w.SelectLanguage(1); // a language switch keeps the caption's meaning
    EXPECT_EQ(menu18->text(), QStringLiteral("隐藏主窗体(&F)"));

    Q_EMIT icon.doubleClicked();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.MainWindowHidden);
    EXPECT_EQ(menu18->text(), QStringLiteral("显示主窗体(&F)"));
}

TEST_F(MDIFrmTest, StatusBarToggles)
{
    MDIFrm& w = start(NoticeFile);
    QAction* menu13 = w.menuItem(QStringLiteral("Menu13"));
    EXPECT_TRUE(menu13->isChecked());
    w.Menu13_Click();
    EXPECT_FALSE(menu13->isChecked());
    w.Menu13_Click();
    EXPECT_TRUE(menu13->isChecked());
}

TEST_F(MDIFrmTest, ExitRemovesTheIcon)
{
    MDIFrm& w = start(NoticeFile);
    ASSERT_TRUE(icon.isShown());
    w.menuItem(QStringLiteral("Menu121"))->trigger();
    EXPECT_FALSE(icon.isShown());
}

TEST_F(MDIFrmTest, WithoutANotificationAreaTheWindowStartsShown)
{
    icon.areaAvailable = false;
    MDIFrm& w = start(NoticeFile);
    EXPECT_FALSE(w.isVisible()); // a panel may still be starting
    for (int i = 0; i < 100 && w.MainWindowHidden; ++i) {
        QTest::qWait(20);
    }
    EXPECT_FALSE(w.MainWindowHidden);
    EXPECT_TRUE(w.isVisible());
}

TEST_F(MDIFrmTest, ANotificationAreaThatAppearsInTimeKeepsTheWindowHidden)
{
    icon.areaAvailable = false;
    MDIFrm& w = start(NoticeFile);
    icon.areaAvailable = true;
    QTest::qWait(50);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.MainWindowHidden);
}

TEST_F(MDIFrmTest, LanguageChoiceIsStoredAndMenuItemsFollowTheFile)
{
    textfile::write(dir.filePath(QStringLiteral("TovaShutdownlangue.ini")),
                    QStringLiteral("[langue]：中文．English．Third[/langue]\n"
                                   "[langue1]\n050=自动关机\n018=显示\n[/langue1]\n"
                                   "[langue3]\n050= Auto shutdown\n018=Show\n[/langue3]\n"));
    MDIFrm& w = start(NoticeFile);
    EXPECT_TRUE(w.languageItem(1)->isVisible());
    EXPECT_FALSE(w.languageItem(2)->isVisible()); // listed but without a block
    EXPECT_TRUE(w.languageItem(3)->isVisible());
    EXPECT_FALSE(w.languageItem(4)->isVisible());

    w.LangueMC_Click(3);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Tova Auto shutdown 1.2"));
    EXPECT_EQ(icon.tip(), w.windowTitle());
    EXPECT_TRUE(w.languageItem(3)->isChecked());
    EXPECT_FALSE(w.languageItem(1)->isChecked());
    EXPECT_TRUE(fileText().startsWith(QStringLiteral("[语言类别]：3[/语言类别]\n[关机时间]")));
    EXPECT_EQ(fileText().count(QStringLiteral("[语言类别]")), 1);

    w.LangueMC_Click(2); // no such language: the first one
    EXPECT_TRUE(w.languageItem(1)->isChecked());
    EXPECT_TRUE(fileText().startsWith(QStringLiteral("[语言类别]：1[/语言类别]\n")));
}

TEST_F(MDIFrmTest, StoredLanguageIsAppliedAtStartAndWrittenBackAfterASave)
{
    textfile::write(
        dir.filePath(QStringLiteral("TovaShutdownlangue.ini")),
        QStringLiteral("[langue]:A.B[/langue]\n[langue1]\n050=A\n[/langue1]\n[langue2]\n050=B\n[/langue2]\n"));
    MDIFrm& w = start(QString(NoticeFile).replace(QStringLiteral("：1[/语言"), QStringLiteral("：2[/语言")));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("TovaB 1.2"));
    EXPECT_TRUE(w.languageItem(2)->isChecked());

    // A save drops the language line; the next tick puts it back first.
    textfile::write(settingsPath, QStringLiteral("[关机时间]：08:00:00[/关机时间]"));
    state.settings.SettingsLoaded = false;
    tickAt(QTime(12, 0, 0));
    EXPECT_EQ(fileText(), QStringLiteral("[语言类别]：2[/语言类别]\n[关机时间]：08:00:00[/关机时间]"));
}

TEST_F(MDIFrmTest, FirstUseSpeaksTheDesktopsLanguageAndKeepsAChoiceMadeBeforeTheFirstSave)
{
    const QString qtYes = QStringLiteral("&Yes");
    const bool qtTranslated
        = QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_zh_CN.qm"));
    struct Case
    {
        QLocale desktop;
        int language;
    };
    for (const Case& c : { Case { QLocale(QLocale::English, QLocale::UnitedStates), 2 },
                           Case { QLocale(QLocale::Chinese, QLocale::China), 1 },
                           Case { QLocale(QLocale::French, QLocale::France), 1 } }) {
        const std::string name = c.desktop.name().toStdString();
        QFile::remove(settingsPath);
        QFile::copy(QStringLiteral(TOVA_SOURCE_DATA_DIR "/TovaShutdownlangue.ini"),
                    dir.filePath(QStringLiteral("TovaShutdownlangue.ini")));
        system.locale = c.desktop;
        window.reset();
        MDIFrm& w = start();
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Tova%1 1.2").arg(state.lang.text(c.language, 50))) << name;
        EXPECT_TRUE(w.languageItem(c.language)->isChecked()) << name;
        const bool english = c.language == 2;
        if (qtTranslated) {
            EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes") == qtYes, english) << name;
        }
    }

    // Chinese shown, English chosen before anything was saved; the dialog then writes the file without
    // a language line.
    window->LangueMC_Click(2);
    textfile::write(settingsPath, QStringLiteral("[关机时间]：08:00:00[/关机时间]"));
    state.settings.SettingsLoaded = false;
    tickAt(QTime(12, 0, 0));
    EXPECT_TRUE(window->languageItem(2)->isChecked());
    EXPECT_TRUE(fileText().startsWith(QStringLiteral("[语言类别]：2[/语言类别]\n")));
    const QString englishDate = QLocale(QLocale::English).toString(clock.now().date(), QLocale::ShortFormat);
    EXPECT_EQ(window->panelText(2), QStringLiteral("Date: %1 Monday").arg(englishDate));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), qtYes);
}

TEST_F(MDIFrmTest, TipIsCutToTheTipFieldWithoutBreakingACharacter)
{
    textfile::write(dir.filePath(QStringLiteral("TovaShutdownlangue.ini")),
                    QStringLiteral("[langue]:A[/langue]\n[langue1]\n050=") + QString(40, QChar(0x4E2D))
                        + QStringLiteral("\n[/langue1]\n"));
    start(NoticeFile);
    EXPECT_EQ(textfile::encode(icon.tip()).size(), 62); // "Tova" and 29 two-byte characters
    EXPECT_TRUE(icon.tip().endsWith(QChar(0x4E2D)));
}

TEST_F(MDIFrmTest, AnAdministratorsShutdownThatComesFirstIsShownAndWarnedOf)
{
    MDIFrm& w = start(NoticeFile); // the user's own time: 17:30:00
    const auto at = [](int h, int m, int s) { return QDateTime(QDate(2026, 12, 7), QTime(h, m, s)); };
    scheduledShutdown.setPending(ScheduledShutdown::Pending { QStringLiteral("poweroff"), at(12, 30, 0) });
    launcher.commandLines.clear();

    const struct
    {
        QTime time;
        QString next;
        QString left;
        int messages;
    } ticks[] = {
        { QTime(12, 28, 0), QStringLiteral("12:30:00 （管理员设定）"), QStringLiteral("0:02:00"), 0 },
        { QTime(12, 29, 0), QStringLiteral("12:30:00 （管理员设定）"), QStringLiteral("0:01:00"), 1 },
        { QTime(12, 29, 42), QStringLiteral("12:30:00 （管理员设定）"), QStringLiteral("0:00:18"), 1 },
        { QTime(12, 29, 46), QStringLiteral("12:30:00 （管理员设定）"), QStringLiteral("0:00:14"), 2 }, // caught up
        { QTime(12, 31, 0), QStringLiteral("17:30:00"), QStringLiteral("4:59:00"), 2 }, // passed: the user's own
    };
    for (const auto& tick : ticks) {
        SCOPED_TRACE(tick.time.toString().toStdString());
        tickAt(tick.time);
        EXPECT_EQ(w.panelText(4), QStringLiteral("关机时间：") + tick.next);
        EXPECT_EQ(w.panelText(5), QStringLiteral("距关机时间：") + tick.left);
        EXPECT_EQ(icon.messages.size(), tick.messages);
        // The administrator's time cannot be put off from here.
        EXPECT_FALSE(w.menuItem(QStringLiteral("MenuPostpone"))->isVisible());
    }
    EXPECT_TRUE(icon.messageActions.isEmpty());
    EXPECT_TRUE(icon.messages[1].endsWith(QStringLiteral("现在关闭服务器！ （管理员设定）")));
    EXPECT_TRUE(w.logText().contains(
        QStringLiteral("管理员设定的关机：\n\n          服务器将在 60 秒之后关闭 （管理员设定）")));
    EXPECT_TRUE(launcher.commandLines.isEmpty()); // the administrator's service warns the network
    EXPECT_TRUE(shutdownApi.calls.isEmpty()); // and the system shuts down by itself

    // A later administrator's time leaves the user's own in the panels.
    scheduledShutdown.setPending(ScheduledShutdown::Pending { QStringLiteral("reboot"), at(18, 0, 0) });
    tickAt(QTime(12, 32, 0));
    EXPECT_EQ(w.panelText(4), QStringLiteral("关机时间：17:30:00"));
}

TEST_F(MDIFrmTest, TipTellsTheTimeLeftOnceAMinuteAndEachSecondInTheLast)
{
    MDIFrm& w = start(NoticeFile);
    const struct
    {
        const char* from;
        const char* to;
        int tipChanges; // one tick a second from .. to
        const char* left;
        bool warning;
    } spans[] = {
        { "17:26:30", "17:28:59", 3, "2 分钟", false }, // 4, 3 and 2 minutes
        { "17:29:00", "17:29:10", 11, "50 秒", true },
        { "17:30:00", "17:30:05", 1, "14 小时 30 分钟", false }, // tomorrow's first time
    };
    for (const auto& span : spans) {
        icon.tipChanges = 0;
        const QTime to = QTime::fromString(QLatin1String(span.to));
        for (QTime t = QTime::fromString(QLatin1String(span.from)); t <= to; t = t.addSecs(1)) {
            tickAt(t);
        }
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(icon.tipChanges, span.tipChanges) << span.from;
        EXPECT_EQ(icon.tip(),
                  w.windowTitle() + u'\n' + QStringLiteral("关机时间：") + w.NextShutdownTime + u'\n'
                      + QStringLiteral("距关机时间：") + QString::fromUtf8(span.left))
            << span.from;
        EXPECT_EQ(icon.warningState, span.warning) << span.from;
    }
}

// The warning as a desktop notification with commands, on a session bus of the test's own: "postpone" picked
// there moves the request ten minutes later, and the notices say so and follow.
TEST_F(MDIFrmTest, PostponePickedInTheWarningMovesTheShutdown)
{
    PrivateBus bus(PrivateBus::Type::Session);
    QString error;
    ASSERT_TRUE(bus.start(&error)) << error.toStdString();
    PrivateBus::Mock* server
        = bus.startTemplate(QStringLiteral("notification_daemon"), QStringLiteral("org.freedesktop.Notifications"),
                            QStringLiteral("/org/freedesktop/Notifications"),
                            QStringLiteral(R"({"capabilities": "body actions"})"), &error);
    ASSERT_NE(server, nullptr) << error.toStdString();
    TrayNotificationIcon tray(QIcon(), QIcon(), bus.connection());
    ASSERT_TRUE(waitUntil([&] { return tray.offersMessageActions(); }));
    Platform withTray { clock, system, lock, launcher, dialogs, tray, scheduledShutdown };
    textfile::write(settingsPath, NoticeFile);
    window = std::make_unique<MDIFrm>(state, withTray, executor, guard, MDIFrm::Options { false, QString(), 0 });
    ASSERT_TRUE(window->MDIForm_Load());
    QAction* postpone = window->menuItem(QStringLiteral("MenuPostpone"));
    ASSERT_NE(postpone, nullptr);
    EXPECT_FALSE(postpone->isVisible());

    tickAt(QTime(17, 29, 0));
    QList<QVariantList> calls;
    ASSERT_TRUE(waitUntil([&] { return !(calls = server->methodCalls(QStringLiteral("Notify"))).isEmpty(); }));
    EXPECT_EQ(calls[0][5].toStringList(), QStringList({ "postpone", "推迟 10 分钟", "skip", "跳过这一次" }));
    EXPECT_TRUE(postpone->isVisible());
    EXPECT_TRUE(window->menuItem(QStringLiteral("MenuSkip"))->isVisible());

    launcher.commandLines.clear();
    const QDBusMessage emitted
        = server->call(QStringLiteral("EmitSignal"),
                       { QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"),
                         QStringLiteral("us"), QVariantList { uint(1), QStringLiteral("postpone") } });
    ASSERT_EQ(emitted.type(), QDBusMessage::ReplyMessage) << emitted.errorMessage().toStdString();
    ASSERT_TRUE(waitUntil([&] { return window->logText().endsWith(QStringLiteral("关机时间推迟到 17:40:00")); }))
        << window->logText().toStdString();
    while (window->noticesPending() > 0) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(launcher.commandLines.first(), QStringLiteral("net send 127.0.0.2 关机时间推迟到 17:40:00"));

    for (const QTime& t : { QTime(17, 29, 59), QTime(17, 30, 0) }) {
        tickAt(t);
    }
    EXPECT_FALSE(shutdownApi.calls.contains(QStringLiteral("exitSession 5")));
    EXPECT_FALSE(postpone->isVisible()); // ten minutes away again
    EXPECT_EQ(window->NextShutdownTime, QStringLiteral("17:40:00"));

    launcher.commandLines.clear();
    tickAt(QTime(17, 39, 0));
    EXPECT_EQ(launcher.commandLines.first(), QStringLiteral("net send 127.0.0.2 请保存文件！服务器将在 60 秒之后关闭"));
    tickAt(QTime(17, 39, 59));
    EXPECT_TRUE(shutdownApi.calls.contains(QStringLiteral("exitSession 5")));
}
