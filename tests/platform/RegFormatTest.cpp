#include "RegFormat.h"

#include "SettingsStore.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace qv;

namespace {

const std::string Values(ValuesKey);
const std::string GoodStart = "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Tavenbrook\\Quorvane\\Values]\n";

RegDocument parsed(const std::string& text)
{
    std::string error;
    std::optional<RegDocument> doc = RegDocument::parse(text, error);
    EXPECT_TRUE(doc) << error;
    return doc ? *doc : RegDocument();
}

TEST(RegFormat, ParseErrorsSayWhereAndWhy)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        { std::string("\x7f"
                      "ELF\x02\x01\x01\0\0\0garbage\xff\xfe",
              20),
            "line 1: control character" },
        { "[HKEY_CURRENT_USER\\SOFTWARE\\Tavenbrook\\Quorvane\\Values]\n\"Left\"=dword:00000016\n",
            "line 1: no REGEDIT4 header" },
        { "Windows Registry Editor Version 5.00\n\n", "line 1: no REGEDIT4 header" },
        { GoodStart + "\"HelpDirectory\"=\"/usr/sh", "line 4: bad string" },
        { GoodStart + "\"Left\"=dword:000", "line 4: a dword must have eight hex digits" },
        { GoodStart + "\"Lef", "line 4: bad value name" },
        { "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Tav", "line 3: bad key line" },
        { "REGEDIT4\n\n\"Left\"=dword:00000016\n", "line 3: value outside a key" },
        { GoodStart + "Left=22\n", "line 4: neither key, value, comment nor blank" },
        { GoodStart + "\"Left\" 22\n", "line 4: no \"=\" after the value name" },
        { GoodStart + "\"Left\"=qword:0000000000000016\n", "line 4: unknown value type" },
        { GoodStart + "\"Left\"=dword:0000001g\n", "line 4: a dword must have eight hex digits" },
        { GoodStart + "\"Left\"=dword:000000016\n", "line 4: a dword must have eight hex digits" },
        { GoodStart + "\"HelpDirectory\"=\"C:\\Help\"\n", "line 4: bad string" }, // an escape never written
        { GoodStart + "\"WhatIf\"=\"4\" junk\n", "line 4: bad string" },
        { GoodStart + std::string("\"WhatIf\"=\"4\0\"\n", 13), "line 4: control character" },
        { GoodStart + "\"Bin\"=hex:01,02,\\\n", "line 4: hex value continued past the end" },
        { GoodStart + "\"Bin\"=hex:01,zz\n", "line 4: bad hex value" },
        { GoodStart + "\"Bin\"=hex(x):01\n", "line 4: bad hex value" },
    };
    for (const auto& [text, why] : cases) {
        std::string error;
        EXPECT_FALSE(RegDocument::parse(text, error)) << why;
        EXPECT_EQ(error, why);
    }
    std::string error;
    EXPECT_EQ(RegDocument::parse("", error)->text(), ""); // an empty file holds nothing
}

TEST(RegFormat, LenientWhereSafeAndKeepsWhatItDoesNotKnow)
{
    RegDocument doc = parsed("REGEDIT4\r\n"
                             "; written by hand\r\n"
                             "\r\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tavenbrook\\Quorvane\\Values]\r\n"
                             "\"Left\"=dword:00000063\r\n"
                             "\r\n"
                             "[HKEY_CURRENT_USER\\SOFTWARE\\Tavenbrook\\Quorvane\\Values]\r\n"
                             "  \"Left\" = dword:0000ABCD  \r\n"
                             "\"Unknown\"=\"kept\"\r\n"
                             "@=\"default value\"\r\n"
                             "\"Bin\"=hex:01,02,\\\r\n"
                             "  03,04\r\n"
                             "\"Expand\"=hex(2):25,00,00,00\r\n"
                             "\t; a comment inside the key\r\n"
                             "\r\n"
                             "\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Other\\Program]\r\n"
                             "\"Left\"=dword:00000001\r\n");
    ASSERT_TRUE(doc.find(Values, "Left"));
    EXPECT_EQ(doc.find(Values, "Left")->dword, 0xabcdu); // not the machine-wide value
    EXPECT_EQ(doc.find(Values, "Unknown")->string, "kept");
    EXPECT_EQ(doc.find(Values, "")->string, "default value");
    EXPECT_EQ(doc.find(Values, "Bin")->type, RegDocument::Type::Raw);
    EXPECT_EQ(doc.find(Values, "Expand")->type, RegDocument::Type::Raw);
    EXPECT_TRUE(doc.keyexists("Software\\Other"));

    doc.setinteger(Values, "Left", 22);
    doc.setstring(Values, "HelpDirectory", "/h");
    EXPECT_EQ(doc.text(),
        "REGEDIT4\n"
        "; written by hand\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tavenbrook\\Quorvane\\Values]\n"
        "\"Left\"=dword:00000063\n"
        "\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\Tavenbrook\\Quorvane\\Values]\n"
        "\"Left\"=dword:00000016\n"
        "\"Unknown\"=\"kept\"\n"
        "@=\"default value\"\n"
        "\"Bin\"=hex:01,02,\\\n"
        "  03,04\n"
        "\"Expand\"=hex(2):25,00,00,00\n"
        "\"HelpDirectory\"=\"/h\"\n"
        "\t; a comment inside the key\n"
        "\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\Other\\Program]\n"
        "\"Left\"=dword:00000001\n");
}

