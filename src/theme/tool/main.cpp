// dialtop-theme: prints a theme file as JSON, or writes a theme file from JSON,
// for users who script their themes and for checking files.

#include "theme/ThemeData.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <limits>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "dialtop-theme: %s\n", qPrintable(message));
    return 1;
}

int usage()
{
    std::fprintf(stderr, "usage: dialtop-theme dump FILE\n"
                         "       dialtop-theme build JSON_FILE OUT_FILE\n");
    return 2;
}

QJsonObject itemToJson(const CThemeItem& item)
{
    QJsonObject o;
    o["name"] = item.m_strName;
    o["arguments"] = item.m_strArguments;
    o["target"] = item.m_strTarget;
    o["startIn"] = item.m_strStartIn;
    o["iconFile"] = item.m_strIconFile;
    o["description"] = item.m_strDescription;
    o["iconIndex"] = item.m_nIconIndex;
    o["showCmd"] = item.m_nShowCmd;
    o["reserved1"] = item.m_nReserved1;
    o["x"] = item.m_ptPosition.x();
    o["y"] = item.m_ptPosition.y();
    o["reserved2"] = item.m_nReserved2;
    o["dialFirst"] = item.m_bDialFirst != 0;
    return o;
}

int dump(const QString& path)
{
    QFile file(path);
    if (!QFileInfo::exists(path))
        return fail(path + ": no such file");
    if (!file.open(QIODevice::ReadOnly))
        return fail(path + ": " + file.errorString());
    const QByteArray bytes = file.readAll();
    std::vector<std::unique_ptr<CThemeTab>> tabs;
    std::uint32_t version = 0;
    switch (CThemeData::ParseBytes(bytes, tabs, &version)) {
    case CThemeData::ParseResult::WrongVersion:
        return fail(QString("%1: file version %2 is not 1").arg(path).arg(version));
    case CThemeData::ParseResult::Damaged:
        return fail(path + ": damaged theme file (it ends before its counted records)");
    case CThemeData::ParseResult::Ok:
        break;
    }
    QJsonArray jtabs;
    for (const auto& tab : tabs) {
        QJsonObject t;
        t["name"] = tab->m_strName;
        t["background"] = tab->m_strBackground;
        t["reserved"] = tab->m_nReserved;
        QJsonArray items;
        for (const auto& item : tab->m_items)
            items.append(itemToJson(*item));
        t["items"] = items;
        jtabs.append(t);
    }
    QJsonObject root;
    root["version"] = 1;
    root["tabs"] = jtabs;
    const QByteArray json = QJsonDocument(root).toJson(QJsonDocument::Indented);
    std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
    return 0;
}

// Reads one member of a JSON object into a field, reporting where a value is wrong.
class Reader
{
public:
    QString error;

    bool text(const QJsonObject& o, const char* key, const QString& where, int width, QString& out)
    {
        const QJsonValue v = o.value(key);
        if (v.isUndefined())
            return true;
        if (!v.isString())
            return bad(where + "." + key + ": expected a string");
        out = v.toString();
        const int bytes = int(out.toUtf8().size());
        if (bytes > width - 1)
            return bad(QString("%1.%2: text of %3 bytes does not fit its field of %4 bytes")
                           .arg(where, key).arg(bytes).arg(width - 1));
        return true;
    }

    bool integer(const QJsonObject& o, const char* key, const QString& where, std::int32_t& out)
    {
        const QJsonValue v = o.value(key);
        if (v.isUndefined())
            return true;
        const double d = v.toDouble();
        if (!v.isDouble() || d != double(qint64(d)) || d < std::numeric_limits<std::int32_t>::min()
            || d > std::numeric_limits<std::int32_t>::max())
            return bad(where + "." + key + ": expected a 32-bit integer");
        out = std::int32_t(d);
        return true;
    }

