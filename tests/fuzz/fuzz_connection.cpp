// Connection records: what parses must write and parse back to the same.

#include "FuzzSupport.h"
#include "platform/ras/ConnectionRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ras::RasConn conn;
    qint64 start = 0;
    if (!ras::ParseRecord(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)), conn, start))
        return 0;
    ras::RasConn back;
    qint64 startBack = 0;
    FUZZ_CHECK(ras::ParseRecord(ras::SerialiseRecord(conn, start), back, startBack) && startBack == start);
    FUZZ_CHECK(back.hrasconn == conn.hrasconn && back.strEntryName == conn.strEntryName
               && back.strDeviceName == conn.strDeviceName && back.strIpAddress == conn.strIpAddress
               && back.rasconnstate == conn.rasconnstate && back.nHolderPid == conn.nHolderPid);
    return 0;
}
