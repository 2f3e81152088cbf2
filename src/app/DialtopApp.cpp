#include "DialtopApp.h"
#include "platform/base/Numbers.h"
#include "launcher/StarterTheme.h"

#include "settings/Settings.h"
#include "SingleInstance.h"
#include "SplashWnd.h"
#include "theme/ThemeFileDialog.h"

#include "frame/MainFrame.h"
#include "framework/Dialog.h"
#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "launcher/DialtopView.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "theme/DialtopDoc.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>

#include <sys/utsname.h>

namespace {

QString& kernelOverride()
{
    static QString release;
    return release;
}

// The program's first look at every event, for the splash window.
class CAppEventFilter : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* e) override { return CSplashWnd::PreTranslateAppMessage(e); }
};

bool writeIfChanged(const QString& path, const QByteArray& bytes)
{
    QFile old(path);
    if (old.open(QIODevice::ReadOnly) && old.readAll() == bytes)
        return false;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return false;
    return f.commit();
}

} // namespace

CDialtopApp::CDialtopApp() = default;

CDialtopApp::~CDialtopApp()
{
    delete m_pInstance;
    delete m_pPendingTimer;
}

QString CDialtopApp::KernelRelease()
{
    if (!kernelOverride().isNull())
        return kernelOverride();
    struct utsname u;
    if (::uname(&u) != 0)
        return QString();
    return QString::fromLatin1(u.release);
}

void CDialtopApp::SetKernelReleaseOverride(const QString& release)
{
    kernelOverride() = release;
}

int CDialtopApp::MajorVersion(const QString& release)
{
    return int(base::ParseLeadingInteger(release, 0, 100000, false).value);
}

QString CDialtopApp::InstalledFirstTheme()
{
    const QString override = QString::fromLocal8Bit(qgetenv("DIALTOP_SHARE_DIR"));
    if (!override.isEmpty())
        return override + "/First.Theme";
    return QCoreApplication::applicationDirPath() + "/../share/dialtop/" + res::LoadString(ids::IDS_FIRST_THEME);
}

bool CDialtopApp::InstallFirstTheme(const QString& themesFolder)
{
    const QString source = InstalledFirstTheme();
    if (!FileExists(source))
        return false;
    QDir dir(themesFolder);
    if (dir.exists() && !dir.entryList({"*" + res::LoadString(ids::IDS_THEME_EXT)}, QDir::Files).isEmpty())
        return false;
    CThemeData theme;
    const QString cwd = QDir::currentPath();
    const bool loaded = theme.Load(QFileInfo(source).absoluteFilePath()); // loading changes folder
    QDir::setCurrent(cwd);
    if (!loaded)
        return false;
    // The starter theme names the user's own folders as "~".
    const QString home = QDir::homePath();
    auto expand = [&](QString& s) {
        if (s == "~")
            s = home;
        else if (s.startsWith("~/"))
            s = home + s.mid(1);
    };
    for (auto& tab : theme.m_tabs) {
        for (auto& item : tab->m_items) {
            expand(item->m_strTarget);
            expand(item->m_strStartIn);
            expand(item->m_strIconFile);
        }
    }
    FitStarterThemeToDesktop(theme);
    theme.m_strPath = themesFolder + "/" + res::LoadString(ids::IDS_FIRST_THEME);
    theme.m_bModified = true;
    return theme.Save();
}

void CDialtopApp::RegisterShellFileTypes()
{
    // ".Theme" files as "Dialtop.Document": a MIME type of their own and a
    // desktop entry that opens them with this program.
    const fw::DocTemplateStrings strings = fw::DocTemplateStrings::Parse(res::LoadString(ids::IDR_MAINFRAME));
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString glob = "*" + strings.filterExt;
    const QByteArray mime = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"application/x-dialtop-theme\">\n"
        "    <comment>%1</comment>\n"
        "    <glob pattern=\"%2\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n").arg(strings.regFileTypeName, glob).toUtf8();
    if (writeIfChanged(data + "/mime/packages/dialtop-theme.xml", mime)) {
        const QString tool = QStandardPaths::findExecutable("update-mime-database");
        if (!tool.isEmpty())
            QProcess::startDetached(tool, {data + "/mime"});
    }
    const QString exe = QCoreApplication::applicationFilePath();
    QString quoted = exe;
    quoted.replace('\\', "\\\\").replace('"', "\\\"");
    const QByteArray desktop = QStringLiteral(
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=%1\n"
        "Comment=Launcher and dial-up connection manager\n"
        "Exec=\"%2\" %f\n"
        "Icon=dialtop\n"
        "MimeType=application/x-dialtop-theme;\n"
        "Categories=Utility;Network;\n").arg(strings.windowTitle, quoted).toUtf8();
    writeIfChanged(data + "/applications/dialtop.desktop", desktop);
}

QString CDialtopApp::ChooseStartTheme()
{
    const QStringList& recent = RecentFiles();
    if (!recent.isEmpty() && !recent.first().isEmpty()) {
        // A recent theme that is gone gives a new theme; nothing else is tried.
        return FileExists(recent.first()) ? recent.first() : QString();
    }
    QString themes;
    GetThemesFolder(themes);
    InstallFirstTheme(themes);
    m_strFirstTheme = themes + "/" + res::LoadString(ids::IDS_FIRST_THEME);
    return FileExists(m_strFirstTheme) ? m_strFirstTheme : QString();
}

QString CDialtopApp::ThemeFromCommandLine(const QStringList& args)
{
    // The first argument that is not an option; "--" ends the options, so a
    // theme whose name starts with '-' can still be named.
    bool options = true;
    for (const QString& a : args) {
        if (options && a == QLatin1String("--"))
            options = false;
        else if (!options || !a.startsWith('-'))
            return a;
    }
    return QString();
}

