#pragma once
// The service's own dialog for creating and editing a phonebook entry: name,
// phone number, device (the serial ports found and the simulated modem),
// speed, initialisation string, authentication; for a modem, tone or pulse
// dialing, the dial timeout, extra pppd options and the login script; for
// the simulated modem, how its line behaves.

#include "platform/ras/RasTypes.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QSpinBox;
class QLineEdit;
class QLabel;

namespace ras {

// Serial ports under devDir (ttyS*, ttyUSB*, ttyACM*). A ttyS port counts
// only when the kernel knows a UART behind it (sysTtyDir/<name>/type not 0).
// A port with a stable name under devDir/serial/by-id is offered by that
// name (first), so a USB modem keeps its name when it is plugged elsewhere.
QStringList ListSerialPorts(const QString& devDir = QStringLiteral("/dev"),
                            const QString& sysTtyDir = QStringLiteral("/sys/class/tty"));

class CEntryEditorDlg : public QDialog
{
    Q_OBJECT
public:
    // strEntryName empty: a new entry.
    CEntryEditorDlg(QWidget* parent, const QString& strEntryName, const RasEntry& entry,
                    const QStringList& serialPorts);

    QString GetName() const;
    RasEntry GetEntry() const;

    // Checks the fields; on a fault says what is wrong, puts the focus on
    // the field and returns false.
    bool Validate();
    void accept() override;

private:
    void OnDeviceChanged();

    QString m_strOriginalName;
    RasEntry m_original;
    QLineEdit* m_pName = nullptr;
    QLineEdit* m_pPhone = nullptr;
    QComboBox* m_pDevice = nullptr;
    QComboBox* m_pSpeed = nullptr;
    QLineEdit* m_pInit = nullptr;
    QComboBox* m_pAuth = nullptr;
    QLabel* m_pSimLabel = nullptr;
    QLineEdit* m_pSimLine = nullptr;
    QComboBox* m_pDialMode = nullptr;
    QSpinBox* m_pDialTimeout = nullptr;
    QLineEdit* m_pPppdOptions = nullptr;
    QCheckBox* m_pLoginScript = nullptr;
    QList<QWidget*> m_modemFields;
};

// How the editor is run: exec() by default; tests fill the fields and
// answer instead. Returns the one it replaces; an empty one restores exec().
using EntryEditorRunner = std::function<int(CEntryEditorDlg&)>;
EntryEditorRunner SetEntryEditorRunner(EntryEditorRunner runner);

// The editor run for a new entry or an existing one. Both return
// ERROR_SUCCESS when an entry was created or changed and ERROR_CANCELLED when
// the user cancelled.
DWORD CreatePhonebookEntry(QWidget* parent);
DWORD EditPhonebookEntry(QWidget* parent, const QString& entry);

} // namespace ras
