#include "platform/ras/Phonebook.h"

#include "platform/profile/Profile.h"
#include "platform/ras/Credentials.h"
#include "platform/ras/Pppd.h"
#include "platform/ras/ServiceSettings.h"
#include "platform/ras/SimModem.h"

#include <QFileInfo>
#include <QSet>

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

// Reads the phonebook once for an operation.
DWORD LoadPhonebook(profile::CProfileFile& doc)
{
    if (DWORD rc = CheckPhonebookFile())
        return rc;
    return doc.Load(PhonebookPath(), kMaxPhonebookBytes) ? ERROR_SUCCESS : ERROR_CANNOT_OPEN_PHONEBOOK;
}

// The stored spelling of an entry, or a null string. The first section of a
// name is the entry, as the enumeration shows it.
QString FindIn(const profile::CProfileFile& doc, const QString& name)
{
    const QString stored = doc.FindSection(name);
    return !stored.isNull() && ValidateEntryName(stored) == ERROR_SUCCESS ? stored : QString();
}

QString ReadValue(const profile::CProfileFile& doc, const QString& section, const QString& key,
                  const QString& def = QString())
{
    QString out;
    if (doc.GetString(section, key, out))
        return out;
    return def.isNull() ? QStringLiteral("") : def.trimmed();
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
// Blanks at the ends and surrounding quotes are kept by quoting.
bool Write(profile::CProfileFile& doc, const QString& section, const QString& key, const QString& value)
{
    return doc.SetString(section, key, profile::QuoteProfileValue(value.isNull() ? QStringLiteral("") : value));
}

bool ValidNumberKey(const QString& number)
{
    return !number.isEmpty() && number.size() <= RAS_MaxPhoneNumber && !HasControlChars(number)
           && !number.contains(QLatin1Char('=')) && number.trimmed() == number;
}

// The serial modem's settings of an entry.
void ReadModemKeys(const profile::CProfileFile& doc, const QString& section, RasEntry& e)
{
    e.bPulseDial = ReadValue(doc, section, kKeyDialMode).trimmed().compare(QLatin1String("pulse"), Qt::CaseInsensitive) == 0;
    bool ok = false;
    const int timeout = ReadValue(doc, section, kKeyDialTimeout).toInt(&ok);
    if (ok && timeout >= kMinDialTimeout && timeout <= kMaxDialTimeout)
        e.nDialTimeout = timeout;
    // Options that would not pass the editor are dropped, not passed on.
    e.strPppdOptions = Clean(ReadValue(doc, section, kKeyPppdOptions), RAS_MaxPppdOptions);
    if (!ValidatePppdOptions(e.strPppdOptions, nullptr))
        e.strPppdOptions.clear();
    e.bLoginScript = ReadValue(doc, section, kKeyLoginScript).trimmed() == QLatin1String("1");
}

bool WriteModemKeys(profile::CProfileFile& doc, const QString& section, const RasEntry& e)
{
    return Write(doc, section, kKeyDialMode, e.bPulseDial ? QStringLiteral("pulse") : QStringLiteral("tone"))
           && Write(doc, section, kKeyDialTimeout, QString::number(e.nDialTimeout))
           && Write(doc, section, kKeyPppdOptions, e.strPppdOptions)
           && Write(doc, section, kKeyLoginScript, e.bLoginScript ? QStringLiteral("1") : QStringLiteral("0"));
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
    profile::CProfileFile doc;
    if (DWORD rc = LoadPhonebook(doc))
        return rc;
    QSet<QString> seen;
    for (const QString& section : doc.SectionNames()) {
        if (ValidateEntryName(section) != ERROR_SUCCESS)
            continue;
        // A second section of the same name is unreachable; show it once.
        const QString folded = section.toCaseFolded();
        if (seen.contains(folded))
            continue;
        seen.insert(folded);
        names.append(section);
    }
    return ERROR_SUCCESS;
}

bool FindEntry(const QString& name, QString* storedName)
{
    profile::CProfileFile doc;
    if (LoadPhonebook(doc) != ERROR_SUCCESS)
        return false;
    const QString stored = FindIn(doc, name);
    if (stored.isNull())
        return false;
    if (storedName)
        *storedName = stored;
    return true;
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
    profile::CProfileFile doc;
    if (DWORD rc = LoadPhonebook(doc))
        return rc;
    const QString section = FindIn(doc, name);
    if (section.isNull())
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    if (entry) {
        RasEntry e;
        e.strLocalPhoneNumber = Clean(ReadValue(doc, section, kKeyPhone), RAS_MaxPhoneNumber);
        e.strDeviceType = Clean(ReadValue(doc, section, kKeyDeviceType, kDeviceTypeModem), RAS_MaxDeviceName);
        e.strDeviceName = Clean(ReadValue(doc, section, kKeyDevice, kSimulatedModem), RAS_MaxDeviceName);
        bool ok = false;
        const uint speed = ReadValue(doc, section, kKeySpeed).toUInt(&ok);
        if (ok && speed > 0)
            e.dwSpeed = speed;
        e.strInitString = Clean(ReadValue(doc, section, kKeyInit, e.strInitString), RAS_MaxInitString);
        const QString auth = ReadValue(doc, section, kKeyAuth, e.strAuthentication).toLower();
        if (auth == QLatin1String("pap") || auth == QLatin1String("chap"))
            e.strAuthentication = auth;
        e.strSimLine = Clean(ReadValue(doc, section, kKeySimLine), RAS_MaxSimLine);
        ReadModemKeys(doc, section, e);
        for (const QString& key : doc.Keys(section)) {
            if (!key.startsWith(kKeySimLineAt, Qt::CaseInsensitive))
                continue;
            const QString number = key.mid(kKeySimLineAt.size());
            if (ValidNumberKey(number))
                e.mapSimLineByNumber.insert(number, Clean(ReadValue(doc, section, key), RAS_MaxSimLine));
        }
        *entry = e;
    }
    if (deviceInfo) {
        QByteArray bytes = QByteArray::fromBase64(ReadValue(doc, section, kKeyDeviceInfo).toLatin1());
        if (bytes.size() > RAS_MaxDeviceInfo)
            bytes.clear();
        *deviceInfo = bytes;
    }
    return ERROR_SUCCESS;
}

namespace {

// Stores an entry's properties in one locked update of the phonebook;
// mustBeNew refuses a name that is taken.
DWORD StoreEntry(const QString& name, const RasEntry& e, const QByteArray* deviceInfo, bool mustBeNew)
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
    DWORD rc = ERROR_SUCCESS;
    const bool written = profile::UpdatePrivateProfile(
        PhonebookPath(),
        [&](profile::CProfileFile& doc) {
            rc = ERROR_SUCCESS;
            QString section = FindIn(doc, name);
            if (!section.isNull() && mustBeNew) {
                rc = ERROR_ALREADY_EXISTS;
                return false;
            }
            if (section.isNull())
                section = name;
            bool ok = Write(doc, section, kKeyPhone, e.strLocalPhoneNumber)
                      && Write(doc, section, kKeyDeviceType, e.strDeviceType)
                      && Write(doc, section, kKeyDevice, e.strDeviceName)
                      && Write(doc, section, kKeySpeed, QString::number(e.dwSpeed))
                      && Write(doc, section, kKeyInit, e.strInitString)
                      && Write(doc, section, kKeyAuth, e.strAuthentication.toLower())
                      && Write(doc, section, kKeySimLine, e.strSimLine)
                      && WriteModemKeys(doc, section, e);
            // Per number lines: drop the ones no longer wanted, write the others.
            for (const QString& key : doc.Keys(section)) {
                if (key.startsWith(kKeySimLineAt, Qt::CaseInsensitive)
                    && !e.mapSimLineByNumber.contains(key.mid(kKeySimLineAt.size())))
                    doc.SetString(section, key, QString());
            }
            for (auto it = e.mapSimLineByNumber.cbegin(); ok && it != e.mapSimLineByNumber.cend(); ++it)
                ok = Write(doc, section, kKeySimLineAt + it.key(), it.value());
            if (ok && deviceInfo)
                ok = Write(doc, section, kKeyDeviceInfo, QString::fromLatin1(deviceInfo->toBase64()));
            if (!ok)
                rc = ERROR_CANNOT_WRITE_PHONEBOOK;
            return ok;
        },
        kMaxPhonebookBytes);
    if (!written)
        return rc ? rc : ERROR_CANNOT_WRITE_PHONEBOOK;
    return ERROR_SUCCESS;
}

} // namespace

