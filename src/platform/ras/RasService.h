#pragma once
// The remote access service: dialing, connection status, hang-up and the
// connection list, on top of the phonebook, the stored dial parameters, the
// dialing backends, the connection records and the notice queue.
//
// Dial, HangUp and the status calls belong to one thread with an event loop
// (the user-interface thread): backends report through it. The phonebook,
// the records and the notices may be read from any thread.

#include "platform/ras/Credentials.h"
#include "platform/ras/Phonebook.h"
#include "platform/ras/RasTypes.h"

#include <functional>


namespace ras {

// True when the service's configuration and runtime folders can be used;
// otherwise *why names the first folder that cannot be.
bool ServiceAvailable(QString* why = nullptr);

// Progress of a call: each state as it is reached, RASCS_Connected when the
// connection is up, RASCS_Disconnected with the error when the call fails,
// the line drops or another program hangs it up. Called from the dialing
// thread's event loop, never from inside Dial.
using DialNotify = std::function<void(unsigned state, DWORD error)>;

// Starts a call and returns at once with its handle; the entry's own number
// is dialled when params.strPhoneNumber is empty. An error here means no
// call was started and no handle given.
DWORD Dial(const RasDialParams& params, DialNotify notify, HRASCONN* phConn);

// Ends a call or connection made by any process of the user. A connection
// this process holds ends at once; one held elsewhere is asked to end and
// waited for (a short while).
DWORD HangUp(HRASCONN h);

DWORD GetConnectStatus(HRASCONN h, RasConnStatus& status);
DWORD GetConnection(HRASCONN h, RasConn& conn);
// Calls in progress and connections that are up, oldest first. Ended calls
// (failed or dropped, not yet hung up) are not listed.
DWORD EnumConnections(QList<RasConn>& conns);
DWORD GetProjectionInfo(HRASCONN h, RasProjection projection, RasPppIp& info);

// What the modem said about a failed call this process holds (its own
// words, such as "ERROR"); empty when it said nothing.
QString GetDeviceMessage(HRASCONN h);

// Connections held by this process.
int LocalConnectionCount();

} // namespace ras
