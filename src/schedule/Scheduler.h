#pragma once

#include "Countdown.h"
#include "messaging/NoticeQueue.h"

#include <QDateTime>
#include <QObject>
#include <functional>
#include <optional>

class Launcher;
class ShutdownExecutor;
class TodayOverrides;
struct ProgramState;

// The schedule, second by second, without any window: today's list from the settings file, the next time
// and the time left until it, the one-minute and fifteen-second warnings with their notices to the local
// network, the shutdown second with its refusal and retry rules, and the seconds a busy machine skipped.
// Whoever drives it (the main window, the service) calls tick() once a second and shows what the signals
// report; nothing here shows or asks anything itself.
class Scheduler : public QObject
{
    Q_OBJECT
public:
    /// How long "shut down now" gives the other computers between its notice and the request.
    static constexpr int ShutDownNowDelaySeconds = 30;
    /// How long a shutdown that programs held back waits before it is asked for again.
    static constexpr int RetryIntervalSeconds = 60;
    /// How far a postponement moves today's pending time; also how near that time must be for a
    /// postponement or a skip to be offered.
    static constexpr int PostponeSeconds = 10 * 60;

    Scheduler(ProgramState& state, Launcher& launcher, ShutdownExecutor& executor, QObject* parent = nullptr);

    /// One second of the schedule. now is one reading of the clock for the whole tick, so that the date,
    /// today's list and the countdown agree even across midnight. A tick never starts inside another: a
    /// call made while one runs (from a nested event loop behind a signal) does nothing. A settings file
    /// that exists but cannot be read raises a RaisedError.
    void tick(const QDateTime& now);

    /// While held() answers true, an edited file leaves the time lists as they are: they are someone's
    /// unsaved work, edited in place. A new day or a saved file still reads them again.
    void setListsHeld(std::function<bool()> held) { m_listsHeld = std::move(held); }

    /// The system carries the shutdown out by itself at the listed time, as it was handed over in advance:
    /// the shutdown second then asks for nothing and only tells shutdownDue.
    void setShutdownHandedOver(bool handedOver) { m_shutdownHandedOver = handedOver; }

    /// Reads the action, force, notice and address settings from the file, and the first time the
    /// language it names (told through storedLanguageRead). Raises a RaisedError when the file exists but
    /// cannot be read.
    void LoadActionSettings();

    /// Asks the system to carry out the stored action. A refusal is told through shutdownRefused; a request
    /// that programs held back is asked for again RetryIntervalSeconds later, on the same day. A new
    /// request takes the place of a pending retry. True once the system has accepted.
    bool requestShutdown(const QDateTime& now);

    /// Tells the local network that this computer shuts down in ShutDownNowDelaySeconds.
    void announceShutdownNow();

    /// Notices queued and not yet started.
    int noticesPending() const { return m_notices.pending(); }

    /// The day's postponements and skips, consulted by every tick. None by default: a schedule that the
    /// user may not put off (the machine-wide one) never sets them.
    void setOverrides(TodayOverrides* overrides) { m_overrides = overrides; }
    /// Today's next time, as the countdown shows it, while it is less than PostponeSeconds away and there are
    /// overrides to change it: what postpone() and skip() would act on.
    std::optional<QString> pendingTime(const QDateTime& now) const;
    /// Whether time, PostponeSeconds later, is still on the same day: a time moved past midnight would
    /// belong to a day whose list is another one.
    static bool postponeStaysToday(const QString& time);
    /// Moves the pending time PostponeSeconds later for today, told through overrideMade and as a notice.
    /// False without a pending time, or when postponing it would leave the day.
    bool postpone(const QDateTime& now);
    /// Drops the pending time for today, told as postpone() tells. False when there is no pending time.
    bool skip(const QDateTime& now);
    /// Tells the local network that the shutdown announced by announceShutdownNow() is called off.
    void announceShutdownNowCancelled();

Q_SIGNALS:
    /// A tick has begun: the date and the time to show.
    void tickStarted(const QDateTime& now);
    /// The file was read for the first time: the language it names, or none.
    void storedLanguageRead(std::optional<int> language);
    /// The settings were saved (SettingsLoaded went false) and the time lists have been read again.
    void settingsReloaded();
    /// Once a tick, before anything falls due in it: today's next time as listed (empty for an empty
    /// list) and the time left until it, "H:MM:SS" (empty when the next time is no time).
    void countdownUpdated(const QString& next, const QString& remaining);
    /// A warning fell due: the line to log and show.
    void warningDue(const QString& line);
    /// A notice went to every address of the range.
    void noticeSent(const QString& message);
    /// The system refused the shutdown: why, in its own words, and the error raised; retrying says whether
    /// it is asked again RetryIntervalSeconds later.
    void shutdownRefused(const QString& reason, int number, const QString& source, bool retrying);
    /// A held-back shutdown is about to be asked for again.
    void shutdownRetryDue();
    /// The shutdown second of a shutdown handed over to the system.
    void shutdownDue();
    /// The pending time was postponed or skipped: the line to log, also sent as a notice; and, when the
    /// change could not be stored and will not outlast a restart, the reason.
    void overrideMade(const QString& line, const QString& storeError);

private:
    void LoadTimeLists();
    [[noreturn]] void raiseFileError(const QString& reason);
    void runEvent(countdown::Event event, const QDateTime& now);
    void retryShutdownIfDue(const QDateTime& now);
    void sendNotice(const QString& message);
    void tellOverride(const QString& line, bool stored, const QString& storeError);

    ProgramState& m_state;
    ShutdownExecutor& m_executor;
    NoticeQueue m_notices;
    std::function<bool()> m_listsHeld;
    TodayOverrides* m_overrides = nullptr;
    bool m_inTick = false;
    bool m_shutdownHandedOver = false;
    /// The day the time lists were last read for at a tick.
    QDate m_listDay;
    std::optional<QTime> m_previousTick;
    /// A held-back shutdown: when to ask again, and the day it belongs to (a new day drops it).
    struct Retry
    {
        QDate day;
        QDateTime due;
    };
    std::optional<Retry> m_retry;
};
