#include "uSignalCompute.h"

#include "TSignalRec.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <limits>

static_assert(std::numeric_limits<long double>::digits == 64,
              "the engine's arithmetic needs the 80-bit x87 extended type as long double");

namespace sigeng {
namespace {

using Extended = long double;

// 1/10000 rounded to 64 significant bits, as the extended constant the ranges are compared with.
constexpr Extended DrawThreshold = 0.0001L;

// 10^decimals formed as a 32-bit integer (wrapping as 32-bit arithmetic does); 1 for zero or negative decimals.
std::int32_t PowerOfTen(std::int32_t decimals) {
    static constexpr std::uint32_t powers[] = {1u,      10u,      100u,      1000u,      10000u,
                                               100000u, 1000000u, 10000000u, 100000000u, 1000000000u};
    if (decimals <= 0) {
        return 1;
    }
    if (decimals < static_cast<std::int32_t>(std::size(powers))) {
        return static_cast<std::int32_t>(powers[decimals]);
    }
    std::uint32_t power = powers[9];
    for (std::int32_t i = 9; i < decimals; ++i) {
        power *= 10u;
    }
    return static_cast<std::int32_t>(power);
}

// The low 32 bits of round(value) (ties to even), as a 64-bit rounding would keep them.
std::uint32_t LowWordOfRounded(Extended value) {
    // llrint rounds in the default mode, nearest with ties to even, in one store to an integer.
    constexpr Extended twoTo62 = 4611686018427387904.0L;
    if (std::fabs(value) < twoTo62) {
        return static_cast<std::uint32_t>(std::llrint(value));
    }
    const Extended rounded = std::rint(value);
    // Far outside any table's ranges; keep the arithmetic defined: the low word of a multiple of 2^32 is 0,
    // else take the value apart in 32-bit steps.
    Extended magnitude = std::fabs(rounded);
    constexpr Extended twoTo32 = 4294967296.0L;
    Extended scale = twoTo32;
    while (magnitude / scale >= twoTo32) {
        scale *= twoTo32;
    }
    for (; scale >= twoTo32; scale /= twoTo32) {
        magnitude -= std::floor(magnitude / scale) * scale;
    }
    const auto low = static_cast<std::uint32_t>(static_cast<std::uint64_t>(magnitude));
    return rounded < 0 ? 0u - low : low;
}

} // namespace

Extended RandomInRange(TRandom& random, std::int32_t decimals, const TOffsetRange& range) {
    const Extended from = range.From;
    const Extended to = range.To;
    const Extended width = std::fabs(to - from);
    if (width < DrawThreshold) {
        return from;
    }
    const std::int32_t power = PowerOfTen(decimals);
    const std::uint32_t n = LowWordOfRounded(width * static_cast<Extended>(power)) + 1u;
    const std::uint32_t r = random.RandomBelow(n);
    Extended value = from + static_cast<Extended>(r) / static_cast<Extended>(power);
    if (value > to) {
        value = to;
    }
    if (value < from) {
        value = from;
    }
    return value;
}

double RoundSpreadByText(double spread) {
    if (!std::isfinite(spread)) {
        return spread;
    }
    // 18 significant digits: d.ddddddddddddddddde+XX
    char text[64];
    std::snprintf(text, sizeof text, "%.17e", spread);
    const bool negative = text[0] == '-';
    const char* mantissa = text + (negative ? 1 : 0);
    char digits[18];
    digits[0] = mantissa[0];
    for (int i = 1; i < 18; ++i) {
        digits[i] = mantissa[i + 1]; // skip the decimal point
    }
    const int exponent = std::atoi(mantissa + 20); // behind "d.<17 digits>e"

    // digits[i] stands for 10^(exponent - i); the fourth decimal place is index exponent + 4.
    const int firstDropped = exponent + 5;
    if (firstDropped >= 18) {
        return std::strtod(text, nullptr); // nothing to cut
    }
    if (firstDropped < 0) {
        return 0.0;
    }
    unsigned long long kept = 0;
    for (int i = 0; i < firstDropped; ++i) {
        kept = kept * 10 + static_cast<unsigned>(digits[i] - '0');
    }
    if (digits[firstDropped] >= '5') {
        ++kept; // half away from zero
    }
    std::snprintf(text, sizeof text, "%s%llue-4", negative ? "-" : "", kept);
    return std::strtod(text, nullptr);
}

double RoundSpread(double spread) {
    // Away from a rounding boundary the 18-digit expansion cannot change the result, so plain arithmetic
    // decides. The margin covers the expansion's half unit in the 18th digit (5e-18 relative) and the
    // extended product's rounding (5.5e-20 relative) with room to spare.
    if (spread >= 0.0 && spread < 1e8) {
        const Extended scaled = static_cast<Extended>(spread) * 10000.0L;
        // floor without switching the FPU's rounding mode: round to nearest, then step down if that went up.
        Extended whole = static_cast<Extended>(std::llrint(scaled));
        if (whole > scaled) {
            whole -= 1.0L;
        }
        const Extended fraction = scaled - whole;
        const Extended margin = scaled * 1e-16L + 1e-12L;
        if (std::fabs(fraction - 0.5L) > margin) {
            const Extended rounded = whole + (fraction > 0.5L ? 1.0L : 0.0L);
            return static_cast<double>(rounded) / 10000.0;
        }
    }
    return RoundSpreadByText(spread);
}

const TPriceBand& FindBand(const TSignalRec& rec, const TCurrencySlot& slot) {
    const auto spread =
        static_cast<double>(std::fabs(static_cast<Extended>(rec.Highest) - static_cast<Extended>(rec.Lowest)));
    const double rounded = RoundSpread(spread);
    const std::int32_t bandCount = slot.BandCount;
    if (bandCount <= 0) {
        return slot.Bands[0];
    }
    const std::int32_t validBands = bandCount < MaxBands ? bandCount : MaxBands;
    for (std::int32_t i = 0; i < validBands; ++i) {
        const TPriceBand& band = slot.Bands[i];
        if (rounded < band.SpreadFrom) {
            continue;
        }
        if (rounded <= band.SpreadTo) {
            return band;
        }
    }
    return slot.Bands[validBands - 1];
}

bool ComputeSignals(const TTableImage& table, TSignalRec& rec, TCalendarDate date, TDrawTrace* trace) {
    TRandom random(SeedFromDate(date), trace);
    const std::optional<std::string_view> name = ReadShortText(rec.Currency);
    if (!name) {
        return false;
    }
    const TCurrencySlot* slot = FindSlot(table, *name);
    if (slot == nullptr) {
        return false;
    }
    const std::int32_t decimals = slot->Decimals;
    auto draw = [&](const TOffsetRange& range) {
        return RandomInRange(random, decimals, range);
    };
    auto widen = [](double value) {
        return static_cast<Extended>(value);
    };

    const TPriceBand& band = FindBand(rec, *slot);
    rec.SellSig = static_cast<double>(widen(rec.Current) + draw(band.Sell));
    rec.BuySig = static_cast<double>(widen(rec.Current) + draw(band.Buy));

    // Trend adjustments, in this order; a price equal to Current adjusts neither side and draws nothing.
    if (rec.Price24 < rec.Current) {
        rec.BuySig = static_cast<double>(widen(rec.BuySig) + draw(slot->Buy24));
    }
    if (rec.Price48 < rec.Current) {
        rec.BuySig = static_cast<double>(widen(rec.BuySig) + draw(slot->Buy48));
    }
    if (rec.Price64 < rec.Current) {
        rec.BuySig = static_cast<double>(widen(rec.BuySig) + draw(slot->Buy72));
    }
    if (rec.Price24 > rec.Current) {
        rec.SellSig = static_cast<double>(widen(rec.SellSig) + draw(slot->Sell24));
    }
    if (rec.Price48 > rec.Current) {
        rec.SellSig = static_cast<double>(widen(rec.SellSig) + draw(slot->Sell48));
    }
    if (rec.Price64 > rec.Current) {
        rec.SellSig = static_cast<double>(widen(rec.SellSig) + draw(slot->Sell72));
    }

    // Stops and limits: the limit and the stop range are each drawn twice, independently.
    rec.BuyLimit = static_cast<double>(widen(rec.BuySig) + draw(slot->LimitRange));
    rec.SellLimit = static_cast<double>(widen(rec.SellSig) - draw(slot->LimitRange));
    rec.BuyStop = static_cast<double>(widen(rec.BuySig) + draw(slot->StopRange));
    rec.SellStop = static_cast<double>(widen(rec.SellSig) - draw(slot->StopRange));
    return true;
}

} // namespace sigeng
