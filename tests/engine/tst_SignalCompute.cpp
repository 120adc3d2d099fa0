#include "TSignalRec.h"
#include "TestPaths.h"
#include "WorkedExample.h"
#include "uSignalCompute.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace sigeng;

namespace {

constexpr TCalendarDate WorkedExampleDate{2002, 8, 4};

TSignalRec GbpChfRecord(double current, double highest, double lowest, double price24, double price48, double price64) {
    TSignalRec rec = MakeEmptySignalRec("GBP/CHF");
    rec.Current = current;
    rec.Highest = highest;
    rec.Lowest = lowest;
    rec.Price24 = price24;
    rec.Price48 = price48;
    rec.Price64 = price64;
    return rec;
}

const TCurrencySlot& GbpChf() {
    return BuiltInTable().Slots[0];
}

std::vector<TDraw> AsVector(const TDrawTrace& trace) {
    return {trace.Draws().begin(), trace.Draws().end()};
}

double Rounded4(double value) {
    return std::round(value * 10000.0) / 10000.0;
}

TEST(SignalCompute, WorkedExample) {
    TSignalRec rec = WorkedExampleRecord();
    TDrawTrace draws;
    ASSERT_EQ(SeedFromDate(WorkedExampleDate), 732832u);
    ASSERT_TRUE(ComputeSignals(BuiltInTable(), rec, WorkedExampleDate, &draws));

    const std::vector<TDraw> expectedDraws = {{3, 0}, {3, 2}, {3, 2}, {3, 2}, {2, 1}};
    EXPECT_EQ(AsVector(draws), expectedDraws);
    EXPECT_EQ(&FindBand(rec, GbpChf()), &GbpChf().Bands[4]);
    EXPECT_DOUBLE_EQ(Rounded4(rec.SellSig), 2.3067);
    EXPECT_DOUBLE_EQ(Rounded4(rec.BuySig), 2.2928);
    EXPECT_DOUBLE_EQ(Rounded4(rec.BuyLimit), 2.3078);
    EXPECT_DOUBLE_EQ(Rounded4(rec.SellLimit), 2.2917);
    EXPECT_DOUBLE_EQ(Rounded4(rec.BuyStop), 2.2858);
    EXPECT_DOUBLE_EQ(Rounded4(rec.SellStop), 2.3137);
}

TEST(SignalCompute, SameDayGivesSameSignalsWhateverTheRecordDate) {
    TSignalRec first = WorkedExampleRecord();
    TSignalRec second = WorkedExampleRecord();
    second.Date = 12345.0;
    ComputeSignals(BuiltInTable(), first, WorkedExampleDate);
    ComputeSignals(BuiltInTable(), second, WorkedExampleDate);
    EXPECT_EQ(std::memcmp(&first.BuyLimit, &second.BuyLimit, 6 * sizeof(double)), 0);
}

TEST(SignalCompute, ThirteenthOfJanuaryAndFirstOfFebruaryShareASeed) {
    EXPECT_EQ(SeedFromDate({2003, 1, 13}), SeedFromDate({2003, 2, 1}));
    TSignalRec january = WorkedExampleRecord();
    TSignalRec february = WorkedExampleRecord();
    TSignalRec march = WorkedExampleRecord();
    ComputeSignals(BuiltInTable(), january, {2003, 1, 13});
    ComputeSignals(BuiltInTable(), february, {2003, 2, 1});
    ComputeSignals(BuiltInTable(), march, {2003, 3, 1});
    EXPECT_EQ(std::memcmp(&january, &february, sizeof january), 0);
    EXPECT_NE(std::memcmp(&january, &march, sizeof january), 0);
}

TEST(SignalCompute, UnknownOrDamagedPairLeavesTheRecordUntouched) {
    for (const char* name : {"gbp/chf", "XXX/YYY", "", "GBP/CHF "}) {
        TSignalRec rec = WorkedExampleRecord();
        WriteShortText(rec.Currency, name);
        std::memset(&rec.BuyLimit, 0x5A, 6 * sizeof(double));
        const TSignalRec before = rec;
        EXPECT_FALSE(ComputeSignals(BuiltInTable(), rec, WorkedExampleDate)) << name;
        EXPECT_EQ(std::memcmp(&rec, &before, sizeof rec), 0) << name;
    }
    TSignalRec damaged = WorkedExampleRecord();
    damaged.Currency[0] = 200; // a length no field can hold
    EXPECT_FALSE(ComputeSignals(BuiltInTable(), damaged, WorkedExampleDate));
}

TEST(SignalCompute, SpreadRoundsToFourDecimalsHalfAwayFromZero) {
    struct Case {
        double Spread;
        double Expected;
    };
    const Case cases[] = {
        {0.03125, 0.0313},
        {0.00004, 0.0},
        {0.00005, 0.0001},
        {0.0, 0.0},
        {0.015, 0.015},
        {0.01234, 0.0123},
        {0.01235, 0.0123}, // the double lies below ...35 and its 18 digits show
                           // it
        {0.01405, 0.0141}, // lies below ...05 too, but its 18 digits read exactly ...0500: rounds up
        {0.02495, 0.025},
        {0.0999949, 0.1},
        {1.23456789, 1.2346},
        {123456789012.34565, 123456789012.3457},
        {1e20, 1e20},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RoundSpread(c.Spread), c.Expected) << c.Spread;
        EXPECT_EQ(RoundSpreadByText(c.Spread), c.Expected) << c.Spread;
    }
}

