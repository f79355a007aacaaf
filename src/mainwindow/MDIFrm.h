#pragma once

#include "core/ProgramState.h"
#include "localisation/InterfaceLocale.h"
#include "messaging/Send_Msg.h"
#include "platform/NotificationIcon.h"
#include "platform/Platform.h"
#include "schedule/AdministratorShutdown.h"
#include "schedule/Scheduler.h"
#include "schedule/TodayOverrides.h"
#include "settingsdialog/frmOptions.h"

#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>

class ErrorGuard;
class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPlainTextEdit;
class ShutdownExecutor;

// The main window: hidden at start, reached through the notification-area icon. It owns the scheduler and
// its tick, and is its view: the log, the status bar and the notifications show what the scheduler
// reports. The logic it calls lives in plain classes.
class MDIFrm : public QMainWindow
{
    Q_OBJECT
public:
    struct Options
    {
        /// Tests drive the ticks themselves.
        bool startTimers = true;
        /// Where the shipped language file is installed.
        QString dataDirectory;
        /// How long a missing notification area may take to appear (a panel starting after us at login)
        /// before the main window is shown instead.
        int trayGraceMs = 5000;
        /// Where the day's postponements and skips are kept across a restart; empty: for this run only.
        QString overridesPath = QString();
    };

    MDIFrm(ProgramState& state, Platform& platform, ShutdownExecutor& executor, ErrorGuard& guard, Options options,
           QWidget* parent = nullptr);
    ~MDIFrm() override;

    /// The start-up sequence. False when another instance runs: the caller ends at once.
    bool MDIForm_Load();

    // The tick, handed to the scheduler; shut down now and the end of its delay.
    void Timer2_Timer();
    void Menu11_Click();
    void Timer3_Timer();
    // Today's pending time put off, and shut down now called off.
    void MenuPostpone_Click();
    void MenuSkip_Click();
    void MenuCancel_Click();

    // Menus and the notification-area icon.
    void Menu18_Click();
    void Menu13_Click();
    void Menu120_Click();
    void Menu140_Click();
    void Menu150_Click();
    void Menu17_Click();
    void LangueMC_Click(int k);
    void SelectLanguage(int k);
    void SaveLanguageChoice(int k);

