#pragma once
// A provider's alternative phone numbers and its redial settings, kept under
// HKEY_LOCAL_MACHINE\Software\Corvane\Dialtop\<provider>\Phone Numbers:
//   "PhoneNumber0", "PhoneNumber1", ...  REG_SZ, consecutive from 0
//   "Chain Dial"                         4 bytes, REG_BINARY
//   "Delay", "Tries"                     REG_DWORD

#include <QString>
#include <QStringList>
#include <cstdint>

class CPhoneNumberList
{
public:
    CPhoneNumberList() = default;
    virtual ~CPhoneNumberList() = default;

    // The key of a provider; empty for a name that cannot be a key of its own.
    static QString KeyPath(const QString& strEntry);

    // Reads the provider's settings. False, with nothing but the entry name
    // changed, when the key does not exist; else true when at least one
    // number was found. Numbers stop at the first index that cannot be read;
    // a missing switch keeps its current value.
    bool Load(const QString& strEntry);
    // Rewrites the whole key from this list; false when it cannot be created.
    bool Save();

    QString m_strEntry;
    QStringList m_numbers;
    std::int32_t m_bChainDial = 0;
    std::int32_t m_nDelay = 0; // seconds; 0 redials at once, negative never
    std::int32_t m_nTries = 0; // redials after the first call
};
