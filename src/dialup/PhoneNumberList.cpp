#include "dialup/PhoneNumberList.h"

#include "platform/ras/Phonebook.h"
#include "platform/registry/Registry.h"

#include <QtEndian>

namespace {

const QString kRoot = QStringLiteral("Software\\Corvane\\Dialtop\\");
const QString kKey = QStringLiteral("\\Phone Numbers");
const QString kChainDial = QStringLiteral("Chain Dial");
const QString kDelay = QStringLiteral("Delay");
const QString kTries = QStringLiteral("Tries");
// Numbers are read into a buffer of this many bytes, terminator included.
constexpr reg::DWORD kNumberBuffer = 261;

QString NumberName(int i)
{
    return QStringLiteral("PhoneNumber%1").arg(i);
}

// A 4-byte value whatever its stored type; a missing or longer one leaves
// the field alone.
void ReadSwitch(const reg::RegKey& key, const QString& name, std::int32_t& field)
{
    unsigned char buf[4] = {0, 0, 0, 0};
    reg::DWORD length = sizeof buf;
    reg::DWORD type = 0;
    if (key.QueryValue(name, &type, buf, &length) == reg::ERROR_SUCCESS)
        field = qFromLittleEndian<std::int32_t>(buf);
}

} // namespace

QString CPhoneNumberList::KeyPath(const QString& strEntry)
{
    // The name becomes one key: separators or an empty name would reach
    // other keys (and Save deletes its key first).
    if (ras::ValidateEntryName(strEntry) != ras::ERROR_SUCCESS || strEntry.contains(QLatin1Char('\\'))
        || strEntry.contains(QLatin1Char('/')))
        return QString();
    return kRoot + strEntry + kKey;
}

bool CPhoneNumberList::Load(const QString& strEntry)
{
    m_strEntry = strEntry;
    const QString path = KeyPath(strEntry);
    reg::RegKey key;
    if (path.isEmpty() || key.Open(reg::HKEY_LOCAL_MACHINE, path) != reg::ERROR_SUCCESS)
        return false;
    for (int i = 0;; ++i) {
        char buf[kNumberBuffer];
        reg::DWORD length = kNumberBuffer;
        reg::DWORD type = 0;
        if (key.QueryValue(NumberName(i), &type, buf, &length) != reg::ERROR_SUCCESS || type != reg::REG_SZ)
            break;
        m_numbers.append(QString::fromUtf8(buf, int(qstrnlen(buf, length))));
    }
    ReadSwitch(key, kChainDial, m_bChainDial);
    ReadSwitch(key, kDelay, m_nDelay);
    ReadSwitch(key, kTries, m_nTries);
    return !m_numbers.isEmpty();
}

bool CPhoneNumberList::Save()
{
    const QString path = KeyPath(m_strEntry);
    if (path.isEmpty())
        return false;
    reg::DeleteKeyTree(reg::HKEY_LOCAL_MACHINE, path);
    reg::RegKey key;
    if (key.Create(reg::HKEY_LOCAL_MACHINE, path) != reg::ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (int i = 0; i < m_numbers.size(); ++i)
        ok &= key.WriteString(NumberName(i), m_numbers[i]) == reg::ERROR_SUCCESS;
    unsigned char chain[4];
    qToLittleEndian<std::int32_t>(m_bChainDial, chain);
    ok &= key.WriteBinary(kChainDial, QByteArray(reinterpret_cast<const char*>(chain), 4)) == reg::ERROR_SUCCESS;
    ok &= key.WriteDword(kDelay, reg::DWORD(m_nDelay)) == reg::ERROR_SUCCESS;
    ok &= key.WriteDword(kTries, reg::DWORD(m_nTries)) == reg::ERROR_SUCCESS;
    return ok;
}
