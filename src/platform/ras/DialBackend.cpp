#include "platform/ras/DialBackend.h"

#include "platform/ras/SerialModem.h"
#include "platform/ras/SimModem.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace ras {

CDialBackend::~CDialBackend() = default;

std::unique_ptr<CDialBackend> CreateBackend(const RasEntry& entry, DWORD* pError)
{
    DWORD unused = 0;
    DWORD& error = pError ? *pError : unused;
    error = ERROR_SUCCESS;
    if (entry.strDeviceName.compare(kSimulatedModem, Qt::CaseInsensitive) == 0)
        return std::make_unique<CSimModemBackend>();
    if (entry.strDeviceName.isEmpty() || !QFileInfo::exists(entry.strDeviceName)) {
        error = ERROR_DEVICENAME_NOT_FOUND;
        return nullptr;
    }
    struct stat st {};
    if (::stat(QFile::encodeName(entry.strDeviceName).constData(), &st) == 0 && S_ISCHR(st.st_mode))
        return std::make_unique<CSerialModemBackend>();
    error = ERROR_PORT_NOT_AVAILABLE;
    return nullptr;
}

} // namespace ras
