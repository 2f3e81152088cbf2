#include "TimeTotals.h"
#include "platform/base/Numbers.h"

#include "platform/profile/Profile.h"
#include "settings/Settings.h"

#include <QFile>

#include <algorithm>
#include <iterator>
#include <limits>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::int32_t kMaxSeconds = std::numeric_limits<std::int32_t>::max();
// Each section gains a few lines per day on line, so a genuine file stays far
// below this; a larger one is left alone rather than read into memory.
constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;
// The value buffer the stored numbers have always been read into.
constexpr int kValueChars = 255;

const QString kDialtop = QStringLiteral("Dialtop");
const QString kVersion = QStringLiteral("Version");
const QString kFirstConnect = QStringLiteral("FirstConnect");
const QString kLastConnect = QStringLiteral("LastConnect");

struct Period
{
    QString PeriodKeys::*key;
    std::int32_t TimeTotals::*total;
};
const Period kPeriods[4] = {
    {&PeriodKeys::year, &TimeTotals::year},
    {&PeriodKeys::month, &TimeTotals::month},
    {&PeriodKeys::week, &TimeTotals::week},
    {&PeriodKeys::day, &TimeTotals::day},
};

// The local day of a moment, as one number.
int dayStamp(std::time_t when)
{
    struct tm local = {};
    if (!::localtime_r(&when, &local))
        return -1;
    return local.tm_year * 1000 + local.tm_yday;
}

CConnectTimes::Clock& clockSeam()
{
    static CConnectTimes::Clock clock;
    return clock;
}

std::int32_t addSaturated(std::int32_t a, std::int64_t b)
{
    const std::int64_t sum = std::int64_t(a) + b;
    if (sum > kMaxSeconds)
        return kMaxSeconds;
    if (sum < 0)
        return 0;
    return std::int32_t(sum);
}

// Names that become a section header must not close it early or split lines.
bool isSectionSafe(const QString& name)
{
    if (name.isEmpty() || name.trimmed() != name)
        return false;
    for (QChar c : name)
        if (c == '[' || c == ']' || c.category() == QChar::Other_Control
            || c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph)
            return false;
    return true;
}

// A file to leave alone: larger than any genuine one, or no plain file at
// all (a device or a pipe would never end).
bool fileUnusable(const QString& path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false; // missing: the first write creates it
    return !S_ISREG(st.st_mode) || st.st_size > kMaxFileSize;
}

std::int32_t readValue(const QString& section, const QString& key, const QString& path)
{
    QString text;
    profile::GetPrivateProfileString(section, key, QStringLiteral(""), text, path);
    return ParseStoredSeconds(text.left(kValueChars));
}

// Period counters are durations; a negative stored one counts as nothing.
std::int32_t readSeconds(const QString& section, const QString& key, const QString& path)
{
    const std::int32_t v = readValue(section, key, path);
    return v < 0 ? 0 : v;
}

bool writeValue(const QString& section, const QString& key, std::int32_t value, const QString& path)
{
    return profile::WritePrivateProfileString(section, key, QString::number(value), path);
}

QString currentPath(const QString& entryName)
{
    QString home;
    GetHomeFolder(home);
    return ConnectTimesPath(home, entryName);
}

} // namespace

void TimeTotals::AddSeconds(std::int32_t seconds)
{
    session = addSaturated(session, seconds);
    day = addSaturated(day, seconds);
    week = addSaturated(week, seconds);
    month = addSaturated(month, seconds);
    year = addSaturated(year, seconds);
}

PeriodKeys FormatPeriodKeys(std::time_t when)
{
    struct tm local = {};
    if (!::localtime_r(&when, &local))
        return {};
    auto format = [&local](const char* pattern) {
        char buffer[64];
        const size_t n = std::strftime(buffer, sizeof buffer, pattern, &local);
        return QString::fromLatin1(buffer, qsizetype(n));
    };
    return {format("%Y"), format("%Y-%m"), format("%Y-%U"), format("%Y-%j")};
}

QString ConnectTimesPath(const QString& homeFolder, const QString& entryName)
{
    // The name is the file's only component: no separator, no way up, and
    // nothing that would break its own section in the file.
    if (!isSectionSafe(entryName) || entryName.contains('/') || entryName.contains(QChar(0)))
        return QString();
    if (homeFolder.isEmpty())
        return QString();
    QString home = homeFolder;
    while (home.size() > 1 && home.endsWith('/'))
        home.chop(1);
    return (home == "/" ? home : home + "/") + entryName + ".tms";
}

QString ConnectTimesUserName()
{
    const uid_t uid = ::getuid();
    if (const struct passwd* pw = ::getpwuid(uid); pw && pw->pw_name) {
        const QString name = QString::fromLocal8Bit(pw->pw_name);
        if (isSectionSafe(name))
            return name;
    }
    return QString::number(qulonglong(uid));
}

std::int32_t ParseStoredSeconds(const QString& text)
{
    return std::int32_t(base::ParseLeadingInteger(text, -std::int64_t(kMaxSeconds) - 1, kMaxSeconds).value);
}

QString FormatConnectTime(std::int32_t seconds, bool bYear)
{
    const std::int32_t t = seconds < 0 ? 0 : seconds;
    const int hours = t / 3600;
    const int minutes = (t % 3600) / 60;
    const int secs = t % 60;
    return QString::asprintf(bYear ? "%04d:%02d:%02d" : "%02d:%02d:%02d", hours, minutes, secs);
}