DWORD SetEntryProperties(const QString& name, const RasEntry& e, const QByteArray* deviceInfo)
{
    return StoreEntry(name, e, deviceInfo, false);
}

DWORD CreateEntry(const QString& name, const RasEntry& entry)
{
    return StoreEntry(name, entry, nullptr, true);
}

DWORD RenameEntry(const QString& oldName, const QString& newName)
{
    if (DWORD rc = ValidateEntryName(newName))
        return rc;
    if (DWORD rc = CheckPhonebookFile())
        return rc;
    DWORD rc = ERROR_SUCCESS;
    QString stored;
    // Only the section's header line changes, so the entry keeps its place
    // and every other line stays byte for byte.
    const bool written = profile::UpdatePrivateProfile(
        PhonebookPath(),
        [&](profile::CProfileFile& doc) {
            rc = ERROR_SUCCESS;
            stored = FindIn(doc, oldName);
            if (stored.isNull()) {
                rc = ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
                return false;
            }
            const QString other = FindIn(doc, newName);
            if (!other.isNull() && other.compare(stored, Qt::CaseInsensitive) != 0) {
                rc = ERROR_ALREADY_EXISTS;
                return false;
            }
            return stored == newName || doc.RenameSection(stored, newName);
        },
        kMaxPhonebookBytes);
    if (!written)
        return rc ? rc : ERROR_CANNOT_WRITE_PHONEBOOK;
    if (stored != newName)
        RenameCredentials(stored, newName);
    return ERROR_SUCCESS;
}

DWORD DeleteEntry(const QString& name)
{
    if (DWORD rc = CheckPhonebookFile())
        return rc;
    DWORD rc = ERROR_SUCCESS;
    QString stored;
    const bool written = profile::UpdatePrivateProfile(
        PhonebookPath(),
        [&](profile::CProfileFile& doc) {
            rc = ERROR_SUCCESS;
            stored = FindIn(doc, name);
            if (stored.isNull()) {
                rc = ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
                return false;
            }
            return doc.DeleteSection(stored);
        },
        kMaxPhonebookBytes);
    if (!written)
        return rc ? rc : ERROR_CANNOT_WRITE_PHONEBOOK;
    RemoveCredentials(stored);
    return ERROR_SUCCESS;
}

} // namespace ras