    bool boolean(const QJsonObject& o, const char* key, const QString& where, std::int32_t& out)
    {
        const QJsonValue v = o.value(key);
        if (v.isUndefined())
            return true;
        if (!v.isBool())
            return bad(where + "." + key + ": expected true or false");
        out = v.toBool() ? 1 : 0;
        return true;
    }

    bool bad(const QString& message)
    {
        if (error.isEmpty())
            error = message;
        return false;
    }
};

int build(const QString& jsonPath, const QString& outPath)
{
    QFile file(jsonPath);
    if (!QFileInfo::exists(jsonPath))
        return fail(jsonPath + ": no such file");
    if (!file.open(QIODevice::ReadOnly))
        return fail(jsonPath + ": " + file.errorString());
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return fail(QString("%1: malformed JSON at offset %2: %3")
                        .arg(jsonPath).arg(parseError.offset).arg(parseError.errorString()));
    if (!doc.isObject())
        return fail(jsonPath + ": expected a JSON object");
    const QJsonObject root = doc.object();
    if (root.contains("version") && root.value("version").toDouble(-1) != 1)
        return fail(jsonPath + ": version must be 1");
    if (!root.value("tabs").isArray())
        return fail(jsonPath + ": \"tabs\" must be an array");

    CThemeData theme;
    Reader r;
    const QJsonArray jtabs = root.value("tabs").toArray();
    for (int t = 0; t < jtabs.size(); ++t) {
        const QString where = QString("tabs[%1]").arg(t);
        if (!jtabs[t].isObject())
            return fail(jsonPath + ": " + where + ": expected an object");
        const QJsonObject jt = jtabs[t].toObject();
        CThemeTab* tab = theme.InsertTab(t);
        r.text(jt, "name", where, ThemeRecord::kTabNameWidth, tab->m_strName);
        r.text(jt, "background", where, ThemeRecord::kTabNameWidth, tab->m_strBackground);
        r.integer(jt, "reserved", where, tab->m_nReserved);
        if (jt.contains("items") && !jt.value("items").isArray())
            r.bad(where + ".items: expected an array");
        const QJsonArray jitems = jt.value("items").toArray();
        for (int i = 0; i < jitems.size() && r.error.isEmpty(); ++i) {
            const QString iw = QString("%1.items[%2]").arg(where).arg(i);
            if (!jitems[i].isObject()) {
                r.bad(iw + ": expected an object");
                break;
            }
            const QJsonObject ji = jitems[i].toObject();
            CThemeItem* item = theme.InsertItem(t, i);
            std::int32_t x = 0, y = 0;
            r.text(ji, "name", iw, ThemeRecord::kItemNameWidth, item->m_strName);
            r.text(ji, "arguments", iw, ThemeRecord::kItemNameWidth, item->m_strArguments);
            r.text(ji, "target", iw, ThemeRecord::kItemPathWidth, item->m_strTarget);
            r.text(ji, "startIn", iw, ThemeRecord::kItemPathWidth, item->m_strStartIn);
            r.text(ji, "iconFile", iw, ThemeRecord::kItemPathWidth, item->m_strIconFile);
            r.text(ji, "description", iw, ThemeRecord::kItemPathWidth, item->m_strDescription);
            r.integer(ji, "iconIndex", iw, item->m_nIconIndex);
            r.integer(ji, "showCmd", iw, item->m_nShowCmd);
            r.integer(ji, "reserved1", iw, item->m_nReserved1);
            r.integer(ji, "x", iw, x);
            r.integer(ji, "y", iw, y);
            r.integer(ji, "reserved2", iw, item->m_nReserved2);
            r.boolean(ji, "dialFirst", iw, item->m_bDialFirst);
            item->m_ptPosition = QPoint(x, y);
        }
        if (!r.error.isEmpty())
            return fail(jsonPath + ": " + r.error);
    }
    theme.m_strPath = outPath;
    theme.m_bModified = true;
    if (!theme.Save())
        return fail(outPath + ": cannot be written");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == "dump")
        return dump(args[2]);
    if (args.size() == 4 && args[1] == "build")
        return build(args[2], args[3]);
    return usage();
}