TEST(RegFormat, RepeatedKeysAndValuesTheLastCounts)
{
    RegDocument doc = parsed(GoodStart + "\"Left\"=dword:00000001\n\"LEFT\"=dword:00000002\n\n"
        + "[HKEY_CURRENT_USER\\software\\tavenbrook\\quorvane\\values]\n\"left\"=dword:00000003\n");
    EXPECT_EQ(doc.find(Values, "Left")->dword, 3u);
    doc.setinteger(Values, "Left", 4);
    EXPECT_EQ(doc.find(Values, "Left")->dword, 4u);
    EXPECT_NE(doc.text().find("\"left\"=dword:00000004"), std::string::npos);
}

TEST(RegFormat, KeysAndValueNamesIgnoreAsciiCase)
{
    RegDocument doc;
    doc.setstring(ColRangeSaveKey, "Name", "first");
    EXPECT_TRUE(doc.keyexists(ColRangeLoadKey));
    EXPECT_TRUE(doc.keyexists("software\\TAVENBROOK\\quorvane\\colrange"));
    EXPECT_EQ(doc.find("SOFTWARE\\tavenbrook\\QUORVANE\\ColRange", "name")->string, "first");

    // Rewriting under another spelling changes the one value and keeps the names as first written.
    doc.setstring(ColRangeLoadKey, "nAME", "second");
    EXPECT_EQ(
        doc.text(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tavenbrook\\Quorvane\\ColRange]\n\"Name\"=\"second\"\n");

    // Only ASCII letters fold: other bytes must match exactly.
    doc.setstring(Values, "\xc3\xa9", "e acute");
    EXPECT_FALSE(doc.find(Values, "\xc3\x89"));
}

TEST(RegFormat, KeysExistWithTheirParentsButNotByPrefix)
{
    RegDocument doc;
    EXPECT_FALSE(doc.keyexists(Values));
    doc.setinteger(Values, "Top", 32);
    EXPECT_TRUE(doc.keyexists(Values));
    EXPECT_TRUE(doc.keyexists("SOFTWARE\\Tavenbrook\\Quorvane"));
    EXPECT_TRUE(doc.keyexists("Software"));
    EXPECT_FALSE(doc.keyexists("SOFTWARE\\Tavenbrook\\Quorv"));
    EXPECT_FALSE(doc.keyexists(ColRangeLoadKey));
    EXPECT_FALSE(doc.keyexists("SOFTWARE\\Tavenbrook\\Quorvane\\Values\\Sub"));
    EXPECT_FALSE(doc.keyexists(""));
    EXPECT_FALSE(doc.find(ColRangeLoadKey, "Top"));
    for (const char* bad : { "", "\\Software", "Software\\", "SOFTWARE\\\\Tavenbrook", "SOFTWARE\\Bad\nKey" })
        EXPECT_FALSE(RegDocument::validkey(bad)) << bad;
}

TEST(RegFormat, SetValuesReadBackAsTheirType)
{
    RegDocument doc = parsed(GoodStart + "\"WhatIf\"=\"4\"\n");
    doc.setinteger(Values, "WhatIf", -2);
    doc.setstring(Values, "Left", "a\nb");
    const RegDocument again = parsed(doc.text());
    for (const RegDocument* d : std::vector<const RegDocument*> { &doc, &again }) {
        EXPECT_EQ(d->find(Values, "WhatIf")->type, RegDocument::Type::Dword);
        EXPECT_EQ(d->find(Values, "WhatIf")->dword, 0xfffffffeu);
        EXPECT_EQ(d->find(Values, "Left")->type, RegDocument::Type::String);
        EXPECT_EQ(d->find(Values, "Left")->string, "a\nb");
    }
}

} // namespace
