#include "platform/ras/RasTypes.h"

namespace ras {

QString GetErrorString(DWORD code)
{
    switch (code) {
    case ERROR_SUCCESS:
        return QStringLiteral("The operation completed successfully.");
    case ERROR_INVALID_FUNCTION:
        return QStringLiteral("The remote access service does not offer this function.");
    case ERROR_ACCESS_DENIED:
        return QStringLiteral("Access to the stored dial-up settings was refused. The file may be readable by "
                              "other users; make it private to you (mode 600) and try again.");
    case ERROR_INVALID_HANDLE:
        return QStringLiteral("The connection no longer exists.");
    case ERROR_NOT_ENOUGH_MEMORY:
        return QStringLiteral("There is not enough memory to complete the operation.");
    case ERROR_INVALID_PARAMETER:
        return QStringLiteral("The remote access service was given a value it cannot use.");
    case ERROR_INVALID_NAME:
        return QStringLiteral("The entry name is not valid. A name has 1 to 256 characters, does not begin with "
                              "a period or a blank, does not end with a blank, and contains none of "
                              "\\ / : * ? \" < > | [ ] or control characters.");
    case ERROR_ALREADY_EXISTS:
        return QStringLiteral("An entry with this name already exists.");
    case ERROR_CANCELLED:
        return QStringLiteral("The operation was cancelled.");
    case PENDING:
        return QStringLiteral("The operation is still in progress.");
    case ERROR_INVALID_PORT_HANDLE:
        return QStringLiteral("The port is not open.");
    case ERROR_PORT_ALREADY_OPEN:
        return QStringLiteral("The modem is already in use by another connection or program.");
    case ERROR_BUFFER_TOO_SMALL:
        return QStringLiteral("A value is too long to be stored.");
    case ERROR_DEVICE_DOES_NOT_EXIST:
        return QStringLiteral("The modem given for this entry does not exist.");
    case ERROR_PORT_NOT_CONNECTED:
        return QStringLiteral("The connection was lost.");
    case ERROR_CANNOT_OPEN_PHONEBOOK:
        return QStringLiteral("The phonebook cannot be opened. It may be damaged or too large.");
    case ERROR_CANNOT_LOAD_PHONEBOOK:
        return QStringLiteral("The phonebook cannot be read.");
    case ERROR_CANNOT_FIND_PHONEBOOK_ENTRY:
        return QStringLiteral("The phonebook has no entry of that name.");
    case ERROR_CANNOT_WRITE_PHONEBOOK:
        return QStringLiteral("The phonebook cannot be written.");
    case ERROR_REMOTE_DISCONNECTION:
        return QStringLiteral("The remote computer ended the connection.");
    case ERROR_HARDWARE_FAILURE:
        return QStringLiteral("The modem stopped responding.");
    case ERROR_DISCONNECTION:
        return QStringLiteral("The connection was closed: an idle, time or traffic limit in the entry's pppd "
                              "options was reached.");
    case ERROR_USER_DISCONNECTION:
        return QStringLiteral("The connection was ended by the user.");
    case ERROR_PORT_NOT_AVAILABLE:
        return QStringLiteral("The modem is not available. It may be in use, unplugged, or you may lack "
                              "permission to use it.");
    case ERROR_FROM_DEVICE:
        return QStringLiteral("The modem reported an error.");
    case ERROR_NO_ACTIVE_CONNECTION:
        return QStringLiteral("There is no active connection.");
    case ERROR_LINE_BUSY:
        return QStringLiteral("The line is busy.");
    case ERROR_VOICE_ANSWER:
        return QStringLiteral("A person answered instead of a modem.");
    case ERROR_NO_ANSWER:
        return QStringLiteral("There was no answer.");
    case ERROR_NO_CARRIER:
        return QStringLiteral("No carrier was detected: the remote modem did not answer the call.");
    case ERROR_NO_DIALTONE:
        return QStringLiteral("There is no dial tone. Check that the modem is connected to the telephone line.");
    case ERROR_AUTHENTICATION_FAILURE:
        return QStringLiteral("The user name or password was not accepted by the provider.");
    case ERROR_PORT_OR_DEVICE:
        return QStringLiteral("The modem failed or is not responding.");
    case ERROR_UNSUPPORTED_BPS:
        return QStringLiteral("The port does not support the speed set for this entry. Choose a standard speed "
                              "such as 57600 or 115200.");
    case ERROR_PPP_TIMEOUT:
        return QStringLiteral("The provider's computer did not answer in time while the link was being set up.");
    case ERROR_PPP_NO_PROTOCOLS_CONFIGURED:
        return QStringLiteral("No network protocol could be agreed with the provider's computer.");
    case ERROR_PROJECTION_NOT_COMPLETE:
        return QStringLiteral("The connection is not yet complete.");
    case ERROR_PROTOCOL_NOT_CONFIGURED:
        return QStringLiteral("That network protocol is not in use on this connection.");
    case ERROR_PPP_LCP_TERMINATED:
        return QStringLiteral("The link was ended by the provider's computer.");
    case ERROR_PPP_LOOPBACK_DETECTED:
        return QStringLiteral("The line is looped back: the link hears its own messages instead of the "
                              "provider's computer.");
    case ERROR_BAD_PHONE_NUMBER:
        return QStringLiteral("The phone number holds characters a modem cannot dial. Use digits, * # + , and "
                              "the modem's W P T ! @ letters; blanks, dashes and brackets are ignored.");
    case ERROR_SCRIPT_SYNTAX:
        return QStringLiteral("The entry's login script cannot be understood or read. Each line is \"expect "
                              "TEXT\", \"send TEXT\", \"timeout SECONDS\" or a # comment.");
    case ERROR_DIAL_ALREADY_IN_PROGRESS:
        return QStringLiteral("This entry is already being dialled or is connected.");
    case ERROR_DEVICENAME_NOT_FOUND:
        return QStringLiteral("The modem for this entry was not found.");
    case ERROR_DIAL_DELAYED:
        return QStringLiteral("The modem will not dial this number again yet (DELAYED): too many calls to it "
                              "failed. Wait a few minutes before dialling again.");
    case ERROR_DIAL_BLACKLISTED:
        return QStringLiteral("The modem refuses to dial this number (BLACKLISTED) after repeated failed calls. "
                              "Reset or switch the modem off and on, then try again.");
    case ERROR_PPPD_NOT_INSTALLED:
        return QStringLiteral("pppd, which brings the network link up, is not installed. As root, run "
                              "\"apt-get install ppp\" (or set Pppd under [Serial] in ras/service.ini).");
    case ERROR_PPPD_NOT_SET_UP:
        return QStringLiteral("pppd is not set up for Dialtop: /etc/ppp/peers/dialtop is missing. As root, run "
                              "\"dialtop-dial setup-pppd\" once.");
    case ERROR_PPPD_NO_PERMISSION:
        return QStringLiteral("You may not run pppd. As root, run \"dialtop-dial setup-pppd\" and add yourself "
                              "to the dip group (adduser YOUR_NAME dip), then log in again.");
    case ERROR_PPP_NO_KERNEL_SUPPORT:
        return QStringLiteral("The system cannot make network links over a modem: /dev/ppp is missing. As root, "
                              "run \"modprobe ppp_generic\".");
    case ERROR_PPPD_OPTIONS:
        return QStringLiteral("pppd refused its options. Check the extra pppd options of this entry and "
                              "/etc/ppp/options.");
    case ERROR_PPPD_FAILED:
        return QStringLiteral("pppd stopped with an error before the link was up.");
    case ERROR_PORT_NO_PERMISSION:
        return QStringLiteral("You may not use this modem. As root, add yourself to the dialout group (adduser "
                              "YOUR_NAME dialout), then log in again.");
    case ERROR_SCRIPT_TIMEOUT:
        return QStringLiteral("The provider's computer did not send what the entry's login script expected.");
    case E_NOINTERFACE:
        return QStringLiteral("The remote access service cannot be used: its configuration or runtime folder "
                              "is not available.");
    default:
        return QStringLiteral("Error %1: the remote access service could not complete the operation.").arg(code);
    }
}

} // namespace ras
