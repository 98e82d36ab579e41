#include "ColourRangeTable.h"

#include "RegFileStore.h"

#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

using namespace qv;

namespace {

const std::string Key(ColRangeLoadKey);

// The eight stored texts of the defaults, built from their parts: digit, backslash, blanks, bound digits.
std::vector<std::string> defaulttexts()
{
    const std::vector<std::pair<int, const char*>> parts
        = { { 10, "10240" }, { 9, "102400" }, { 8, "1024000" }, { 7, "10240000" }, { 6, "102400000" },
              { 5, "1024000000" }, { 4, "10240000000" }, { 0, "1024000000000000000" } };
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < parts.size(); ++i)
        texts.push_back(std::to_string(i + 1) + "\\" + std::string(parts[i].first, ' ') + parts[i].second);
    return texts;
}

ColourRangeTable::Ranges custom()
{
    return { { { 8, 0 }, { 7, 1 }, { 6, 4096 }, { 5, 4096 }, { 4, 2048000 }, { 3, 1e9 }, { 2, 123456789012345678.0 },
        { 1, 1024000000000000000.0 } } };
}

void expectranges(const ColourRangeTable& table, const ColourRangeTable::Ranges& want)
{
    for (int k = 1; k <= ColourRangeTable::Count; ++k) {
        EXPECT_EQ(table.range(k).colour, want[k - 1].colour) << "range " << k;
        EXPECT_EQ(table.range(k).bound, want[k - 1].bound) << "range " << k;
    }
}

class ColourRangeStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_tmp.isValid());
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            m_oldxdg = old, m_hadxdg = true;
        setenv("XDG_CONFIG_HOME", m_tmp.path().toLocal8Bit().constData(), 1);
        ASSERT_EQ(RegFileStore::defaultpath(), m_store.path());
    }
    void TearDown() override
    {
        if (m_hadxdg)
            setenv("XDG_CONFIG_HOME", m_oldxdg.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }
    void storedefaults()
    {
        const std::vector<std::string> texts = defaulttexts();
        for (int i = 0; i < ColourRangeTable::Count; ++i)
            m_store.writeString(Key, std::to_string(i), texts[i]);
    }

    QTemporaryDir m_tmp;
    std::string m_oldxdg;
    bool m_hadxdg = false;
    RegFileStore m_store { m_tmp.path().toStdString() + "/Tavenbrook/Quorvane.reg" };
};

TEST(ColourOfSize, DefaultBandEdges)
{
    const ColourRangeTable table;
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<double, int>> cases = { { 0, 1 }, { -1, 1 }, { 1, 1 }, { 10240, 1 }, { 10241, 2 },
        { 102400, 2 }, { 102400.5, 3 }, { 1024000, 3 }, { 1048576, 4 }, { 10240000000, 7 }, { 10240000001, 8 },
        { 1024000000000000000.0, 8 }, { 1e300, 8 }, { inf, 8 } };
    for (const auto& [size, colour] : cases)
        EXPECT_EQ(ColourOfSize(table, size), colour) << size;
}

TEST(ColourOfSize, EqualNeighboursNeverChooseTheUpper)
{
    ColourRangeTable table;
    ColourRangeTable::Ranges r = ColourRangeTable::defaults();
    r[2].bound = r[1].bound; // ranges 2 and 3 both end at 102400
    table.setranges(r);
    for (double size : { 102399.0, 102400.0, 102400.0 + 1e-9 * 102400, 102401.0, 1024000.0, 1e7, 1e30 })
        EXPECT_NE(ColourOfSize(table, size), 3) << size;
    EXPECT_EQ(ColourOfSize(table, 102400), 2);
    EXPECT_EQ(ColourOfSize(table, 102401), 4);

    // Colours shared between ranges are returned as stored; the last range holds everything above.
    r = custom();
    table.setranges(r);
    EXPECT_EQ(ColourOfSize(table, 0), 8);
    EXPECT_EQ(ColourOfSize(table, 4096), 6);
    EXPECT_EQ(ColourOfSize(table, 4097), 4);
    EXPECT_EQ(ColourOfSize(table, 2e18), 1);
}

TEST(ColourRangeText, FormatsTheBoundRightAlignedInFifteen)
{
    const std::vector<std::pair<ColourRange, std::string>> cases = {
        { { 3, 2048000 }, "3\\        2048000" },
        { { 1, 0 }, "1\\              0" },
        { { 8, 999999999999999 }, "8\\999999999999999" },
        { { 8, 1234567890123456 }, "8\\1234567890123456" }, // more digits take more room
        { { 2, 10240.5 }, "2\\          10240" }, // an exact half goes to the even neighbour
        { { 2, 10241.5 }, "2\\          10242" },
    };
    for (const auto& [range, text] : cases)
        EXPECT_EQ(ColourRangeText(range), text);
}

