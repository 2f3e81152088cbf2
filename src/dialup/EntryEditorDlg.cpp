#include "dialup/EntryEditorDlg.h"

#include "framework/MessageBox.h"
#include "platform/ras/Phonebook.h"
#include "platform/ras/Pppd.h"
#include "platform/ras/RasService.h"
#include "platform/ras/SimModem.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace ras {

namespace {

EntryEditorRunner& Runner()
{
    static EntryEditorRunner s_runner;
    return s_runner;
}

int RunEditor(CEntryEditorDlg& dlg)
{
    if (Runner())
        return Runner()(dlg);
    return dlg.exec();
}

} // namespace

EntryEditorRunner SetEntryEditorRunner(EntryEditorRunner runner)
{
    EntryEditorRunner old = std::move(Runner());
    Runner() = std::move(runner);
    return old;
}

QStringList ListSerialPorts(const QString& devDir, const QString& sysTtyDir)
{
    const QDir dir(devDir);
    QStringList ports;
    const QStringList names = dir.entryList({QStringLiteral("ttyS*"), QStringLiteral("ttyUSB*"),
                                             QStringLiteral("ttyACM*")},
                                            QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (name.startsWith(QLatin1String("ttyS"))) {
            // The kernel makes ttyS nodes whether or not a port exists.
            QFile type(sysTtyDir + QLatin1Char('/') + name + QStringLiteral("/type"));
            if (!type.open(QIODevice::ReadOnly) || type.readAll().trimmed() == "0")
                continue;
        }
        ports.append(dir.filePath(name));
    }
    // ttyACM2 before ttyACM10: by prefix, then by number.
    auto split = [](const QString& path) {
        qsizetype i = path.size();
        while (i > 0 && path[i - 1].isDigit())
            --i;
        return std::pair{path.left(i), path.mid(i).toULongLong()};
    };
    std::sort(ports.begin(), ports.end(), [&](const QString& a, const QString& b) { return split(a) < split(b); });
    const QDir byId(devDir + QStringLiteral("/serial/by-id"));
    QStringList named;
    for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString target = QFileInfo(link.symLinkTarget()).absoluteFilePath();
        if (!link.isSymLink() || !ports.contains(target))
            continue;
        ports.removeAll(target);
        named.append(link.absoluteFilePath());
    }
    return named + ports;
}