bool CDialtopApp::ActivatePreviousInstance(const QString& fileToOpen)
{
    return !CSingleInstance::HandOver(fileToOpen);
}

bool CDialtopApp::InitInstance(const QStringList& args)
{
    // 1. Version check.
    if (MajorVersion(KernelRelease()) < 4) {
        fw::MessageBox(QStringLiteral("This application will only run on Linux 4.0 or greater"),
                       fw::MB_OK | fw::MB_ICONASTERISK, nullptr, QStringLiteral("Error"));
        m_nExitCode = 1;
        return false;
    }

    QString fileToOpen = ThemeFromCommandLine(args);
    if (!fileToOpen.isEmpty())
        fileToOpen = QFileInfo(fileToOpen).absoluteFilePath();

    // 2. Another instance takes over.
    if (!ActivatePreviousInstance(fileToOpen))
        return false;

    // 3. Claim the instance, which is what later starts find.
    m_pInstance = new CSingleInstance;
    if (!m_pInstance->Listen()) {
        if (m_pInstance->ErrorString().isEmpty()) {
            // Another instance started at the same moment and won: hand over to it.
            CSingleInstance::HandOver(fileToOpen);
            return false;
        }
        // Without the socket a second start could not find this one: say why.
        fw::MessageBox(res::FormatString(ids::IDS_CANNOT_START, {m_pInstance->ErrorString()}),
                       fw::MB_OK | fw::MB_ICONEXCLAMATION);
        m_nExitCode = 1;
        return false;
    }
    m_bClassRegistered = true;
    QObject::connect(m_pInstance, &CSingleInstance::activateRequested, m_pInstance,
                     [this](const QString& f) { OnActivateRequested(f); });

    // 4. Settings root.
    SetRegistryKey(QStringLiteral("Corvane"));

    // 5. Splash, fed by the application-wide event filter.
    CSplashWnd::EnableSplashScreen(true);
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(new CAppEventFilter(QCoreApplication::instance()));

    // 6. Recent themes.
    LoadStdProfileSettings(4);

    // 7. The document template.
    AddDocTemplate(std::make_unique<fw::CDocTemplate>(
        ids::IDR_MAINFRAME, [] { return std::make_unique<CDialtopDoc>(); },
        [](fw::CDocument* doc) -> fw::CFrameWnd* {
            auto* frame = new CMainFrame(static_cast<CDialtopDoc*>(doc));
            if (frame->IsCreated())
                return frame;
            delete frame;
            return nullptr;
        }));
    RegisterShellFileTypes();

    // 8, 9. The theme to open.
    const bool chosenHere = fileToOpen.isEmpty();
    if (chosenHere)
        fileToOpen = ChooseStartTheme();

    // 10. A theme the user named ends the start when it cannot be opened; one
    // chosen here was not asked for, so after the message a new theme opens
    // (the failed open has taken it off the recent list).
    if (!OpenDocumentFile(fileToOpen) && (!chosenHere || fileToOpen.isEmpty() || !OpenDocumentFile(QString()))) {
        m_nExitCode = 1;
        return false;
    }
    fw::CFrameWnd* frame = GetDocTemplate()->GetFrame();
    frame->show();
    CSplashWnd::ShowSplashScreen(frame);
    return true;
}

int CDialtopApp::ExitInstance()
{
    if (m_pInstance)
        m_pInstance->Close();
    m_bClassRegistered = false;
    return 0;
}

void CDialtopApp::OnActivateRequested(const QString& fileToOpen)
{
    fw::CFrameWnd* frame = GetDocTemplate() ? GetDocTemplate()->GetFrame() : nullptr;
    if (!frame)
        return;
    if (frame->isMinimized())
        frame->showNormal();
    frame->show();
    frame->raise();
    frame->activateWindow();
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
    if (fileToOpen.isEmpty())
        return;
    // A theme handed over waits while a dialog is open.
    m_pendingOpens << fileToOpen;
    if (!m_pPendingTimer) {
        m_pPendingTimer = new QTimer;
        m_pPendingTimer->setInterval(200);
        QObject::connect(m_pPendingTimer, &QTimer::timeout, [this] {
            if (QApplication::activeModalWidget() || QApplication::activePopupWidget())
                return;
            m_pPendingTimer->stop();
            const QStringList files = m_pendingOpens;
            m_pendingOpens.clear();
            for (const QString& f : files)
                OpenDocumentFile(f);
        });
    }
    m_pPendingTimer->start(0);
    m_pPendingTimer->setInterval(200);
}

void CDialtopApp::OnFileOpen()
{
    QString name;
    if (PromptThemeFileName(name, ids::AFX_IDS_OPENFILE, fw::OFN_HIDEREADONLY | fw::OFN_FILEMUSTEXIST, true))
        OpenDocumentFile(name);
}

void CDialtopApp::OnAppAbout()
{
    fw::CDialog about(res::IDD_ABOUTBOX, GetDocTemplate() ? GetDocTemplate()->GetFrame() : nullptr);
    about.DoModal();
}

bool CDialtopApp::OnOwnCmdMsg(unsigned id, fw::CCmdUI* pUpdate, bool probe)
{
    static const std::vector<fw::CmdEntry<CDialtopApp>> map = {
        fw::OnCommand<CDialtopApp>(ids::ID_APP_ABOUT, &CDialtopApp::OnAppAbout),
        fw::OnCommand<CDialtopApp>(ids::ID_FILE_OPEN, &CDialtopApp::OnFileOpen),
    };
    return fw::DispatchCmdMsg(this, map, id, pUpdate, probe);
}
