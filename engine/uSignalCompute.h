#pragma once

// The signal computation of one record: date-seeded draws from the pair's bands and ranges, all intermediate
// values in 80-bit extended precision, each result rounded to double when it is stored into the record.

#include "uParamTable.h"

#include <cstdint>
#include <span>

struct TSignalRec;

namespace sigeng {

struct TCalendarDate {
    int Year;
    int Month; // 1 to 12
    int Day;   // 1 to 31
};

// Y * 366 + M * 12 + D: some different dates share a seed (13 January and 1 February, for one).
constexpr std::uint32_t SeedFromDate(TCalendarDate date) {
    return static_cast<std::uint32_t>(date.Year) * 366u + static_cast<std::uint32_t>(date.Month) * 12u +
           static_cast<std::uint32_t>(date.Day);
}

// One draw as the generator made it: the range size n and the result below it.
struct TDraw {
    std::uint32_t N;
    std::uint32_t Result;
    bool operator==(const TDraw&) const = default;
};

// The draws of one computation, for tests. A fixed buffer: the engine library allocates nothing.
class TDrawTrace {
public:
    static constexpr int Capacity = 16; // a computation makes at most nine draws

    void Add(TDraw draw) {
        if (FCount < Capacity) {
            FDraws[FCount] = draw;
        }
        ++FCount;
    }
    int Count() const { return FCount; }
    std::span<const TDraw> Draws() const {
        return {FDraws, static_cast<std::size_t>(FCount < Capacity ? FCount : Capacity)};
    }

private:
    TDraw FDraws[Capacity] = {};
    int FCount = 0;
};

// The 32-bit linear congruential generator. An optional trace records every draw.
class TRandom {
public:
    explicit TRandom(std::uint32_t seed, TDrawTrace* trace = nullptr) : FSeed(seed), FTrace(trace) {}

    // One draw, 0 <= result < n (0 when n is 0).
    std::uint32_t RandomBelow(std::uint32_t n) {
        FSeed = FSeed * 134775813u + 1u;
        const auto result = static_cast<std::uint32_t>((static_cast<std::uint64_t>(FSeed) * n) >> 32);
        if (FTrace != nullptr) {
            FTrace->Add({n, result});
        }
        return result;
    }

    std::uint32_t Seed() const { return FSeed; }

private:
    std::uint32_t FSeed;
    TDrawTrace* FTrace;
};

// From plus a whole number of steps of 10^-decimals, never above To; From alone (and no draw) when the range
// is narrower than 0.0001.
long double RandomInRange(TRandom& random, std::int32_t decimals, const TOffsetRange& range);

// |Highest - Lowest| rounded to 4 decimal places the way the bands expect it: via its 18-significant-digit
// decimal expansion, then half away from zero.
double RoundSpread(double spread);

// The same rounding done purely through text; the reference for RoundSpread's fast path.
double RoundSpreadByText(double spread);

// The band whose spread range holds the record's rounded spread, else the last valid band.
const TPriceBand& FindBand(const TSignalRec& rec, const TCurrencySlot& slot);

// fx_compute on a given table and date: writes the six outputs of rec and returns true, or returns false
// and leaves rec untouched when the pair is unknown (or its name is damaged).
bool ComputeSignals(const TTableImage& table, TSignalRec& rec, TCalendarDate date, TDrawTrace* trace = nullptr);

} // namespace sigeng
