#include "core/IniFile.h"
#include "core/Win1252.h"

#include <gtest/gtest.h>

// Line and name rules of the profile reader, and its behaviour after changes.

TEST(IniFileLines, LineEndsBlanksAndHeaders)
{
    const QByteArray text = "[A]\rcr=1\nlf=2\r\ncrlf=3\r\n\r\n"
                            "\t tab \t=\t v \t\r\n"
                            "[  B  ]\r\nx=\r\n"
                            "[C\r\nnoclose=4\r\n"
                            "[D]trailing\r\ny=5\r\n"
                            "=novalue\r\n  = blank key\r\n"
                            "q1='single'\r\nq2=\"\r\nq3=\"a'\r\nq4=\"\"\r\nq5= \"b\" \r\n"
                            ";c=comment is a key\r\n"
                            "last=no line end";
    const IniFile ini = IniFile::parse(text);
    EXPECT_EQ(ini.sections(), (QStringList{"A", "B", "C", "D"}));
    struct Case {
        const char* section;
        const char* key;
        std::optional<QString> value;
    };
    const Case cases[] = {
        {"A", "cr", "1"},
        {"A", "lf", "2"},
        {"A", "crlf", "3"},
        {"A", "tab", "v"},
        {"b", "X", ""},
        {"C", "noclose", "4"},
        {"D", "y", "5"},
        {"D", "", std::nullopt},
        {"D", "q1", "single"},
        {"D", "q2", "\""},
        {"D", "q3", "\"a'"},
        {"D", "q4", ""},
        {"D", "q5", "b"},
        {"D", ";c", "comment is a key"},
        {"D", "last", "no line end"},
        {"D", "novalue", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ini.value(c.section, c.key), c.value) << c.section << "/" << c.key;
    EXPECT_EQ(ini.sectionKeys("D"), (QStringList{"y", "q1", "q2", "q3", "q4", "q5", ";c", "last"}));
}

TEST(IniFileLines, NamesMatchWithoutCaseAcrossTheCodePage)
{
    // Windows-1252 letters above 0x7F with a case pair, umlauts, and names outside the code page.
    const QString text = QString::fromUtf8("[Šœž ÄÖÜ]\nÀÉÎ=1\nŸ=2\n[straße]\nK=3\n[\u0130]\nk=4\n[\U0001F600x]\nk=5\n");
    const IniFile ini = IniFile::parse(text);
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"ŠŒŽ äöü", "àéî", "1"}, {"šœž ÄÖÜ", "ÿ", "2"},     {"STRAßE", "k", "3"},
        {"\u0130", "K", "4"},       {"i\u0307", "k", "4"},    {"\U0001F600X", "K", "5"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ini.readString(QString::fromUtf8(c.section), QString::fromUtf8(c.key), "-"), c.value) << c.section;
    // A lone surrogate after a letter that lower-cases to two units.
    const QString odd = QString(QChar(0x0130)) + QChar(0xD801);
    const IniFile withOdd = IniFile::parse(QLatin1Char('[') + odd + QStringLiteral("]\nk=6\n"));
    EXPECT_EQ(withOdd.readString(odd.toLower(), "K"), "6");
    EXPECT_FALSE(ini.hasSection(QString::fromUtf8("STRASSE")));
    EXPECT_FALSE(ini.hasSection(QString::fromUtf8("Šœž ÄÖÜ ")));
    EXPECT_FALSE(ini.hasKey(QString::fromUtf8("ŠŒŽ äöü"), "y"));
}

TEST(IniFileLines, RepeatedSectionsAndKeys)
{
    const IniFile ini = IniFile::parse(QByteArray("[S]\na=1\nB=2\n[T]\na=9\n[s]\nA=3\nc=4\nb=5\n"));
    EXPECT_EQ(ini.sections(), (QStringList{"S", "T"}));
    EXPECT_EQ(ini.sectionKeys("S"), (QStringList{"a", "B", "c"}));
    EXPECT_EQ(ini.readString("s", "a"), "1");
    EXPECT_EQ(ini.readString("S", "b"), "2");
    EXPECT_EQ(ini.readString("T", "A"), "9");
    const auto entries = ini.sectionEntries("S");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2].key, "c");
    EXPECT_EQ(entries[2].value, "4");
    EXPECT_TRUE(ini.sectionEntries("fehlt").empty());
}

TEST(IniFileChanges, WritesDeletesAndCopies)
{
    IniFile ini = IniFile::parse(QByteArray("[S]\na=1\nb=2\nc=3\n[T]\nx=1\n"));
    const IniFile before = ini;
    ini.writeString("s", "B", "zwei");
    ini.writeString("T", "y", "neu");
    ini.writeString("U", "z", "u");
    ini.deleteKey("S", "A");
    ini.writeString("S", "a", "wieder");
    ini.eraseSection("t");
    ini.writeString("T", "X", "zurück");
    EXPECT_EQ(ini.sections(), (QStringList{"S", "U", "T"}));
    EXPECT_EQ(ini.sectionKeys("S"), (QStringList{"b", "c", "a"}));
    EXPECT_EQ(ini.readString("S", "b"), "zwei");
    EXPECT_EQ(ini.readString("S", "A"), "wieder");
    EXPECT_EQ(ini.readString("T", "x"), QString::fromUtf8("zurück"));
    EXPECT_FALSE(ini.hasKey("T", "y"));
    ini.deleteKey("S", "fehlt");
    ini.deleteKey("fehlt", "a");
    ini.eraseSection("fehlt");
    // Lines of the file keep their LF; the lines written anew end in CR LF.
    EXPECT_EQ(ini.toBytes(), QByteArray("[S]\nb=zwei\nc=3\na=wieder\r\n\r\n[U]\r\nz=u\r\n\r\n[T]\r\nX=zur\xFC"
                                        "ck\r\n\r\n"));
    // The copy taken before the changes is untouched by them.
    EXPECT_EQ(before.toBytes(), QByteArray("[S]\na=1\nb=2\nc=3\n[T]\nx=1\n"));
    for (int i = 0; i < 200; ++i)
        ini.writeInteger("S", QStringLiteral("k%1").arg(i), i);
    for (int i = 0; i < 200; i += 2)
        ini.deleteKey("S", QStringLiteral("K%1").arg(i));
    EXPECT_EQ(ini.readInteger("S", "k199", -1), 199);
    EXPECT_EQ(ini.readInteger("S", "k198", -1), -1);
    EXPECT_EQ(ini.sectionKeys("S").size(), 103);
}
