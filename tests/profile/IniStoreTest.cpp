#include <climits>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>

#include "profile/IniStore.h"
#include "support/IniText.h"

TEST(IniStoreText, ReadsSectionsAndKeysAroundCommentsBlanksAndStrayLines) {
    const CIniStore store = StoreOf("top = before any section\n"
                                    "; a comment = not a key\n"
                                    "# another = not a key either\n"
                                    "\n"
                                    "[ Sensor ]   trailing words ignored\n"
                                    "  Averaging   =   16  \n"
                                    "a line without an equals sign\n"
                                    "Triggering=Edge\n"
                                    "Triggering=Level\n"
                                    "Empty=\n"
                                    "=no key\n"
                                    "[Unclosed\n"
                                    "FileName = C:\\logs\\a b.csv ; kept\n");
    EXPECT_EQ(store.ReadString("", "top", "-"), "before any section");
    EXPECT_EQ(store.ReadString("", "; a comment", "-"), "-");
    EXPECT_EQ(store.ReadString("", "# another", "-"), "-");
    EXPECT_EQ(store.ReadInt("Sensor", "Averaging", -1), 16);
    EXPECT_EQ(store.ReadString("Sensor", "Triggering", "-"), "Edge") << "the first of two keys";
    EXPECT_EQ(store.ReadString("Sensor", "Empty", "-"), "");
    EXPECT_EQ(store.ReadString("Sensor", "", "-"), "-");
    // A header without ']' is no header: what follows stays in [Sensor], values as written.
    EXPECT_EQ(store.ReadString("Sensor", "FileName", "-"), "C:\\logs\\a b.csv ; kept");
    EXPECT_EQ(store.ReadString("Unclosed", "FileName", "-"), "-");
    EXPECT_EQ(store.ReadString("Missing", "Averaging", "dflt"), "dflt");
    EXPECT_EQ(store.Keys("Sensor"),
              (std::vector<std::string>{"Averaging", "Triggering", "Empty", "FileName"}));
    EXPECT_TRUE(store.Keys("Missing").empty());
}

TEST(IniStoreText, NamesIgnoreAsciiCaseButValuesKeepTheirs) {
    CIniStore store = StoreOf("[Channel#3]\nMatchOutput=Low\n[CHANNEL#3]\nExtra=Yes\n");
    EXPECT_EQ(store.ReadString("channel#3", "MATCHOUTPUT", ""), "Low");
    EXPECT_EQ(store.ReadString("Channel#3", "extra", ""), "Yes") << "a section may come twice";
    EXPECT_EQ(store.Keys("channel#3"), (std::vector<std::string>{"MatchOutput", "Extra"}));
    // Only ASCII letters fold: "é" and "É" are different names.
    store.SetText("[S]\n\xC3\xA9=1\n");
    EXPECT_EQ(store.ReadString("s", "\xC3\x89", "-"), "-");
}

TEST(IniStoreText, KeepsLineEndingsByteOrderMarkAndUntouchedLines) {
    const std::string windows = "; saved on Windows\r\n[Sensor]\r\nModel = Spectrel-4\r\n\r\n";
    CIniStore store = StoreOf(windows);
    EXPECT_EQ(store.ReadString("Sensor", "Model", ""), "Spectrel-4");
    EXPECT_EQ(store.Text(), windows);
    ASSERT_TRUE(store.WriteString("Sensor", "Illumination", "80"));
    EXPECT_EQ(store.Text(),
              "; saved on Windows\r\n[Sensor]\r\nModel = Spectrel-4\r\nIllumination=80\r\n\r\n");

    const std::string marked = "\xEF\xBB\xBF[Settings]\nWarnings=None";
    store.SetText(marked);
    EXPECT_EQ(store.ReadString("Settings", "Warnings", ""), "None");
    EXPECT_EQ(store.Text(), marked + "\n") << "only a final line break is added";
}

// Files other editors saved: "Unicode" (UTF-16 with its mark, either byte order) and lines
// ended by CR alone read as text and keep their form on a save; a binary file is refused.
TEST(IniStoreText, ReadsUtf16AndCrOnlyFilesAndRefusesBinaries) {
    const auto utf16 = [](std::u16string_view text, bool bigEndian) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (const char16_t unit : text) {
            const auto high = static_cast<char>(unit >> 8);
            const auto low = static_cast<char>(unit & 0xFF);
            bytes += bigEndian ? std::string{high, low} : std::string{low, high};
        }
        return bytes;
    };
    for (const bool bigEndian : {false, true}) {
        CIniStore store = StoreOf(utf16(u"[Sensor]\r\nTriggering=Edge\r\n", bigEndian));
        EXPECT_EQ(store.ReadString("Sensor", "Triggering", "-"), "Edge") << bigEndian;
        ASSERT_TRUE(store.WriteString("Logging", "FileName", "\xC3\xA9\xF0\x9F\x98\x80.csv"));
        EXPECT_EQ(store.Text(), utf16(u"[Sensor]\r\nTriggering=Edge\r\n\r\n[Logging]\r\n"
                                      u"FileName=\u00E9\U0001F600.csv\r\n",
                                      bigEndian));
    }
    CIniStore store = StoreOf("[Sensor]\rAveraging=8\rIllumination=70\r");
    EXPECT_EQ(store.ReadInt("Sensor", "Averaging", -1), 8);
    EXPECT_EQ(store.ReadInt("Sensor", "Illumination", -1), 70);
    EXPECT_EQ(store.Text(), "[Sensor]\rAveraging=8\rIllumination=70\r");

    EXPECT_FALSE(store.SetText(std::string("\x7F"
                                           "ELF\x02\x01\x01\0\0[Sensor]\n",
                                           18)));
    EXPECT_NE(store.Error().find("not a text file"), std::string::npos) << store.Error();
    EXPECT_FALSE(store.SetText("\xFF\xFE[\0S"));
    EXPECT_TRUE(store.SetText("\xEF\xBB\xBF[Sensor]\tx\x1A\n"));
    EXPECT_TRUE(store.HasSection("SENSOR"));
}

