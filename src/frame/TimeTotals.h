#pragma once
// On-line time accounting: the seconds a provider and the user running
// Dialtop have been connected in the current session, day, week, month and
// year, kept per provider in "<home>/<entry>.tms", an initialisation file with
// one section for the provider (all users together) and one per user.

#include <QList>
#include <QString>

#include <cstdint>
#include <ctime>
#include <functional>

// The counters of one section of a .tms file.
struct TimeTotals
{
    std::int32_t session = 0; // never stored
    std::int32_t day = 0;
    std::int32_t week = 0;
    std::int32_t month = 0;
    std::int32_t year = 0;
    std::int32_t firstConnect = 0; // stored values passed through unchanged
    std::int32_t lastConnect = 0;

    // One second on line: the session and every period.
    void AddSeconds(std::int32_t seconds);
    bool operator==(const TimeTotals&) const = default;
};

// The keys the current periods are stored under, from local time as the C
// library formats it: "1997", "1997-03", "1997-09" (weeks start on Sunday;
// days before the first Sunday are week 00), "1997-064".
struct PeriodKeys
{
    QString year;
    QString month;
    QString week;
    QString day;
};
PeriodKeys FormatPeriodKeys(std::time_t when);

// The .tms file of an entry in the home folder; empty for a name that could
// leave the folder or break the file's sections.
QString ConnectTimesPath(const QString& homeFolder, const QString& entryName);

// The user's section: the login name of the real user id, or the numeric id
// when the password database has no usable name.
QString ConnectTimesUserName();

// A stored value as atol reads it, bounded to 32 bits; damaged text gives 0.
std::int32_t ParseStoredSeconds(const QString& text);

// "01:02:03"; the year as "0001:02:03". Hours widen past 99.
QString FormatConnectTime(std::int32_t seconds, bool bYear);

// The totals the frame keeps for the connection of one entry: read when a
// connection starts or is adopted, counted each second, written when it ends.
class CConnectTimes
{
public:
    using Clock = std::function<std::time_t()>;

    CConnectTimes();

    // Loads both sections for the current periods; both sessions restart at 0.
    void ReadConnectTimes(const QString& entryName);
    // Stores both sections under the keys of the periods current now. False
    // when the file could not be written or the name is refused.
    bool WriteConnectTimes(const QString& entryName);

    // The one-second tick while connected: counters only, no file. A period
    // that ends meanwhile keeps its total for the next write and the new one
    // counts from 0.
    void CountSecond();
    // The service reports how long the connection has been up: the periods
    // get what the session had not counted yet.
    void OnRasConnectionTime(long seconds);

    TimeTotals m_providerTimes;
    TimeTotals m_userTimes;
    bool m_bTimesDirty = false;
    QString m_strUserName;

    // Test seam: the clock periods are taken from (null: the system's).
    static Clock SetClock(Clock clock);
    static std::time_t Now();

private:
    // A total of a period that ended during the connection, to be stored
    // under that period's key.
    struct Finished
    {
        bool bUser;
        QString strKey;
        std::int32_t nSeconds;
    };
    void RollOver(const PeriodKeys& now);

    PeriodKeys m_keys;        // the periods the counters belong to
    int m_nDay = -1;          // the local day m_keys were last checked on
    bool m_bRolled[4] = {};   // year, month, week, day began during the connection
    QList<Finished> m_finished;
};
