#include "platform/ras/Phonebook.h"

#include "platform/profile/Profile.h"
#include "platform/ras/Credentials.h"
#include "platform/ras/Pppd.h"
#include "platform/ras/ServiceSettings.h"
#include "platform/ras/SimModem.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace ras {

namespace {

const QString kKeyPhone = QStringLiteral("PhoneNumber");
const QString kKeyDeviceType = QStringLiteral("DeviceType");
const QString kKeyDevice = QStringLiteral("Device");
const QString kKeySpeed = QStringLiteral("Speed");
const QString kKeyInit = QStringLiteral("InitString");
const QString kKeyAuth = QStringLiteral("Authentication");
const QString kKeySimLine = QStringLiteral("SimLine");
const QString kKeySimLineAt = QStringLiteral("SimLine@"); // + number
const QString kKeyDeviceInfo = QStringLiteral("DeviceInfo");
const QString kKeyDialMode = QStringLiteral("DialMode"); // tone or pulse
const QString kKeyDialTimeout = QStringLiteral("DialTimeout");
const QString kKeyPppdOptions = QStringLiteral("PppdOptions");
const QString kKeyLoginScript = QStringLiteral("LoginScript");

DWORD CheckPhonebookFile()
{
    QFileInfo fi(PhonebookPath());
    if (!fi.exists())
        return ERROR_SUCCESS;
    if (!fi.isFile() || fi.size() > kMaxPhonebookBytes)
        return ERROR_CANNOT_OPEN_PHONEBOOK;
    return ERROR_SUCCESS;
}

bool HasControlChars(const QString& text)
{
    for (QChar c : text)
        if (c.category() == QChar::Other_Control)
            return true;
    return false;
}

QString ReadValue(const QString& section, const QString& key, const QString& def = QString())
{
    QString out;
    profile::GetPrivateProfileString(section, key, def, out, PhonebookPath());
    return out;
}

// Keeps a hand-edited value within its limit and free of control characters.
QString Clean(QString text, int limit)
{
    QString out;
    out.reserve(qMin(text.size(), limit));
    for (QChar c : text) {
        if (c.category() == QChar::Other_Control)
            continue;
        out += c;
        if (out.size() >= limit)
            break;
    }
    return out;
}

// An empty value is still a value: a null string would delete the key.
bool Write(const QString& section, const QString& key, const QString& value)
{
    return profile::WritePrivateProfileString(section, key, value.isNull() ? QStringLiteral("") : value,
                                              PhonebookPath());
}

bool ValidNumberKey(const QString& number)
{
    return !number.isEmpty() && number.size() <= RAS_MaxPhoneNumber && !HasControlChars(number)
           && !number.contains(QLatin1Char('=')) && number.trimmed() == number;
}

// The serial modem's settings of an entry.
void ReadModemKeys(const QString& section, RasEntry& e)
{
    e.bPulseDial = ReadValue(section, kKeyDialMode).trimmed().compare(QLatin1String("pulse"), Qt::CaseInsensitive) == 0;
    bool ok = false;
    const int timeout = ReadValue(section, kKeyDialTimeout).toInt(&ok);
    if (ok && timeout >= kMinDialTimeout && timeout <= kMaxDialTimeout)
        e.nDialTimeout = timeout;
    // Options that would not pass the editor are dropped, not passed on.
    e.strPppdOptions = Clean(ReadValue(section, kKeyPppdOptions), RAS_MaxPppdOptions);
    if (!ValidatePppdOptions(e.strPppdOptions, nullptr))
        e.strPppdOptions.clear();
    e.bLoginScript = ReadValue(section, kKeyLoginScript).trimmed() == QLatin1String("1");
}

bool WriteModemKeys(const QString& section, const RasEntry& e)
{
    return Write(section, kKeyDialMode, e.bPulseDial ? QStringLiteral("pulse") : QStringLiteral("tone"))
           && Write(section, kKeyDialTimeout, QString::number(e.nDialTimeout))
           && Write(section, kKeyPppdOptions, e.strPppdOptions)
           && Write(section, kKeyLoginScript, e.bLoginScript ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace

QString PhonebookPath()
{
    return ConfigFolder() + QStringLiteral("/phonebook.ini");
}

DWORD ValidateEntryName(const QString& name)
{
    if (name.isEmpty() || name.size() > RAS_MaxEntryName || !name.isValidUtf16())
        return ERROR_INVALID_NAME;
    if (name.front() == QLatin1Char('.') || name.front().isSpace() || name.back().isSpace())
        return ERROR_INVALID_NAME;
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|[]");
    for (QChar c : name) {
        if (c.category() == QChar::Other_Control || forbidden.contains(c))
            return ERROR_INVALID_NAME;
        // Line and paragraph separators would split menu texts and lines.
        if (c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph)
            return ERROR_INVALID_NAME;
    }
    return ERROR_SUCCESS;
}

DWORD EnumEntries(QStringList& names)
{
    names.clear();
    if (DWORD rc = CheckPhonebookFile())
        return rc;
    const QStringList sections = profile::GetPrivateProfileSectionNames(PhonebookPath());
    for (const QString& section : sections) {
        if (ValidateEntryName(section) != ERROR_SUCCESS)
            continue;
        // A second section of the same name is unreachable; show it once.
        if (names.contains(section, Qt::CaseInsensitive))
            continue;
        names.append(section);
    }
    return ERROR_SUCCESS;
}

bool FindEntry(const QString& name, QString* storedName)
{
    QStringList names;
    if (EnumEntries(names) != ERROR_SUCCESS)
        return false;
    for (const QString& n : names) {
        if (n.compare(name, Qt::CaseInsensitive) == 0) {
            if (storedName)
                *storedName = n;
            return true;
        }
    }
    return false;
}

DWORD ValidateEntry(const RasEntry& e)
{
    const QString fields[] = {e.strLocalPhoneNumber, e.strDeviceType, e.strDeviceName, e.strInitString,
                              e.strAuthentication, e.strSimLine};
    for (const QString& f : fields)
        if (HasControlChars(f))
            return ERROR_INVALID_PARAMETER;
    if (e.strLocalPhoneNumber.size() > RAS_MaxPhoneNumber || e.strDeviceName.size() > RAS_MaxDeviceName
        || e.strDeviceType.size() > RAS_MaxDeviceName || e.strInitString.size() > RAS_MaxInitString
        || e.strSimLine.size() > RAS_MaxSimLine)
        return ERROR_BUFFER_TOO_SMALL;
    static const QStringList auths = {QStringLiteral("any"), QStringLiteral("pap"), QStringLiteral("chap")};
    if (!auths.contains(e.strAuthentication, Qt::CaseInsensitive))
        return ERROR_INVALID_PARAMETER;
    if (!ParseSimLine(e.strSimLine, nullptr))
        return ERROR_INVALID_PARAMETER;
    if (e.nDialTimeout < kMinDialTimeout || e.nDialTimeout > kMaxDialTimeout)
        return ERROR_INVALID_PARAMETER;
    if (e.strPppdOptions.size() > RAS_MaxPppdOptions)
        return ERROR_BUFFER_TOO_SMALL;
    if (!ValidatePppdOptions(e.strPppdOptions, nullptr))
        return ERROR_INVALID_PARAMETER;
    for (auto it = e.mapSimLineByNumber.cbegin(); it != e.mapSimLineByNumber.cend(); ++it) {
        if (!ValidNumberKey(it.key()) || HasControlChars(it.value()) || it.value().size() > RAS_MaxSimLine
            || !ParseSimLine(it.value(), nullptr))
            return ERROR_INVALID_PARAMETER;
    }
    return ERROR_SUCCESS;
}

DWORD GetEntryProperties(const QString& name, RasEntry* entry, QByteArray* deviceInfo)
{
    if (DWORD rc = CheckPhonebookFile())
        return rc;
    QString section;
    if (!FindEntry(name, &section))
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    if (entry) {
        RasEntry e;
        e.strLocalPhoneNumber = Clean(ReadValue(section, kKeyPhone), RAS_MaxPhoneNumber);
        e.strDeviceType = Clean(ReadValue(section, kKeyDeviceType, kDeviceTypeModem), RAS_MaxDeviceName);
        e.strDeviceName = Clean(ReadValue(section, kKeyDevice, kSimulatedModem), RAS_MaxDeviceName);
        bool ok = false;
        const uint speed = ReadValue(section, kKeySpeed).toUInt(&ok);
        if (ok && speed > 0)
            e.dwSpeed = speed;
        e.strInitString = Clean(ReadValue(section, kKeyInit, e.strInitString), RAS_MaxInitString);
        const QString auth = ReadValue(section, kKeyAuth, e.strAuthentication).toLower();
        if (auth == QLatin1String("pap") || auth == QLatin1String("chap"))
            e.strAuthentication = auth;
        e.strSimLine = Clean(ReadValue(section, kKeySimLine), RAS_MaxSimLine);
        ReadModemKeys(section, e);
        const QStringList keys = profile::GetPrivateProfileKeys(section, PhonebookPath());
        for (const QString& key : keys) {
            if (!key.startsWith(kKeySimLineAt, Qt::CaseInsensitive))
                continue;
            const QString number = key.mid(kKeySimLineAt.size());
            if (ValidNumberKey(number))
                e.mapSimLineByNumber.insert(number, Clean(ReadValue(section, key), RAS_MaxSimLine));
        }
        *entry = e;
    }
    if (deviceInfo) {
        QByteArray bytes = QByteArray::fromBase64(ReadValue(section, kKeyDeviceInfo).toLatin1());
        if (bytes.size() > RAS_MaxDeviceInfo)
            bytes.clear();
        *deviceInfo = bytes;
    }
    return ERROR_SUCCESS;
}

DWORD SetEntryProperties(const QString& name, const RasEntry& e, const QByteArray* deviceInfo)
{
    if (DWORD rc = ValidateEntryName(name))
        return rc;
    if (DWORD rc = CheckPhonebookFile())
        return rc;
    if (DWORD rc = ValidateEntry(e))
        return rc;
    if (deviceInfo && deviceInfo->size() > RAS_MaxDeviceInfo)
        return ERROR_BUFFER_TOO_SMALL;
    if (!MakePrivateFolder(ConfigFolder()))
        return ERROR_CANNOT_WRITE_PHONEBOOK;
    QString section = name;
    FindEntry(name, &section);

    bool ok = Write(section, kKeyPhone, e.strLocalPhoneNumber)
              && Write(section, kKeyDeviceType, e.strDeviceType)
              && Write(section, kKeyDevice, e.strDeviceName)
              && Write(section, kKeySpeed, QString::number(e.dwSpeed))
              && Write(section, kKeyInit, e.strInitString)
              && Write(section, kKeyAuth, e.strAuthentication.toLower())
              && Write(section, kKeySimLine, e.strSimLine)
              && WriteModemKeys(section, e);
    if (!ok)
        return ERROR_CANNOT_WRITE_PHONEBOOK;
    // Per number lines: drop the ones no longer wanted, write the others.
    const QStringList keys = profile::GetPrivateProfileKeys(section, PhonebookPath());
    for (const QString& key : keys) {
        if (!key.startsWith(kKeySimLineAt, Qt::CaseInsensitive))
            continue;
        if (!e.mapSimLineByNumber.contains(key.mid(kKeySimLineAt.size())))
            profile::WritePrivateProfileString(section, key, QString(), PhonebookPath());
    }
    for (auto it = e.mapSimLineByNumber.cbegin(); it != e.mapSimLineByNumber.cend(); ++it)
        if (!Write(section, kKeySimLineAt + it.key(), it.value()))
            return ERROR_CANNOT_WRITE_PHONEBOOK;
    if (deviceInfo && !Write(section, kKeyDeviceInfo, QString::fromLatin1(deviceInfo->toBase64())))
        return ERROR_CANNOT_WRITE_PHONEBOOK;
    return ERROR_SUCCESS;
}

DWORD CreateEntry(const QString& name, const RasEntry& entry)
{
    if (DWORD rc = ValidateEntryName(name))
        return rc;
    if (DWORD rc = CheckPhonebookFile())
        return rc;
    if (FindEntry(name))
        return ERROR_ALREADY_EXISTS;
    return SetEntryProperties(name, entry, nullptr);
}

DWORD RenameEntry(const QString& oldName, const QString& newName)
{
    if (DWORD rc = ValidateEntryName(newName))
        return rc;
    if (DWORD rc = CheckPhonebookFile())
        return rc;
    QString stored;
    if (!FindEntry(oldName, &stored))
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    QString other;
    if (FindEntry(newName, &other) && other.compare(stored, Qt::CaseInsensitive) != 0)
        return ERROR_ALREADY_EXISTS;
    if (stored == newName)
        return ERROR_SUCCESS;

    // Only the section's header line changes, so the entry keeps its place
    // and every other line stays byte for byte.
    QFile in(PhonebookPath());
    if (!in.open(QIODevice::ReadOnly))
        return ERROR_CANNOT_LOAD_PHONEBOOK;
    QList<QByteArray> lines = in.readAll().split('\n');
    in.close();
    bool done = false;
    for (QByteArray& line : lines) {
        const QByteArray t = line.trimmed();
        if (t.size() < 2 || t.front() != '[' || t.back() != ']')
            continue;
        if (QString::fromUtf8(t.mid(1, t.size() - 2)).trimmed().compare(stored, Qt::CaseInsensitive) != 0)
            continue;
        const bool cr = line.endsWith('\r');
        line = '[' + newName.toUtf8() + ']' + (cr ? "\r" : "");
        done = true;
        break;
    }
    if (!done)
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    QSaveFile out(PhonebookPath());
    if (!out.open(QIODevice::WriteOnly) || out.write(lines.join('\n')) < 0 || !out.commit())
        return ERROR_CANNOT_WRITE_PHONEBOOK;
    RenameCredentials(stored, newName);
    return ERROR_SUCCESS;
}

DWORD DeleteEntry(const QString& name)
{
    if (DWORD rc = CheckPhonebookFile())
        return rc;
    QString stored;
    if (!FindEntry(name, &stored))
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    if (!profile::WritePrivateProfileString(stored, QString(), QString(), PhonebookPath()))
        return ERROR_CANNOT_WRITE_PHONEBOOK;
    RemoveCredentials(stored);
    return ERROR_SUCCESS;
}

} // namespace ras