TEST(IniStoreWrite, ReplacesInPlaceOrAddsToTheSectionAndLeavesTheRestAlone) {
    CIniStore store = StoreOf("; profile\n"
                              "[Sensor]\n"
                              "Averaging = 4   \n"
                              "; illumination in percent\n"
                              "Illumination=50\n"
                              "\n"
                              "; channels follow\n"
                              "[Channel#1]\n"
                              "Enabled=Yes\n");
    ASSERT_TRUE(store.WriteString("SENSOR", "averaging", "16"));
    ASSERT_TRUE(store.WriteString("Sensor", "Triggering", "Edge"));
    ASSERT_TRUE(store.WriteInt("Channel#2", "Enabled", -3));
    ASSERT_TRUE(store.WriteString("", "Version", "1"));
    ASSERT_TRUE(store.WriteString("Channel#1", "Mode", ""));
    EXPECT_EQ(store.Text(), "Version=1\n"
                            "; profile\n"
                            "[Sensor]\n"
                            "Averaging = 16\n"
                            "; illumination in percent\n"
                            "Illumination=50\n"
                            "Triggering=Edge\n"
                            "\n"
                            "; channels follow\n"
                            "[Channel#1]\n"
                            "Enabled=Yes\n"
                            "Mode=\n"
                            "\n"
                            "[Channel#2]\n"
                            "Enabled=-3\n");
    EXPECT_EQ(store.ReadInt("Channel#2", "Enabled", 0), -3);

    CIniStore empty;
    ASSERT_TRUE(empty.WriteString("Settings", "COM Port", "COM2"));
    EXPECT_EQ(empty.Text(), "[Settings]\nCOM Port=COM2\n");
}

TEST(IniStoreWrite, RefusesWhatCouldNotBeReadBackAndChangesNothing) {
    const std::string text = "[S]\nk=v\n";
    CIniStore store = StoreOf(text);
    const char* const bad[][3] = {
        {"S", "", "v"},    {"S", "k", "two\nlines"}, {"S", "k", "cr\r"}, {"S", "a\nb", "v"},
        {"S\n", "k", "v"}, {"S", " k", "v"},         {"S ", "k", "v"},   {"a]b", "k", "v"},
        {"S", "a=b", "v"}, {"S", "[k", "v"},         {"S", ";k", "v"},   {"S", "#k", "v"},
    };
    for (const auto& [section, key, value] : bad) {
        EXPECT_FALSE(store.WriteString(section, key, value)) << section << "/" << key;
        EXPECT_FALSE(store.Error().empty());
    }
    EXPECT_EQ(store.Text(), text);
    EXPECT_TRUE(store.WriteString("S", "k", "  blanks around  "));
    EXPECT_TRUE(store.Error().empty());
    EXPECT_EQ(store.ReadString("S", "k", ""), "blanks around");
}

TEST(IniStoreRead, IntegersAreTheLeadingDecimalNumber) {
    const CIniStore store = StoreOf("[N]\n"
                                    "plain=42\nsuffix=  17ms\nnegative=-7\nplus=+5\n"
                                    "word=abc\nempty=\nhex=0x1F\nsigns=+-3\nblank=- 4\n"
                                    "big=99999999999\nsmall=-99999999999\ndecimal=3.9\n");
    const std::pair<const char*, int> cases[] = {
        {"plain", 42},      {"suffix", 17}, {"negative", -7}, {"plus", 5},  {"word", 0},
        {"empty", 0},       {"hex", 0},     {"signs", 0},     {"blank", 0}, {"big", INT_MAX},
        {"small", INT_MIN}, {"decimal", 3}, {"missing", 99},
    };
    for (const auto& [key, expected] : cases) {
        EXPECT_EQ(store.ReadInt("N", key, 99), expected) << key;
    }
}

TEST(IniStoreRead, StringsAreCutTo255Characters) {
    const std::string longValue(300, 'x');
    const CIniStore store =
        StoreOf("[S]\nlong=" + longValue + "\nexact=" + longValue.substr(0, 255));
    EXPECT_EQ(store.ReadString("S", "long", ""), longValue.substr(0, 255));
    EXPECT_EQ(store.ReadString("S", "exact", ""), longValue.substr(0, 255));
    EXPECT_EQ(store.ReadString("S", "missing", longValue), longValue.substr(0, 255));
}

TEST(IniStoreText, GarbageNeverBreaksTheStore) {
    std::uint32_t state = 12345;
    std::string garbage;
    for (int i = 0; i < 200000; ++i) {
        state = state * 1664525u + 1013904223u;
        garbage += static_cast<char>(state >> 24);
    }
    garbage += std::string(100000, '=') + "\n[" + std::string(50000, ']') + "\n";
    CIniStore store = StoreOf(garbage + "[Settings]\nWarnings=Sensor\n");
    EXPECT_EQ(store.ReadString("Settings", "Warnings", ""), "Sensor");
    EXPECT_TRUE(store.WriteString("Settings", "Warnings", "None"));
    EXPECT_EQ(StoreOf(store.Text()).ReadString("Settings", "Warnings", ""), "None");
    for (const std::string& key : store.Keys("")) {
        store.ReadInt("", key, 0);
    }
}