// The arithmetic shortcut must agree with the text rounding everywhere, above all next to the half-way points
// where the 18-digit expansion decides.
TEST(SignalCompute, SpreadRoundingShortcutAgreesWithTheText) {
    std::mt19937_64 generator(7);
    std::uniform_real_distribution<double> uniform(0.0, 0.2);
    for (int i = 0; i < 200000; ++i) {
        const double spread = uniform(generator);
        ASSERT_EQ(RoundSpread(spread), RoundSpreadByText(spread)) << std::hexfloat << spread;
    }
    for (int k = 0; k < 20000; ++k) {
        const double halfway = (k + 0.5) / 10000.0;
        double spread = halfway;
        for (int step = 0; step < 40; ++step) {
            spread = std::nextafter(spread, 0.0);
        }
        for (int step = 0; step < 80; ++step) {
            ASSERT_EQ(RoundSpread(spread), RoundSpreadByText(spread)) << std::hexfloat << spread;
            spread = std::nextafter(spread, 1.0);
        }
    }
}

TEST(SignalCompute, BandSelectionAtEdgesGapsAndBeyond) {
    const TCurrencySlot& slot = GbpChf();
    struct Case {
        double Highest;
        double Lowest;
        int Row; // 1-based
    };
    const Case cases[] = {
        {2.30, 2.30, 1},    {2.31, 2.30, 1},   {2.3101, 2.30, 2}, {2.312, 2.30, 2}, {2.3121, 2.30, 3},
        {2.30, 2.315, 5},   {2.35, 2.30, 12},  {2.36, 2.30, 12},  {2.30, 1.50, 12}, {2.30003, 2.3, 1},
        {2.30, 2.31005, 2}, {0.01405, 0.0, 5}, // spread 0.01405 reads ...0500 in 18 digits: row 5, not 4
    };
    for (const Case& c : cases) {
        TSignalRec rec = GbpChfRecord(2.3, c.Highest, c.Lowest, 2.3, 2.3, 2.3);
        EXPECT_EQ(&FindBand(rec, slot) - slot.Bands + 1, c.Row) << c.Highest << " - " << c.Lowest;
    }

    // A spread that falls into a gap between rows uses the last valid row.
    constexpr TPriceBand gapped[] = {{0.0, 0.01, {}, {}}, {0.02, 0.03, {}, {}}, {0.04, 0.05, {}, {}}};
    TCurrencySlot gappedSlot = MakeSlot({.Name = "GAP", .Decimals = 4, .Bands = gapped});
    TSignalRec inGap = GbpChfRecord(1.0, 1.015, 1.0, 1.0, 1.0, 1.0);
    EXPECT_EQ(&FindBand(inGap, gappedSlot), &gappedSlot.Bands[2]);
    gappedSlot.BandCount = 0;
    EXPECT_EQ(&FindBand(inGap, gappedSlot), &gappedSlot.Bands[0]);
}

TEST(SignalCompute, DrawsFromRanges) {
    struct Case {
        const char* What;
        std::int32_t Decimals;
        TOffsetRange Range;
        int Draws;
    };
    const Case cases[] = {
        {"single value", 4, {0.0009, 0.0009}, 0},
        {"narrower than the threshold", 4, {0.00011, 0.00019}, 0},
        {"0.0006 to 0.0007 rounds wide enough", 4, {0.0006, 0.0007}, 1},
        {"0.0064 to 0.0065 rounds too narrow", 4, {0.0064, 0.0065}, 0},
        {"downward range still draws", 4, {-0.0008, -0.001}, 1},
        {"2 decimals, 0.0002 wide", 2, {0.0011, 0.0013}, 1},
    };
    for (const Case& c : cases) {
        TDrawTrace draws;
        TRandom random(12345, &draws);
        const long double value = RandomInRange(random, c.Decimals, c.Range);
        EXPECT_EQ(draws.Count(), c.Draws) << c.What;
        EXPECT_EQ(random.Seed() != 12345u, c.Draws > 0) << c.What;
        EXPECT_GE(value, static_cast<long double>(std::min(c.Range.From, c.Range.To))) << c.What;
        EXPECT_LE(value, static_cast<long double>(std::max(c.Range.From, c.Range.To))) << c.What;
        if (c.Range.To <= c.Range.From) {
            EXPECT_EQ(value, static_cast<long double>(c.Range.From)) << c.What;
        }
    }

    // With 2 decimals the 0.0002-wide range draws below 1: always its From.
    TDrawTrace draws;
    TRandom random(99, &draws);
    EXPECT_EQ(RandomInRange(random, 2, {0.0011, 0.0013}), static_cast<long double>(0.0011));
    EXPECT_EQ(AsVector(draws), (std::vector<TDraw>{{1, 0}}));
}

