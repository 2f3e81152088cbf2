// Initialisation-file text: read through the profile functions, and as the
// phonebook (its entries and their properties).

#include "FuzzSupport.h"
#include "platform/profile/Profile.h"
#include "platform/ras/Phonebook.h"

#include <QDir>
#include <QFileInfo>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QTemporaryDir& root = fuzz::Root();
    const QString ini = root.filePath(QStringLiteral("fuzz.ini"));
    fuzz::WriteFile(ini, data, size);
    const QStringList sections = profile::GetPrivateProfileSectionNames(ini);
    for (const QString& section : sections.mid(0, 8))
        for (const QString& key : profile::GetPrivateProfileKeys(section, ini).mid(0, 8)) {
            QString value;
            profile::GetPrivateProfileString(section, key, QString(), value, ini);
            profile::GetPrivateProfileInt(section, key, 0, ini);
        }

    const QString book = ras::PhonebookPath();
    QDir().mkpath(QFileInfo(book).path());
    fuzz::WriteFile(book, data, size);
    QStringList names;
    if (ras::EnumEntries(names) != 0)
        return 0;
    for (const QString& name : names.mid(0, 8)) {
        ras::RasEntry entry;
        QByteArray device;
        ras::GetEntryProperties(name, &entry, &device);
        FUZZ_CHECK(ras::FindEntry(name));
    }
    return 0;
}
