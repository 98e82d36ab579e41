#include "ParseSizeEntry.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using qv::ParseSizeEntry;

namespace {

struct Case
{
    std::u16string text;
    double bytes; // -1: invalid
};

constexpr double KB = 1024;
constexpr double MB = 1048576;

void checkall(const std::vector<Case>& cases)
{
    for (const Case& c : cases)
        EXPECT_EQ(ParseSizeEntry(c.text), c.bytes) << "entry \"" << std::string(c.text.begin(), c.text.end()) << "\"";
}

} // namespace

TEST(ParseSizeEntry, UnitsAndBlanks)
{
    checkall({
        { u"20K", 20 * KB },
        { u"1.5K", 1.5 * KB },
        { u"5 m b", 5 * MB },
        { u"10KB", 10 * KB },
        { u"10 kb", 10 * KB },
        { u"10k", 10 * KB },
        { u"10 K B", 10 * KB },
        { u"  1 0 K  ", 10 * KB },
        { u"1M", MB },
        { u"1.5m", 1.5 * MB },
        { u"0.5k", 0.5 * KB },
        { u".5K", 0.5 * KB },
        { u"5.K", 5 * KB },
        { u"100", 100 },
        { u" 7 ", 7 },
        { u"00010", 10 },
        { u"0", 0 },
        { u"       20KB", 20 * KB }, // what the edits show reads back
        { u"        0KB", 0 },
        { u"1024000000000000000", 1024000000000000000.0 },
    });
}

TEST(ParseSizeEntry, LonePointReadsAsZeroOnlyWithAUnit)
{
    checkall({ { u".K", 0 }, { u". m b", 0 }, { u".", -1 }, { u" . ", -1 } });
}

TEST(ParseSizeEntry, InvalidEntries)
{
    checkall({
        { u"", -1 },
        { u"   ", -1 },
        { u"1.5", -1 }, // a byte count is a whole number
        { u"5.", -1 },
        { u"10BK", -1 },
        { u"10B", -1 }, // B only after the unit letter
        { u"K10", -1 },
        { u"10KK", -1 },
        { u"10KM", -1 },
        { u"10K5", -1 }, // digits only before the unit
        { u"10K.", -1 },
        { u"10KBB", -1 },
        { u"10KB B", -1 },
        { u"1,000", -1 },
        { u"1.2.3K", -1 },
        { u"K", -1 },
        { u"KB", -1 },
        { u"B", -1 },
        { u"-5K", -1 },
        { u"+5K", -1 },
        { u"1e3", -1 },
        { u"10\tK", -1 }, // only the blank is ignored
        { u"10\u00a0K", -1 },
        { u"\uff11\uff10K", -1 }, // full-width digits
        { u"10G", -1 },
    });
}

TEST(ParseSizeEntry, CollectsAtMost23DigitsAndPoints)
{
    const std::u16string digits23(23, u'9');
    const double value23 = std::stod(std::string(23, '9'));
    checkall({
        { digits23, value23 },
        { u" " + digits23 + u" K B", value23 * KB },
        { u"1" + std::u16string(21, u'0') + u".K", 1e21 * KB }, // 23 with the point
        { digits23 + u"9", -1 },
        { u"1" + std::u16string(21, u'0') + u".0K", -1 },
        { std::u16string(30, u'0') + u"1", -1 },
    });
}
