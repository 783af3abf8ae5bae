#pragma once
#include "core/FileSystem.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <vector>

// An INI file with the Windows profile rules: section and key names compared without case (umlauts
// included), blanks around keys and values dropped, the first occurrence of a key wins, a missing
// file or key gives the caller's default, integers decimal or "$" hexadecimal, booleans written
// "1"/"0" and read as any integer other than 0.
//
// Writing changes only the lines it must, as the profile functions do: a changed key's line, a new
// key after the last line of its section, a new section at the end. Comments, lines without "=",
// lines before the first section, repeated keys and repeated sections stay as they were, because
// adults edit these files by hand and other programs make them.
//
// The parsed names and values are views into one decoded copy of the file, and lookups go through
// open-addressing tables hashed on the lower-cased names without building lower-cased copies, so
// loading and reading every key of a large file stays linear and allocates little.
class IniFile
{
public:
    struct Entry {
        QString key;
        QString value;
    };

    IniFile() = default;
    // Reads the file; a missing or unreadable file gives an empty profile (`result` tells which).
    // A profile loaded from an unreadable file refuses to be saved over it.
    static IniFile load(const QString& path, fsys::ReadResult* result = nullptr);
    static IniFile parse(const QString& text);
    static IniFile parse(const QByteArray& win1252Bytes);

    QByteArray toBytes() const;
    // Whole-file atomic write in Windows-1252; new lines end in CR LF. False without writing when
    // the profile came from a file that could not be read.
    bool save(const QString& path) const;
    bool cameFromUnreadableFile() const { return m_unreadable; }

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

    // Copy-free reading for large files. The views stay valid while this profile lives and is not
    // changed.
    std::optional<QStringView> valueView(QStringView section, QStringView key) const;
    // Calls f(key, value) with views of every entry of a section in file order; false when the
    // section is missing.
    template <typename F>
    bool forEachEntry(QStringView section, F&& f) const
    {
        const int s = findSection(section);
        if (s < 0)
            return false;
        for (int i = m_sections[size_t(s)].first; i >= 0; i = m_items[size_t(i)].next)
            f(m_items[size_t(i)].key, m_items[size_t(i)].value);
        return true;
    }

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, qint32 value);
    void writeBool(const QString& section, const QString& key, bool value);
    void eraseSection(const QString& section);
    void deleteKey(const QString& section, const QString& key);

    // Integer text as the profile functions read it: optional blanks and sign, decimal or "$"/"0x"
    // hexadecimal; values up to 4294967295 wrap to 32 bits (colours such as FF00000F).
    static std::optional<qint32> parseInteger(const QString& text);
    static std::optional<qint32> parseInteger(QStringView text);

private:
    // Names and values view m_text (as parsed) or m_owned (as written); both keep their character
    // data in place, so the views survive copies and moves of the profile.
    struct Item {
        QStringView key;
        QStringView value;
        quint32 hash = 0;  // of the lower-cased key
        qint32 next = -1;  // next entry of the same section
        qint32 ownedValue = -1;
        qsizetype line = -1;  // where its line starts in m_text; -1 for a key added by writing
        bool changed = false;
        bool deleted = false;
    };
    // Slots of a hash table: item or section index, -1 free, -2 deleted.
    struct Slot {
        quint32 hash;
        qint32 index;
    };
    // A section's keys are searched in its own entries: by their hashes while it is small (the
    // usual case, and cache-friendly), through a table of its own once it is large.
    struct Section {
        QStringView name;
        quint32 hash = 0;
        qint32 first = -1;
        qint32 last = -1;
        qint32 count = 0;
        qint32 tableUsed = 0;  // occupied or deleted slots of `table`
        qsizetype insertAt = -1;  // where keys added by writing go in m_text; -1 for a new section
        quint64 keyBits = 0;   // one bit per key hash: most new keys are known new without a search
        std::vector<Slot> table;
    };

    void parseText();
    int findSection(QStringView name) const;
    int findSection(QStringView name, quint32 hash) const;
    int findItem(int section, QStringView key) const;
    int findItem(int section, QStringView key, quint32 hash) const;
    int addSection(QStringView name, quint32 hash);
    void addItem(int section, QStringView key, QStringView value, quint32 hash);
    void rebuildItemTable(Section& s);
    QStringView own(const QString& text, qint32* slot = nullptr);
    void rebuildSectionTable();

    // A section header line of m_text, and whether erasing its section took it out.
    struct Header {
        qsizetype line;
        QStringView name;
        bool erased = false;
    };

    QString m_text;
    std::vector<Header> m_headers;
    qsizetype m_parsedItems = 0;
    bool m_unreadable = false;
    std::vector<QString> m_owned;
    std::vector<Item> m_items;
    std::vector<Section> m_sections;
    std::vector<Slot> m_sectionTable;
};