CEntryEditorDlg::CEntryEditorDlg(QWidget* parent, const QString& strEntryName, const RasEntry& entry,
                                 const QStringList& serialPorts)
    : QDialog(parent), m_strOriginalName(strEntryName), m_original(entry)
{
    setObjectName(QStringLiteral("EntryEditor"));
    setWindowTitle(strEntryName.isEmpty() ? tr("New Dial-Up Entry") : tr("Dial-Up Entry: %1").arg(strEntryName));

    m_pName = new QLineEdit(strEntryName, this);
    m_pName->setObjectName(QStringLiteral("name"));
    m_pName->setMaxLength(RAS_MaxEntryName);
    m_pPhone = new QLineEdit(entry.strLocalPhoneNumber, this);
    m_pPhone->setObjectName(QStringLiteral("phoneNumber"));
    m_pPhone->setMaxLength(RAS_MaxPhoneNumber);

    m_pDevice = new QComboBox(this);
    m_pDevice->setObjectName(QStringLiteral("device"));
    m_pDevice->addItem(kSimulatedModem);
    for (const QString& port : serialPorts)
        m_pDevice->addItem(port);
    // A device that has gone away stays selectable, so editing other fields
    // does not change it behind the user's back.
    int index = m_pDevice->findText(entry.strDeviceName, Qt::MatchFixedString);
    if (index < 0 && !entry.strDeviceName.isEmpty()) {
        m_pDevice->addItem(entry.strDeviceName);
        index = m_pDevice->count() - 1;
    }
    m_pDevice->setCurrentIndex(qMax(0, index));

    m_pSpeed = new QComboBox(this);
    m_pSpeed->setObjectName(QStringLiteral("speed"));
    m_pSpeed->setEditable(true);
    for (int bps : {9600, 19200, 38400, 57600, 115200, 230400, 460800})
        m_pSpeed->addItem(QString::number(bps));
    m_pSpeed->setCurrentText(QString::number(entry.dwSpeed));

    m_pInit = new QLineEdit(entry.strInitString, this);
    m_pInit->setObjectName(QStringLiteral("initString"));
    m_pInit->setMaxLength(RAS_MaxInitString);

    m_pAuth = new QComboBox(this);
    m_pAuth->setObjectName(QStringLiteral("authentication"));
    m_pAuth->addItem(tr("Any"), QStringLiteral("any"));
    m_pAuth->addItem(tr("PAP"), QStringLiteral("pap"));
    m_pAuth->addItem(tr("CHAP"), QStringLiteral("chap"));
    m_pAuth->setCurrentIndex(qMax(0, m_pAuth->findData(entry.strAuthentication.toLower())));

    m_pSimLine = new QLineEdit(entry.strSimLine, this);
    m_pSimLine->setObjectName(QStringLiteral("simLine"));
    m_pSimLine->setMaxLength(RAS_MaxSimLine);
    m_pSimLine->setPlaceholderText(tr("connect 28800"));
    m_pSimLine->setToolTip(tr("Steps for successive calls, separated by commas: connect [bps], busy, noanswer, "
                              "nocarrier, nodialtone, authfail, drop SECONDS [bps]"));

    m_pDialMode = new QComboBox(this);
    m_pDialMode->setObjectName(QStringLiteral("dialMode"));
    m_pDialMode->addItem(tr("Tone"));
    m_pDialMode->addItem(tr("Pulse"));
    m_pDialMode->setCurrentIndex(entry.bPulseDial ? 1 : 0);

    m_pDialTimeout = new QSpinBox(this);
    m_pDialTimeout->setObjectName(QStringLiteral("dialTimeout"));
    m_pDialTimeout->setRange(kMinDialTimeout, kMaxDialTimeout);
    m_pDialTimeout->setSuffix(tr(" s"));
    m_pDialTimeout->setValue(entry.nDialTimeout);

    m_pPppdOptions = new QLineEdit(entry.strPppdOptions, this);
    m_pPppdOptions->setObjectName(QStringLiteral("pppdOptions"));
    m_pPppdOptions->setMaxLength(RAS_MaxPppdOptions);
    m_pPppdOptions->setPlaceholderText(tr("e.g. mtu 1400 lcp-echo-interval 30"));

    m_pLoginScript = new QCheckBox(tr("Run a login scrip&t after connecting"), this);
    m_pLoginScript->setObjectName(QStringLiteral("loginScript"));
    m_pLoginScript->setChecked(entry.bLoginScript);
    m_pLoginScript->setToolTip(tr("For providers that ask for a terminal login before PPP starts; "
                                  "the provider sheet's Scripter button edits the script."));

    auto* form = new QFormLayout;
    form->addRow(tr("&Entry name:"), m_pName);
    form->addRow(tr("&Phone number:"), m_pPhone);
    form->addRow(tr("&Device:"), m_pDevice);
    form->addRow(tr("&Speed (bps):"), m_pSpeed);
    form->addRow(tr("&Initialisation string:"), m_pInit);
    form->addRow(tr("&Authentication:"), m_pAuth);
    form->addRow(tr("Dial &with:"), m_pDialMode);
    form->addRow(tr("Wait for an a&nswer:"), m_pDialTimeout);
    form->addRow(tr("E&xtra pppd options:"), m_pPppdOptions);
    form->addRow(QString(), m_pLoginScript);
    for (QWidget* field : {static_cast<QWidget*>(m_pDialMode), static_cast<QWidget*>(m_pDialTimeout),
                           static_cast<QWidget*>(m_pPppdOptions), static_cast<QWidget*>(m_pLoginScript)}) {
        m_modemFields.append(field);
        if (QWidget* label = form->labelForField(field))
            m_modemFields.append(label);
    }
    m_pSimLabel = new QLabel(tr("&Line behaviour:"), this);
    m_pSimLabel->setBuddy(m_pSimLine);
    form->addRow(m_pSimLabel, m_pSimLine);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CEntryEditorDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CEntryEditorDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(m_pDevice, &QComboBox::currentIndexChanged, this, &CEntryEditorDlg::OnDeviceChanged);
    OnDeviceChanged();
}