CConnectTimes::CConnectTimes()
    : m_strUserName(ConnectTimesUserName())
{
}

CConnectTimes::Clock CConnectTimes::SetClock(Clock clock)
{
    Clock old = std::move(clockSeam());
    clockSeam() = std::move(clock);
    return old;
}

std::time_t CConnectTimes::Now()
{
    return clockSeam() ? clockSeam()() : std::time(nullptr);
}

void CConnectTimes::ReadConnectTimes(const QString& entryName)
{
    const std::time_t now = Now();
    const PeriodKeys keys = FormatPeriodKeys(now);
    const QString path = currentPath(entryName);
    m_nDay = dayStamp(now);
    m_providerTimes = TimeTotals();
    m_userTimes = TimeTotals();
    m_keys = keys;
    std::fill(std::begin(m_bRolled), std::end(m_bRolled), false);
    m_finished.clear();
    if (path.isEmpty() || fileUnusable(path))
        return;

    auto readSection = [&](const QString& section, TimeTotals& t) {
        t.firstConnect = readValue(section, kFirstConnect, path);
        t.lastConnect = readValue(section, kLastConnect, path);
        t.year = readSeconds(section, keys.year, path);
        t.month = readSeconds(section, keys.month, path);
        t.week = readSeconds(section, keys.week, path);
        t.day = readSeconds(section, keys.day, path);
    };
    readSection(entryName, m_providerTimes);
    readSection(m_strUserName, m_userTimes);
}

void CConnectTimes::RollOver(const PeriodKeys& now)
{
    for (int i = 0; i < 4; ++i) {
        const Period& period = kPeriods[i];
        QString& key = m_keys.*period.key;
        const QString& current = now.*period.key;
        if (key == current || current.isEmpty())
            continue;
        if (!key.isEmpty()) {
            m_finished.append({false, key, m_providerTimes.*period.total});
            m_finished.append({true, key, m_userTimes.*period.total});
            m_providerTimes.*period.total = 0;
            m_userTimes.*period.total = 0;
            m_bRolled[i] = true;
        }
        key = current;
    }
}

bool CConnectTimes::WriteConnectTimes(const QString& entryName)
{
    // The keys of the day the connection ends, not the day it started.
    const PeriodKeys keys = FormatPeriodKeys(Now());
    const QString path = currentPath(entryName);
    if (path.isEmpty() || keys.day.isEmpty())
        return false;
    // A file we would not read is not rewritten either: it stays as it was.
    if (fileUnusable(path))
        return false;

    RollOver(keys);
    // A period that began during the connection may already hold time from
    // another connection; what was counted here adds to it.
    for (int i = 0; i < 4; ++i) {
        if (!m_bRolled[i])
            continue;
        const Period& period = kPeriods[i];
        const QString& key = keys.*period.key;
        std::int32_t& provider = m_providerTimes.*period.total;
        std::int32_t& user = m_userTimes.*period.total;
        provider = addSaturated(provider, readSeconds(entryName, key, path));
        user = addSaturated(user, readSeconds(m_strUserName, key, path));
        m_bRolled[i] = false;
    }

    bool ok = profile::WritePrivateProfileString(kDialtop, kVersion, QStringLiteral("1"), path);
    auto writeFinished = [&](bool bUser, const QString& section) {
        for (const Finished& f : m_finished)
            if (f.bUser == bUser)
                ok = writeValue(section, f.strKey, f.nSeconds, path) && ok;
    };
    auto writePeriods = [&](const QString& section, const TimeTotals& t) {
        ok = writeValue(section, keys.year, t.year, path) && ok;
        ok = writeValue(section, keys.month, t.month, path) && ok;
        ok = writeValue(section, keys.week, t.week, path) && ok;
        ok = writeValue(section, keys.day, t.day, path) && ok;
    };

    const TimeTotals& p = m_providerTimes;
    ok = writeValue(entryName, kFirstConnect, p.firstConnect, path) && ok;
    ok = writeValue(entryName, kLastConnect, p.lastConnect, path) && ok;
    writeFinished(false, entryName);
    writePeriods(entryName, p);

    const TimeTotals& u = m_userTimes;
    writeFinished(true, m_strUserName);
    writePeriods(m_strUserName, u);
    ok = writeValue(m_strUserName, kFirstConnect, u.firstConnect, path) && ok;
    ok = writeValue(m_strUserName, kLastConnect, u.lastConnect, path) && ok;
    // Ended periods stay pending until they are on disk.
    if (ok)
        m_finished.clear();
    return ok;
}

void CConnectTimes::CountSecond()
{
    // Every period ends at midnight, so the keys are formatted again only
    // when the day changes; the tick itself stays a few integer updates.
    const std::time_t now = Now();
    const int day = dayStamp(now);
    if (day != m_nDay) {
        RollOver(FormatPeriodKeys(now));
        m_nDay = day;
    }
    m_providerTimes.AddSeconds(1);
    m_userTimes.AddSeconds(1);
    m_bTimesDirty = true;
}

void CConnectTimes::OnRasConnectionTime(long seconds)
{
    if (seconds < 0)
        return;
    const std::int32_t reported = seconds > kMaxSeconds ? kMaxSeconds : std::int32_t(seconds);
    // The ticks since the connection came up are in the periods already;
    // crediting the whole reported time again would count them twice.
    for (TimeTotals* t : {&m_providerTimes, &m_userTimes}) {
        const std::int64_t missing = std::int64_t(reported) - t->session;
        if (missing > 0)
            t->AddSeconds(std::int32_t(missing));
    }
}
