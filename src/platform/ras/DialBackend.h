#pragma once
// A dialing backend drives one call on one kind of device and reports what
// happens to its sink. The service keeps the connection records and notices;
// a backend only knows its line. The simulated modem is one backend; serial
// modems (AT dialing, then pppd on the open line) plug in beside it.

#include "platform/ras/RasTypes.h"

#include <QObject>
#include <QStringList>
#include <memory>

namespace ras {

struct DialRequest
{
    HRASCONN hConn = 0;
    QString strEntryName;
    QString strPhoneNumber; // already resolved: the caller's or the entry's
    QString strUserName;
    QString strPassword;
    QString strDomain;
    RasEntry entry;
};

class CDialSink
{
public:
    virtual ~CDialSink() = default;
    // A progress state on the way up (RASCS_OpenPort .. RASCS_Authenticated).
    virtual void OnDialState(unsigned state) = 0;
    virtual void OnDialConnected(DWORD dwSpeed, const QString& strIpAddress) = 0;
    // The call did not come up.
    virtual void OnDialFailed(DWORD dwError) = 0;
    // The line went down after it was up, without a hang-up.
    virtual void OnLineDropped(DWORD dwError) = 0;
    // What the device said about a failure, in its own words ("ERROR").
    virtual void OnDeviceMessage(const QString& strText) { Q_UNUSED(strText); }
    // The far end's address and the name servers, as the link learns them.
    virtual void OnLinkDetails(const QString& strServerIpAddress, const QStringList& dnsServers)
    {
        Q_UNUSED(strServerIpAddress);
        Q_UNUSED(dnsServers);
    }
};

// Backends live in the thread that dials and report from its event loop,
// never from inside Start.
class CDialBackend : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~CDialBackend() override;
    virtual void Start(const DialRequest& request, CDialSink* sink) = 0;
    // Ends the call or the connection at once; the sink hears nothing more.
    virtual void HangUp() = 0;
};

// The backend for an entry's device, or null with *pError set:
// ERROR_DEVICENAME_NOT_FOUND for a device that is not there,
// ERROR_PORT_NOT_AVAILABLE for one no backend can drive. Every character
// device (serial ports, USB modems, pseudo-terminals) is a serial modem.
std::unique_ptr<CDialBackend> CreateBackend(const RasEntry& entry, DWORD* pError);

} // namespace ras
