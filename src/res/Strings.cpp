#include "Strings.h"

#include <QHash>

namespace res {

namespace {

struct Entry
{
    unsigned id;
    const char* text;
};

// The program's string table. Texts are the program's own and stay exactly as
// written, blanks and spelling included: users and scripts recognise them.
const Entry kStrings[] = {
    // Document template: window title, document name, new-file name, filter
    // name, filter extension, file type id, file type name.
    {128, "Dialtop\n\nDialtop\nTheme Files (*.Theme)\n.Theme\nDialtop.Document\nDialtop Document"},
    {129, "Themes |*.Theme||"},
    {130, "Themes"},
    {131, "Favorites"},
    {132, "First.Theme"},
    {134, ".Theme"},
    {135, "The selected Theme file does not exist or is corrupted."},
    {136, "The Theme could not be saved to %1!s!."},
    {108, "Customize"},
    {111, "Configure Provider "},

    // File dialog filters and item dialog messages.
    {1000, "Programs |*.desktop;*.AppImage;*.sh;*.py;*.exe|Internet Shortcuts |*.url;*.desktop|All Files (*.*)|*||"},
    {1001, "Bitmaps |*.bmp;*.dib;*.png;*.jpg;*.jpeg||"},
    {1002, "Name and Target are required."},
    {1003, "File Name is required."},
    {1004, "Programs |*.desktop;*.exe|Icons |*.ico;*.png;*.svg;*.xpm|Libraries|*.dll;*.icl|All Files(*.*) | *||"},
    {1005, "The file does not contain an icon."},

    // Titles of the system's own connection windows.
    {2000, "Connected to "},
    {2001, "Reestablish Connection"},

    // Status pane and timer bar.
    {5000, "Not Connected."},
    {5501, "Today: "},
    {5504, "0000:00:00"},
    {5506, "Tab Properties"},
    {5507, "Are you sure you want to delete the Tab:  %1!s!"},
    {5508, "Session: "},
    {5509, "Week: "},
    {5510, "Month: "},
    {5511, "Year: "},
    {5512, "Are you sure you want to delete the entry: %1!s!"},
    {5513, "Are you sure you want to delete the Item: %1!s!"},
    {5514, "No Default Provder selected. Can not connect."},
    {5515, "Invalid File Version Error:  %1!s!"},

    // Dialing progress.
    {6000, "Initializing..."},
    {6001, "Accessing the modem..."},
    {6002, "Dialing %1!s!..."},
    {6003, "Connected to %1!s!. "},
    {6004, "Verifying user name and password..."},
    {6005, "Your password has expired."},
    {6006, "Authenticated."},
    {6007, "Unable to connect. Redialing in %1!d! seconds..."},
    {6008, "Unable to connect. Dialing next number in %1!d! seconds..."},
    {6009, "Connecting to %1!s!..."},
    {6010, "IP Address: %1!s!  Speed: %2!u! bps"},
    {6011, "Your connection to %1!s! has been disconnected!\nDo you wish to reconnect?"},

    // Command prompts: status-bar text, then "\n" and the tool tip.
    {32772, "Create a new Program Tab\n Create Tab"},
    {32773, "Add a new item to the active Tab\n Add Item"},
    {32774, "Connect to your Internet access provider\n Connect"},
    {32775, "Customize Dialtop\nCustomize"},
    {32777, "Disconnect from your Internet access provider\n Hangup"},
    {32778, "Delete the selected Item or Tab\\ Delete"},
    {32779, "Item Properties/nProperties"},
    {32780, "Paste a Shortcut to the active Tab\nPaste Shortcut"},
    {32783, "Add a new Provider\nAdd Provider"},
    {32788, "Align Icons along the Left/nAlign Left"},
    {32789, "Aligh Icons along the Top/nAlign Top"},
    {32792, "Run the Selected Item\n Run Item"},
    {32794, "The tab properties"},
    {32798, "Show or hide the Favorites Bar\nToggle Favorites"},
    {32799, "Show or hide the Timer bar\nToggle Timer Bar"},
    {32800, "Customize the Favorites Bar\nCustomize Favorites"},
    {32804, "Saves the current Theme to a new name\nSave As"},
    {57600, "Create a new Theme\nNew"},
    {57601, "Open a Theme\nOpen"},
    {57603, "Save the current Theme\nSave"},
    {57616, "Open this theme"},
    {57617, "Open this theme"},
    {57618, "Open this theme"},
    {57619, "Open this theme"},
    {57634, "Copy the selection and put it on the Clipboard\nCopy"},
    {57635, "Cut the selection and put it on the Clipboard\nCut"},
    {57637, "Insert Clipboard contents\nPaste"},
    {57664, "Display program information, version number and copyright\nAbout"},
    {57665, "Quit the application; prompts to save the theme\nExit"},
    {57667, "List Help topics\nHelp Topics"},
    {57669, "Display help for clicked on buttons, menus and windows\nHelp"},
    {57670, "Display help for current task or command\nHelp"},
    {57671, "Display help for current task or command\nHelp"},
    {59392, "Show or hide the toolbar\nToggle ToolBar"},
    {59393, "Show or hide the status bar\nToggle StatusBar"},

    // The framework's own texts.
    {57344, "Dialtop"},
    {57345, "Ready"},
    {61440, "Open"},
    {61441, "Save As"},
    {61443, "Untitled"},
    {61444, "Save Copy As"},
    {61699, "Save changes to %1?"},

    // A save name that the extension rule changed after the dialog's own
    // overwrite question; the reason a start cannot claim its instance.
    {61760, "%1!s! already exists.%nDo you want to replace it?"},
    {5530, "Dialtop cannot start: %1!s!"},
    {61712, "Please enter an integer."},
    {61713, "Please enter an integer between %1!d! and %2!d!."},
};

const QHash<unsigned, QString>& table()
{
    static const QHash<unsigned, QString> t = [] {
        QHash<unsigned, QString> h;
        for (const Entry& e : kStrings)
            h.insert(e.id, QString::fromUtf8(e.text));
        return h;
    }();
    return t;
}

QString formatOne(const QString& spec, const QVariant& arg)
{
    if (spec.isEmpty() || spec == "s" || spec == "S")
        return arg.toString();
    const QChar conv = spec.back();
    QString flags = spec.left(spec.size() - 1);
    flags.remove('l');
    flags.remove('h');
    const QByteArray fmt = ("%" + flags).toLatin1();
    switch (conv.unicode()) {
    case 'd':
    case 'i':
        return QString::asprintf((fmt + "lld").constData(), arg.toLongLong());
    case 'u':
        return QString::asprintf((fmt + "llu").constData(), static_cast<unsigned long long>(arg.toLongLong()) & 0xFFFFFFFFULL);
    case 'x':
    case 'X':
        return QString::asprintf((fmt + "ll" + char(conv.unicode())).constData(), static_cast<unsigned long long>(arg.toLongLong()) & 0xFFFFFFFFULL);
    case 'c':
        return QString(QChar(arg.toInt()));
    case 's':
    case 'S': {
        // Width and precision flags on strings.
        return QString::asprintf((fmt + "s").constData(), arg.toString().toUtf8().constData());
    }
    default:
        return arg.toString();
    }
}

} // namespace

QString LoadString(unsigned id)
{
    return table().value(id);
}

bool HasString(unsigned id)
{
    return table().contains(id);
}

QString FormatMessageText(const QString& format, const QVariantList& args)
{
    QString out;
    out.reserve(format.size() + 32);
    for (int i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c != '%' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        const QChar n = format[i + 1];
        if (n == '%') {
            out += '%';
            ++i;
            continue;
        }
        if (n == 'n') {
            out += '\n';
            ++i;
            continue;
        }
        if (!n.isDigit() || n == '0') {
            out += c;
            continue;
        }
        int j = i + 1;
        int index = 0;
        while (j < format.size() && format[j].isDigit() && index < 100)
            index = index * 10 + format[j++].digitValue();
        QString spec;
        int end = j;
        if (j < format.size() && format[j] == '!') {
            const int close = format.indexOf('!', j + 1);
            if (close > j) {
                spec = format.mid(j + 1, close - j - 1);
                end = close + 1;
            }
        }
        if (index < 1 || index > args.size()) {
            out += format.mid(i, end - i);
        } else {
            out += formatOne(spec, args[index - 1]);
        }
        i = end - 1;
    }
    return out;
}

QString FormatString(unsigned id, const QVariantList& args)
{
    return FormatMessageText(LoadString(id), args);
}

} // namespace res