    // What the window shows, for its tests.
    QString logText() const;
    QString panelText(int panel) const;
    QString NextShutdownTime;
    QString TimeRemaining;
    bool MainWindowHidden = true;
    QAction* menuItem(const QString& name) const;
    QAction* languageItem(int k) const { return LangueMC[k]; }
    QMenu* popupMenu() const { return PopMenu; }
    frmOptions* optionsDialog() const { return m_options; }
    bool isTimer3Active() const { return Timer3.isActive(); }
    int noticesPending() const { return m_scheduler.noticesPending(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildWindow();
    void buildMenus();
    void connectIcon();
    void connectScheduler();
    void Timer1_Timer();
    void startTimer2(const QTime& now);
    void setPanelText(int panel, const QString& text);
    void MDIForm_QueryUnload();
    void MDIForm_Unload();
    void firstUse();
    void appendLog(const QString& text);
    QPlainTextEdit* logView();
    /// A log entry's first lines: the date and time, then head.
    void logEntryHead(const QString& head);
    // What the scheduler reports, shown.
    void showClock(const QDateTime& now);
    void showCountdown(const QString& next, const QString& remaining);
    void logWarning(const QString& line);
    /// A warning of the administrator's shutdown, seconds before it: logged and shown, with no notices.
    void logAdministratorWarning(int seconds);
    void logOverride(const QString& line, const QString& storeError);
    /// The tip and the icon's state follow the countdown.
    void showScheduleInTray(const QString& next, std::optional<int> left);
    /// The tip: the caption, and the next time with the time left when there is one.
    QString trayTip() const;
    void showWarningState();
    /// Postpone, skip and cancel are in the menus only while they can act.
    void offerScheduleCommands();
    /// The commands offered with a warning, and with the shut-down-now notice.
    QList<NotificationIcon::MessageAction> warningActions() const;
    QList<NotificationIcon::MessageAction> shutDownNowActions() const;
    void onMessageAction(const QString& key);
    /// A refusal does not end the program: it is logged and shown.
    void reportRefusal(const QString& reason, int number, const QString& source, bool tryingAgain);
    /// Shows an error box once the running handler has returned: a box opened inside a tick would hold
    /// every later tick back at the re-entry guard for as long as it stays open.
    void showErrorLater(const QString& text);
    bool isOptionsDialogOpen() const;
    void makeDateTexts(const QDate& date) const;
    QString dateText(const QDate& date) const;
    QString dateLine(const QDate& date) const;
    /// The date and time of now as the log writes them.
    QString stampText() const;
    /// Starts this user's messenger; a failure is logged and shown.
    void startMessenger();
    void reportMessengerFailure(const QString& reason);
    /// The language to show when no choice is stored: the one shown, else the desktop's.
    int unstoredLanguage() const;
    void addIcon();
    double twipsPerPixel() const;

    ProgramState& m_state;
    const LangTable& m_lang;
    Platform& m_platform;
    ErrorGuard& m_guard;
    Options m_opts;
    TodayOverrides m_overrides;
    Scheduler m_scheduler;
    AdministratorShutdown m_administrator;
    /// The clock's reading for the running tick.
    QDateTime m_tickNow;
    QIcon m_appIcon;

    QMdiArea* m_mdi = nullptr;
    QMdiSubWindow* Display1 = nullptr;
    QPlainTextEdit* Picture1 = nullptr;
    std::array<QLabel*, 7> m_panels {}; // panels 1..6
    // What the panels say. The window is hidden nearly all the time and the panels change every second:
    // the labels are given their texts only while it is shown.
    std::array<QString, 7> m_panelTexts;
    QTimer Timer1;
    QTimer Timer2;
    QTimer Timer3;
    // The date text and the date line are asked for every second but change once a day or with the
    // language.
    mutable QDate m_dateTextDate;
    mutable QString m_dateText;
    mutable QString m_dateLine;
    /// The language shown (1..100), 0 before the first is chosen.
    int m_language = 0;
    /// Dates and Qt's own texts follow the language shown.
    QLocale m_interfaceLocale;
    QtTranslations m_qtTexts;

    std::array<QMenu*, 5> MainMenu {};
    QMenu* PopMenu = nullptr;
    QMenu* Menu16 = nullptr;
    std::array<QAction*, 53> LangueMC {}; // items 1..52
    QAction* Menu11 = nullptr;
    QAction* Menu120 = nullptr;
    QAction* Menu13 = nullptr;
    QAction* Menu140 = nullptr;
    QAction* Menu150 = nullptr;
    QAction* Menu17 = nullptr;
    QAction* Menu18 = nullptr;
    QAction* Menu151 = nullptr;
    QAction* Menu141 = nullptr;
    QAction* Menu121 = nullptr;
    // In both the main window's first menu and the pop-up menu.
    QAction* MenuPostpone = nullptr;
    QAction* MenuSkip = nullptr;
    QAction* MenuCancel = nullptr;
    QAction* m_scheduleCommandsSeparator = nullptr;

    /// The tick being shown, and the seconds it left until the next time (none: no countdown).
    std::optional<int> m_left;
    /// The user's own next time, as the scheduler counts down to it.
    QString m_ownNextTime;
    /// What the tip says: the next time, and the seconds left (none when there is no countdown), shown as
    /// m_tipStep (the minutes left, or the seconds in the last minute).
    QString m_tipNext;
    std::optional<int> m_tipLeft;
    int m_tipStep = -1;
    /// The time the latest warning was about: a command picked in it acts on that time only.
    QString m_warnedTime;

    QPointer<frmOptions> m_options;
    QPointer<Send_Msg> m_sendMsg;
    QPointer<QMdiSubWindow> m_about;
    bool m_unloading = false;
    bool m_statusBarChecked = true;
    QString m_languageSaveError;
};