TEST_F(ColourRangeStoreTest, SavingTheDefaultsWritesTheEightTexts)
{
    SaveColourRanges(ColourRangeTable(), m_store);
    const std::vector<std::string> texts = defaulttexts();
    ASSERT_EQ(texts.back(), "8\\1024000000000000000");
    for (int n = 0; n < ColourRangeTable::Count; ++n)
        EXPECT_EQ(m_store.readString("SOFTWARE\\Tavenbrook\\Quorvane\\ColRange", std::to_string(n)), texts[n]);

    // The key is made under the save's spelling.
    QFile f(QString::fromStdString(m_store.path()));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const std::string file = f.readAll().toStdString();
    EXPECT_NE(
        file.find("[HKEY_CURRENT_USER\\Software\\Tavenbrook\\Quorvane\\ColRange]\n\"0\"=\"1\\\\          10240\"\n"),
        std::string::npos)
        << file;
}

TEST_F(ColourRangeStoreTest, SaveThenLoadRoundTrips)
{
    ColourRangeTable saved;
    saved.setranges(custom());
    SaveColourRanges(saved, m_store);
    ColourRangeTable loaded;
    LoadColourRanges(loaded, m_store);
    expectranges(loaded, custom());

    // Saving again rewrites all eight, changed or not.
    SaveColourRanges(ColourRangeTable(), m_store);
    LoadColourRanges(loaded, m_store);
    expectranges(loaded, ColourRangeTable::defaults());
}

TEST_F(ColourRangeStoreTest, NoKeyKeepsWhatTheTableHolds)
{
    m_store.writeString(ValuesKey, "0", "3\\ 5"); // the sibling key is not the colour key
    ColourRangeTable table;
    table.setranges(custom());
    LoadColourRanges(table, m_store);
    expectranges(table, custom());
    EXPECT_FALSE(m_store.keyExists(ColRangeLoadKey)) << "the load wrote the store";
}

TEST_F(ColourRangeStoreTest, AnyOneMissingKeepsAllDefaults)
{
    for (int missing = 0; missing < ColourRangeTable::Count; ++missing) {
        SCOPED_TRACE(missing);
        QFile::remove(QString::fromStdString(m_store.path()));
        for (int n = 0; n < ColourRangeTable::Count; ++n) {
            if (n != missing)
                m_store.writeString(ColRangeSaveKey, std::to_string(n), "5\\ 777");
        }
        ColourRangeTable table;
        LoadColourRanges(table, m_store);
        expectranges(table, ColourRangeTable::defaults());
    }
}

// Loads the stored set into a table of defaults and returns the error it reported, "" for none.
std::string load(ColourRangeTable& table, SettingsStore& store)
{
    try {
        LoadColourRanges(table, store);
    } catch (const SettingsError& e) {
        return e.what();
    }
    return {};
}

TEST_F(ColourRangeStoreTest, OddButUsableTextsAreTaken)
{
    const std::vector<std::pair<std::string, ColourRange>> cases = {
        { "3\\        2048000", { 3, 2048000 } }, { "3\\2048000", { 3, 2048000 } },
        { "3x2048000", { 3, 2048000 } }, // the second character is skipped whatever it is
        { "5\\", { 5, 0 } }, { "5\\  12abc", { 5, 12 } }, { "5\\abc", { 5, 0 } }, { "5\\ \t 1024.75", { 5, 1024.75 } },
        { "5\\ 1e3", { 5, 1000 } }, { "5\\ 0x10", { 5, 16 } }, { "5\\ -0", { 5, 0 } },
        { "8\\102400000000000000000", { 8, 1.024e20 } }, // "100000000000000000KB": 20 characters
    };
    // Bounds 0 below range 5 and the largest usable bound above it, so that every case stays in order.
    ColourRangeTable::Ranges base;
    for (int n = 0; n < ColourRangeTable::Count; ++n) {
        base[n] = n < 4 ? ColourRange { 1, 0 } : ColourRange { 8, 1.024e20 };
        m_store.writeString(Key, std::to_string(n), ColourRangeText(base[n]));
    }
    for (const auto& [text, range] : cases) {
        SCOPED_TRACE(text);
        m_store.writeString(Key, "4", text);
        ColourRangeTable table;
        EXPECT_EQ(load(table, m_store), "");
        ColourRangeTable::Ranges want = base;
        want[4] = range;
        expectranges(table, want);
        EXPECT_FALSE(std::signbit(table.range(5).bound));
    }
}

