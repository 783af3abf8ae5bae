#pragma once
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// An INI file with the Windows profile rules: section and key names compared without case (umlauts
// included), blanks around keys and values dropped, the first occurrence of a key wins, a missing
// file or key gives the caller's default, integers decimal or "$" hexadecimal, booleans written
// "1"/"0" and read as any integer other than 0. Lookups are hashed, so reading every key of a large
// file stays linear.
class IniFile
{
public:
    struct Entry {
        QString key;
        QString value;
    };

    IniFile() = default;
    // Reads the file; a missing or unreadable file gives an empty profile (`existed` tells which).
    static IniFile load(const QString& path, bool* existed = nullptr);
    static IniFile parse(const QString& text);
    static IniFile parse(const QByteArray& win1252Bytes);

    QByteArray toBytes() const;
    // Whole-file atomic write in Windows-1252 with CR LF.
    bool save(const QString& path) const;

    QStringList sections() const;
    bool hasSection(const QString& section) const;
    bool hasKey(const QString& section, const QString& key) const;
    std::optional<QString> value(const QString& section, const QString& key) const;
    QString readString(const QString& section, const QString& key, const QString& def = QString()) const;
    qint32 readInteger(const QString& section, const QString& key, qint32 def) const;
    bool readBool(const QString& section, const QString& key, bool def) const;
    // All key=value entries of a section in file order (first occurrence of each key).
    std::vector<Entry> sectionEntries(const QString& section) const;
    QStringList sectionKeys(const QString& section) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, qint32 value);
    void writeBool(const QString& section, const QString& key, bool value);
    void eraseSection(const QString& section);
    void deleteKey(const QString& section, const QString& key);

    // Integer text as the profile functions read it: optional blanks and sign, decimal or "$"/"0x"
    // hexadecimal; values up to 4294967295 wrap to 32 bits (colours such as FF00000F).
    static std::optional<qint32> parseInteger(const QString& text);

private:
    struct Section {
        QString name;
        std::vector<Entry> entries;
        QHash<QString, int> index;  // lower-case key -> entry
    };
    Section* find(const QString& section);
    const Section* find(const QString& section) const;
    Section& findOrAdd(const QString& section);
    void addLine(Section& s, const QString& key, const QString& value);

    std::vector<Section> m_sections;
    QHash<QString, int> m_index;  // lower-case section name -> section
};
