#pragma once
// Records, states and result codes of the remote access service. The numbers
// are the ones dial-up programs have always used, so code written against the
// service reads the same as code written against the system's own.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <cstdint>

namespace ras {

using DWORD = std::uint32_t;
// A connection handle: the same number in every process of the user, 0 = none.
using HRASCONN = std::uint64_t;

// Limits of the stored fields (characters).
constexpr int RAS_MaxEntryName = 256;
constexpr int RAS_MaxPhoneNumber = 128;
constexpr int RAS_MaxDeviceName = 128;
constexpr int RAS_MaxUserName = 256;
constexpr int RAS_MaxPassword = 256;
constexpr int RAS_MaxInitString = 128;
constexpr int RAS_MaxSimLine = 512;
constexpr int RAS_MaxDeviceInfo = 4096; // bytes
constexpr int RAS_MaxPppdOptions = 512;
// Seconds a serial modem may take from the dial command to its result.
constexpr int kMinDialTimeout = 5;
constexpr int kMaxDialTimeout = 300;

// Connection states, reported in this order while a call progresses.
enum RasConnState : unsigned {
    RASCS_OpenPort = 0,
    RASCS_PortOpened = 1,
    RASCS_ConnectDevice = 2,
    RASCS_DeviceConnected = 3,
    RASCS_AllDevicesConnected = 4,
    RASCS_Authenticate = 5,
    RASCS_AuthNotify = 6,
    RASCS_AuthRetry = 7,
    RASCS_AuthCallback = 8,
    RASCS_AuthChangePassword = 9,
    RASCS_AuthProject = 10,
    RASCS_AuthLinkSpeed = 11,
    RASCS_AuthAck = 12,
    RASCS_ReAuthenticate = 13,
    RASCS_Authenticated = 14,
    RASCS_PrepareForCallback = 15,
    RASCS_WaitForModemReset = 16,
    RASCS_WaitForCallback = 17,
    RASCS_Projected = 18,
    RASCS_Interactive = 0x1000,
    RASCS_RetryAuthentication = 0x1001,
    RASCS_CallbackSetByCaller = 0x1002,
    RASCS_PasswordExpired = 0x1003,
    RASCS_Connected = 0x2000,
    RASCS_Disconnected = 0x2001,
};

// Result codes.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_FUNCTION = 1;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_CANCELLED = 1223;
constexpr DWORD PENDING = 600;
constexpr DWORD ERROR_INVALID_PORT_HANDLE = 601;
constexpr DWORD ERROR_PORT_ALREADY_OPEN = 602;
constexpr DWORD ERROR_BUFFER_TOO_SMALL = 603;
constexpr DWORD ERROR_DEVICE_DOES_NOT_EXIST = 608;
constexpr DWORD ERROR_PORT_NOT_CONNECTED = 619;
constexpr DWORD ERROR_CANNOT_OPEN_PHONEBOOK = 621;
constexpr DWORD ERROR_CANNOT_LOAD_PHONEBOOK = 622;
constexpr DWORD ERROR_CANNOT_FIND_PHONEBOOK_ENTRY = 623;
constexpr DWORD ERROR_CANNOT_WRITE_PHONEBOOK = 624;
constexpr DWORD ERROR_REMOTE_DISCONNECTION = 629;
constexpr DWORD ERROR_HARDWARE_FAILURE = 630;
constexpr DWORD ERROR_DISCONNECTION = 628;
constexpr DWORD ERROR_USER_DISCONNECTION = 631;
constexpr DWORD ERROR_PORT_NOT_AVAILABLE = 633;
constexpr DWORD ERROR_FROM_DEVICE = 651;
constexpr DWORD ERROR_NO_ACTIVE_CONNECTION = 668;
constexpr DWORD ERROR_LINE_BUSY = 676;
constexpr DWORD ERROR_VOICE_ANSWER = 677;
constexpr DWORD ERROR_NO_ANSWER = 678;
constexpr DWORD ERROR_NO_CARRIER = 679;
constexpr DWORD ERROR_NO_DIALTONE = 680;
constexpr DWORD ERROR_AUTHENTICATION_FAILURE = 691;
constexpr DWORD ERROR_PORT_OR_DEVICE = 692;
constexpr DWORD ERROR_UNSUPPORTED_BPS = 701;
constexpr DWORD ERROR_PPP_TIMEOUT = 718;
constexpr DWORD ERROR_PPP_NO_PROTOCOLS_CONFIGURED = 720;
constexpr DWORD ERROR_PROJECTION_NOT_COMPLETE = 730;
constexpr DWORD ERROR_PROTOCOL_NOT_CONFIGURED = 731;
constexpr DWORD ERROR_PPP_LCP_TERMINATED = 734;
constexpr DWORD ERROR_PPP_LOOPBACK_DETECTED = 737;
constexpr DWORD ERROR_BAD_PHONE_NUMBER = 749;
constexpr DWORD ERROR_SCRIPT_SYNTAX = 752;
constexpr DWORD ERROR_DIAL_ALREADY_IN_PROGRESS = 756;
constexpr DWORD ERROR_DEVICENAME_NOT_FOUND = 797;
// Our own codes for serial modems and pppd. They stay below 856 so that
// dialtop-dial's exit status (the code minus 600) tells them apart.
constexpr DWORD ERROR_DIAL_DELAYED = 840;
constexpr DWORD ERROR_DIAL_BLACKLISTED = 841;
constexpr DWORD ERROR_PPPD_NOT_INSTALLED = 842;
constexpr DWORD ERROR_PPPD_NOT_SET_UP = 843;
constexpr DWORD ERROR_PPPD_NO_PERMISSION = 844;
constexpr DWORD ERROR_PPP_NO_KERNEL_SUPPORT = 845;
constexpr DWORD ERROR_PPPD_OPTIONS = 846;
constexpr DWORD ERROR_PPPD_FAILED = 847;
constexpr DWORD ERROR_PORT_NO_PERMISSION = 848;
constexpr DWORD ERROR_SCRIPT_TIMEOUT = 849;
// The service cannot be used at all (no configuration or runtime folder).
constexpr DWORD E_NOINTERFACE = 0x80004002u;

// Projections.
enum RasProjection : DWORD { RASP_Amb = 0x10000, RASP_PppNbf = 0x803F, RASP_PppIpx = 0x802B, RASP_PppIp = 0x8021 };

// The device every phonebook can use without hardware.
inline const QString kSimulatedModem = QStringLiteral("Simulated modem");
inline const QString kDeviceTypeModem = QStringLiteral("modem");

// What a caller hands to Dial and what the service stores per entry.
struct RasDialParams
{
    QString strEntryName;
    QString strPhoneNumber;    // empty: the entry's own number
    QString strCallbackNumber;
    QString strUserName;
    QString strPassword;
    QString strDomain;
};

// The properties of a phonebook entry.
struct RasEntry
{
    QString strLocalPhoneNumber;
    QString strDeviceType = kDeviceTypeModem;
    QString strDeviceName = kSimulatedModem; // kSimulatedModem or a device path
    DWORD dwSpeed = 57600;                   // port speed, bits per second
    QString strInitString = QStringLiteral("ATZ");
    QString strAuthentication = QStringLiteral("any"); // any, pap, chap
    // How the simulated line answers: see SimModem.h. Empty means "connect".
    QString strSimLine;
    // Per number overrides of strSimLine, keyed by the dialled number.
    QMap<QString, QString> mapSimLineByNumber;
    // Serial modems.
    bool bPulseDial = false;   // ATDP instead of ATDT
    int nDialTimeout = 60;     // seconds from the dial command to its result
    QString strPppdOptions;    // extra pppd options, checked by ValidatePppdOptions
    bool bLoginScript = false; // run ras/scripts/<entry>.chat after CONNECT

    bool operator==(const RasEntry&) const = default;
};

struct RasConnStatus
{
    unsigned rasconnstate = RASCS_Disconnected;
    DWORD dwError = 0;
    QString strDeviceType;
    QString strDeviceName;
};

// One live connection as every process of the user sees it.
struct RasConn
{
    HRASCONN hrasconn = 0;
    QString strEntryName;
    QString strDeviceName;
    unsigned rasconnstate = RASCS_OpenPort;
    DWORD dwError = 0;
    DWORD dwSpeed = 0;
    QString strIpAddress;
    qint64 nStartedMs = 0;   // when the call began (ms since the epoch)
    qint64 nConnectedMs = 0; // when it came up; 0 before
    qint64 nHolderPid = 0;
};

struct RasPppIp
{
    DWORD dwError = 0;
    QString strIpAddress;
    QString strServerIpAddress;
};

// The text for a result code; every code the service produces has one of its
// own, anything else a generic text with the number.
QString GetErrorString(DWORD code);

} // namespace ras
