#pragma once
// The theme model: a theme is an ordered list of tabs, each an ordered list of
// launcher items. Containers own what they hold; copies are deep.

#include <QPoint>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class QIcon;

// Sizes of the file records and of their string fields (bytes, terminator included).
namespace ThemeRecord {
constexpr int kTabRecordSize = 532;
constexpr int kItemRecordSize = 1336;
constexpr int kTabNameWidth = 261;
constexpr int kItemNameWidth = 129;
constexpr int kItemPathWidth = 261;
constexpr std::uint32_t kFileVersion = 1;

// Text fields are written as UTF-8 when that fits the field; otherwise as
// Windows-1252 (the code page of themes made on the first platform) when the
// text has a byte for every character there and those bytes fit and do not
// read as UTF-8. They are read back the same way: UTF-8 when valid, else
// Windows-1252. So every field read from a file can be written again as it was.

// The longest prefix of text that fits a field of the given width with its
// terminator; never splits a character.
QString FitToField(const QString& text, int width);
// True when text fits a field of the given width with its terminator.
bool FitsField(const QString& text, int width);
// A field read back: bytes up to the first zero, at most width - 1; UTF-8
// when valid, else Windows-1252.
QString DecodeField(const char* bytes, int width);
} // namespace ThemeRecord

class CThemeItem
{
public:
    virtual ~CThemeItem() = default;

    QString m_strName;
    QString m_strArguments;
    QString m_strTarget;
    QString m_strStartIn;
    QString m_strIconFile;
    QString m_strDescription;
    std::int32_t m_nIconIndex = 0;
    std::int32_t m_nShowCmd = 1; // 1 normal, 2 minimized, 3 maximized
    std::int32_t m_nReserved1 = 0;
    QPoint m_ptPosition{0, 0};
    std::int32_t m_nReserved2 = 0;
    std::int32_t m_bDialFirst = 0; // a 32-bit boolean: kept as stored

    void Copy(const CThemeItem& source) { *this = source; }

    // Icons, targets and launching live with the launcher (they need the shell).
    QIcon GetIcon() const;
    QIcon GetSmallIcon() const;
    bool InitFromTarget();
    bool CopyWithFullPaths(const CThemeItem& source);
    bool Launch() const;

    // Fills a 1336-byte item record; false (and nothing written past a field)
    // when a string does not fit its field.
    bool ToRecord(char* record) const;
    void FromRecord(const char* record);
    // True when every string fits its field.
    bool FitsRecord() const;
};

class CThemeTab
{
public:
    virtual ~CThemeTab() = default;

    QString m_strName;
    QString m_strBackground;
    std::int32_t m_nReserved = 0;
    std::vector<std::unique_ptr<CThemeItem>> m_items;

    // Copies name, background and the reserved value, then appends deep copies
    // of the source's items.
    void Copy(const CThemeTab& source);

    bool ToRecord(char* record) const;
    void FromRecord(const char* record);
    bool FitsRecord() const;
};

class CThemeData
{
public:
    CThemeData() = default;
    ~CThemeData() { DeleteAll(); }
    CThemeData(const CThemeData&) = delete;
    CThemeData& operator=(const CThemeData&) = delete;

    std::vector<std::unique_ptr<CThemeTab>> m_tabs;
    bool m_bModified = false;
    QString m_strPath = QStringLiteral("Default");

    CThemeTab* InsertTab(int index);
    bool RemoveTab(int index);
    CThemeTab* GetTab(int index) const;
    int GetTabCount() const { return int(m_tabs.size()); }

    CThemeItem* InsertItem(int tab, int index);
    bool RemoveItem(int tab, int index);
    CThemeItem* GetItem(int tab, int index) const;
    int GetItemCount(int tab) const;

    // Appends the tabs of a theme file; false when the file is missing,
    // unreadable, of another version or damaged (then nothing is appended).
    // Which of these it was goes to *error; telling the user is the caller's.
    enum class LoadError { None, Missing, Unreadable, WrongVersion, Damaged };
    bool Load(const QString& path, LoadError* error = nullptr);
    // Writes m_strPath when modified; a save that fails leaves the file that
    // was there untouched.
    bool Save();
    void SaveAndClear();
    void DeleteAll();

    // The file's bytes for the theme as it stands (false when a string does not
    // fit its field), and the reverse; used by Save/Load and the theme tool.
    bool ToBytes(QByteArray& out) const;
    enum class ParseResult { Ok, WrongVersion, Damaged };
    static ParseResult ParseBytes(const QByteArray& bytes, std::vector<std::unique_ptr<CThemeTab>>& tabs,
                                  std::uint32_t* version = nullptr);
    static ParseResult ParseBytes(const char* data, qsizetype size, std::vector<std::unique_ptr<CThemeTab>>& tabs,
                                  std::uint32_t* version = nullptr);
};