TEST_F(ColourRangeStoreTest, MalformedTextRejectsTheWholeSetAndSaysWhy)
{
    const std::vector<std::string> texts = {
        "", "3", "0\\ 10240", "9\\ 10240", "a\\ 10240", " 3\\ 10240", "-1\\ 10240", "3\\ inf", "3\\ -INFINITY",
        "3\\ nan", "3\\ -1", "3\\ 1e400",
        "8\\1024000000000000000000", // "1000000000000000000KB": 21 characters
    };
    for (int n : { 0, 7 }) {
        // The others hold usable, non-default values.
        for (int i = 0; i < ColourRangeTable::Count; ++i)
            m_store.writeString(Key, std::to_string(i), "6\\ 4242");
        for (const std::string& text : texts) {
            SCOPED_TRACE(std::to_string(n) + ": " + text);
            m_store.writeString(Key, std::to_string(n), text);
            ColourRangeTable table;
            EXPECT_EQ(load(table, m_store),
                "The stored colour ranges are not used (value '" + std::to_string(n)
                    + "' is not a colour digit, a reverse solidus and a size); the default ranges stay in force");
            expectranges(table, ColourRangeTable::defaults());
        }
    }
}

TEST_F(ColourRangeStoreTest, BoundsOutOfOrderRejectTheWholeSet)
{
    struct Case
    {
        int n;
        const char* text;
        const char* why; // "" when the set is taken
    };
    const std::vector<Case> cases = {
        { 4, "5\\ 1", "range 5 ends below range 4" },
        { 1, "2\\ 10239", "range 2 ends below range 1" },
        { 7, "8\\ 10239999999", "range 8 ends below range 7" },
        { 0, "1\\ 102401", "range 2 ends below range 1" },
        { 1, "2\\ 10240", "" }, // equal neighbours are allowed: range 2 is then empty
        { 6, "7\\ 1024000000000000000", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        storedefaults();
        m_store.writeString(Key, std::to_string(c.n), c.text);
        ColourRangeTable table;
        table.setranges(custom());
        const std::string error = load(table, m_store);
        if (*c.why) {
            EXPECT_EQ(error,
                std::string("The stored colour ranges are not used (") + c.why + "); the default ranges stay in force");
            expectranges(table, custom());
        } else {
            EXPECT_EQ(error, "");
            EXPECT_EQ(table.range(c.n + 1).bound, std::strtod(c.text + 2, nullptr));
        }
    }
}

TEST_F(ColourRangeStoreTest, NonTextValueRejectsTheWholeSet)
{
    storedefaults();
    m_store.writeString(Key, "0", "6\\ 4242");
    m_store.writeInteger(Key, "3", 4);
    ColourRangeTable table;
    EXPECT_EQ(load(table, m_store),
        "The stored colour ranges are not used (value '3' is not text); the default ranges stay in force");
    expectranges(table, ColourRangeTable::defaults());

    // A missing value passes in silence, even with a bad one beside it.
    QFile::remove(QString::fromStdString(m_store.path()));
    for (int n = 0; n < ColourRangeTable::Count - 1; ++n)
        m_store.writeString(Key, std::to_string(n), n == 2 ? "x" : "6\\ 4242");
    EXPECT_EQ(load(table, m_store), "");
}

// Fails every write that holds one value name; the rest reach the real file store.
class FailingStore : public SettingsStore
{
public:
    FailingStore(SettingsStore& real, std::string failname)
        : m_real(real)
        , m_failname(std::move(failname))
    {
    }
    bool keyExists(std::string_view key) override { return m_real.keyExists(key); }
    bool valueExists(std::string_view key, std::string_view name) override { return m_real.valueExists(key, name); }
    std::string readString(std::string_view key, std::string_view name) override
    {
        return m_real.readString(key, name);
    }
    std::int32_t readInteger(std::string_view key, std::string_view name) override
    {
        return m_real.readInteger(key, name);
    }
    void write(const SettingsBatch& batch) override
    {
        for (const SettingsBatch::Change& c : batch.changes()) {
            if (c.name == m_failname)
                throw SettingsError("Failed to set data for '" + batch.changes().front().name + "'");
        }
        m_real.write(batch);
    }

private:
    SettingsStore& m_real;
    std::string m_failname;
};

TEST_F(ColourRangeStoreTest, AFailedSaveStoresNoneOfTheEight)
{
    storedefaults();
    ColourRangeTable table;
    table.setranges(custom());
    FailingStore failing(m_store, "3");
    try {
        SaveColourRanges(table, failing);
        ADD_FAILURE() << "saved without error";
    } catch (const SettingsError& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for '0'");
    }
    ColourRangeTable loaded;
    loaded.setranges(custom());
    LoadColourRanges(loaded, m_store);
    expectranges(loaded, ColourRangeTable::defaults());
    expectranges(table, custom());
}

TEST_F(ColourRangeStoreTest, SaveToAnUnwritableStoreSaysWhichValue)
{
    setenv("XDG_CONFIG_HOME", "/proc/self/quorvane", 1);
    RegFileStore store;
    try {
        SaveColourRanges(ColourRangeTable(), store);
        ADD_FAILURE() << "saved without error";
    } catch (const SettingsError& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for '0'");
    }
}

} // namespace