TEST(SignalCompute, UpwardRangeYieldsEveryStep) {
    std::vector<long double> seen;
    TRandom random(1);
    for (int i = 0; i < 400; ++i) {
        const long double value = RandomInRange(random, 4, {0.006, 0.0062});
        if (std::find(seen.begin(), seen.end(), value) == seen.end()) {
            seen.push_back(value);
        }
    }
    std::sort(seen.begin(), seen.end());
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(static_cast<double>(seen.front()), 0.006);
    EXPECT_EQ(static_cast<double>(seen.back()), 0.0062);
}

TEST(SignalCompute, PricesEqualToCurrentMakeNoAdjustment) {
    TDrawTrace allEqual;
    TSignalRec flat = GbpChfRecord(2.3, 2.312, 2.297, 2.3, 2.3, 2.3);
    ComputeSignals(BuiltInTable(), flat, WorkedExampleDate, &allEqual);
    EXPECT_EQ(allEqual.Count(), 2) << "only the two base draws of row 5";

    TDrawTrace oneBelow;
    TSignalRec below = GbpChfRecord(2.3, 2.312, 2.297, 2.29, 2.3, 2.3);
    ComputeSignals(BuiltInTable(), below, WorkedExampleDate, &oneBelow);
    EXPECT_EQ(oneBelow.Count(), 3) << "Buy24 draws once more";
    EXPECT_EQ(flat.SellSig, below.SellSig);
}

TEST(SignalCompute, StopsAndLimitsFollowTheTableSigns) {
    TSignalRec rec = WorkedExampleRecord();
    ComputeSignals(BuiltInTable(), rec, WorkedExampleDate);
    EXPECT_LT(rec.BuySig, rec.Current);
    EXPECT_GT(rec.SellSig, rec.Current);
    EXPECT_LT(rec.BuyStop, rec.BuySig);
    EXPECT_GT(rec.BuyLimit, rec.BuySig);
    EXPECT_GT(rec.SellStop, rec.SellSig);
    EXPECT_LT(rec.SellLimit, rec.SellSig);
}

// Records computed by an independent exact-rational model of the engine (tests/engine/make_golden.py): every
// output double must match bit for bit.
TEST(SignalCompute, MatchesTheIndependentModelBitForBit) {
    std::ifstream file(std::string(TestDataDir) + "/engine/golden.csv");
    ASSERT_TRUE(file) << "golden file missing";
    auto parseHex = [](const std::string& hex) {
        std::uint8_t bytes[8];
        for (int i = 0; i < 8; ++i) {
            bytes[i] = static_cast<std::uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
        }
        double value;
        std::memcpy(&value, bytes, 8);
        return value;
    };
    std::string line;
    int records = 0;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::vector<std::string> cells;
        std::stringstream stream(line);
        for (std::string cell; std::getline(stream, cell, ',');) {
            cells.push_back(cell);
        }
        ASSERT_EQ(cells.size(), 15u);
        TSignalRec rec = MakeEmptySignalRec(cells[0]);
        double* inputs[] = {&rec.Current, &rec.Highest, &rec.Lowest, &rec.Price24, &rec.Price48, &rec.Price64};
        for (int i = 0; i < 6; ++i) {
            *inputs[i] = parseHex(cells[2 + i]);
        }
        const TCalendarDate date{std::stoi(cells[1].substr(0, 4)), std::stoi(cells[1].substr(5, 2)),
                                 std::stoi(cells[1].substr(8, 2))};
        TDrawTrace draws;
        ASSERT_TRUE(ComputeSignals(BuiltInTable(), rec, date, &draws)) << line;
        const double outputs[] = {rec.BuySig, rec.BuyStop, rec.BuyLimit, rec.SellSig, rec.SellStop, rec.SellLimit};
        for (int i = 0; i < 6; ++i) {
            ASSERT_EQ(outputs[i], parseHex(cells[8 + i])) << "output " << i << " of " << line;
        }
        ASSERT_EQ(draws.Count(), std::stoi(cells[14])) << line;
        ++records;
    }
    EXPECT_EQ(records, 3000);
}

} // namespace