void CEntryEditorDlg::OnDeviceChanged()
{
    const bool sim = m_pDevice->currentText() == kSimulatedModem;
    m_pSimLabel->setEnabled(sim);
    m_pSimLine->setEnabled(sim);
    for (QWidget* w : std::as_const(m_modemFields))
        w->setEnabled(!sim);
}

QString CEntryEditorDlg::GetName() const
{
    return m_pName->text();
}

RasEntry CEntryEditorDlg::GetEntry() const
{
    RasEntry e = m_original;
    e.strLocalPhoneNumber = m_pPhone->text().trimmed();
    e.strDeviceName = m_pDevice->currentText();
    e.dwSpeed = m_pSpeed->currentText().trimmed().toUInt();
    e.strInitString = m_pInit->text().trimmed();
    e.strAuthentication = m_pAuth->currentData().toString();
    e.strSimLine = m_pSimLine->text().trimmed();
    e.bPulseDial = m_pDialMode->currentIndex() == 1;
    e.nDialTimeout = m_pDialTimeout->value();
    e.strPppdOptions = m_pPppdOptions->text().simplified();
    e.bLoginScript = m_pLoginScript->isChecked();
    return e;
}

bool CEntryEditorDlg::Validate()
{
    auto refuse = [this](QWidget* field, const QString& text) {
        fw::MessageBox(text, fw::MB_OK | fw::MB_ICONEXCLAMATION, this);
        field->setFocus();
        return false;
    };
    const QString name = GetName();
    if (ValidateEntryName(name) != ERROR_SUCCESS)
        return refuse(m_pName, GetErrorString(ERROR_INVALID_NAME));
    QString existing;
    if (FindEntry(name, &existing) && existing.compare(m_strOriginalName, Qt::CaseInsensitive) != 0)
        return refuse(m_pName, tr("There is already an entry named \"%1\". Choose another name.").arg(existing));
    const RasEntry e = GetEntry();
    if (e.strLocalPhoneNumber.isEmpty())
        return refuse(m_pPhone, tr("Type the phone number to dial."));
    bool ok = false;
    const uint speed = m_pSpeed->currentText().trimmed().toUInt(&ok);
    if (!ok || speed < 300)
        return refuse(m_pSpeed, tr("The speed must be a number of bits per second, 300 or more."));
    if (e.strDeviceName == kSimulatedModem && !ParseSimLine(e.strSimLine, nullptr))
        return refuse(m_pSimLine, tr("The line behaviour \"%1\" is not understood. Use steps such as connect 28800, "
                                     "busy, noanswer, nocarrier, nodialtone, authfail or drop 60, separated by "
                                     "commas.")
                                      .arg(e.strSimLine));
    QString bad;
    if (!ValidatePppdOptions(e.strPppdOptions, &bad))
        return refuse(m_pPppdOptions, tr("The pppd option \"%1\" cannot be used here: the password, plugins, "
                                         "programs, the line and the log are set by Dialtop.")
                                          .arg(bad));
    if (ValidateEntry(e) != ERROR_SUCCESS)
        return refuse(m_pPhone, tr("A field holds characters that cannot be stored."));
    return true;
}

void CEntryEditorDlg::accept()
{
    if (Validate())
        QDialog::accept();
}

DWORD CreatePhonebookEntry(QWidget* parent)
{
    CEntryEditorDlg dlg(parent, QString(), RasEntry{}, ListSerialPorts());
    if (RunEditor(dlg) != QDialog::Accepted)
        return ERROR_CANCELLED;
    return CreateEntry(dlg.GetName(), dlg.GetEntry());
}

DWORD EditPhonebookEntry(QWidget* parent, const QString& entry)
{
    QString stored;
    RasEntry props;
    if (DWORD rc = GetEntryProperties(entry, &props, nullptr))
        return rc;
    FindEntry(entry, &stored);
    CEntryEditorDlg dlg(parent, stored, props, ListSerialPorts());
    if (RunEditor(dlg) != QDialog::Accepted)
        return ERROR_CANCELLED;
    const QString name = dlg.GetName();
    if (name != stored)
        if (DWORD rc = RenameEntry(stored, name))
            return rc;
    return SetEntryProperties(name, dlg.GetEntry(), nullptr);
}

} // namespace ras
