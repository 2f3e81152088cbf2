#include "platform/ras/LoginScript.h"

#include "platform/ras/Phonebook.h"
#include "platform/ras/ServiceSettings.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace ras {

namespace {
constexpr int kMaxStepText = 256;
}

bool ParseLoginScript(const QByteArray& text, QList<ScriptStep>* steps, int* pBadLine)
{
    QList<ScriptStep> out;
    int lineNo = 0;
    auto bad = [&] {
        if (pBadLine)
            *pBadLine = lineNo;
        return false;
    };
    if (text.size() > kMaxScriptBytes)
        return bad();
    for (const QByteArray& raw : text.split('\n')) {
        ++lineNo;
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype blank = line.indexOf(QLatin1Char(' '));
        const QString word = (blank < 0 ? line : line.left(blank)).toLower();
        QString arg = blank < 0 ? QString() : line.mid(blank + 1).trimmed();
        if (arg.size() >= 2 && arg.startsWith(QLatin1Char('"')) && arg.endsWith(QLatin1Char('"')))
            arg = arg.mid(1, arg.size() - 2);
        for (QChar c : arg)
            if (c.category() == QChar::Other_Control)
                return bad();
        ScriptStep step;
        if (word == QLatin1String("timeout")) {
            bool ok = false;
            step.kind = ScriptStep::Timeout;
            step.nSeconds = arg.toInt(&ok);
            if (!ok || step.nSeconds < 1 || step.nSeconds > 300)
                return bad();
        } else if (word == QLatin1String("expect") || word == QLatin1String("send")) {
            step.kind = word == QLatin1String("send") ? ScriptStep::Send : ScriptStep::Expect;
            step.strText = arg;
            if (arg.size() > kMaxStepText || (step.kind == ScriptStep::Expect && arg.isEmpty()))
                return bad();
        } else {
            return bad();
        }
        if (out.size() >= kMaxScriptSteps)
            return bad();
        out.append(step);
    }
    if (steps)
        *steps = out;
    return true;
}

QString LoginScriptPath(const QString& entry)
{
    return ConfigFolder() + QStringLiteral("/scripts/") + entry + QStringLiteral(".chat");
}

bool EntryHasLoginScript(const QString& entry, QString* pPath)
{
    RasEntry e;
    QString stored;
    if (GetEntryProperties(entry, &e, nullptr) != ERROR_SUCCESS || !FindEntry(entry, &stored))
        return false;
    if (pPath)
        *pPath = LoginScriptPath(stored);
    return e.bLoginScript;
}

bool CreateLoginScript(const QString& entry)
{
    QString stored;
    if (!FindEntry(entry, &stored))
        return false;
    const QString path = LoginScriptPath(stored);
    if (QFileInfo::exists(path))
        return true;
    if (!MakePrivateFolder(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile out(path);
    const QByteArray text = "# Login script for " + stored.toUtf8()
                            + ", run after the modem connects and before PPP starts.\n"
                              "# timeout SECONDS | expect TEXT | send TEXT; $USER and $PASSWORD are\n"
                              "# replaced by the entry's user name and password. For example:\n"
                              "#   expect ogin:\n"
                              "#   send $USER\n"
                              "#   expect assword:\n"
                              "#   send $PASSWORD\n"
                              "#   expect >\n"
                              "#   send ppp\n";
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size())
        return false;
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return out.commit();
}

DWORD LoadLoginScript(const QString& entry, QList<ScriptStep>* steps)
{
    QString path;
    EntryHasLoginScript(entry, &path);
    QFile f(path);
    if (path.isEmpty() || !QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return ERROR_SCRIPT_SYNTAX;
    const QByteArray text = f.read(kMaxScriptBytes + 1);
    return ParseLoginScript(text, steps, nullptr) ? ERROR_SUCCESS : ERROR_SCRIPT_SYNTAX;
}

} // namespace ras
