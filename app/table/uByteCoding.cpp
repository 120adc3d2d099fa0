#include "uByteCoding.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr std::uint64_t DoubleSignBit = std::uint64_t{1} << 63;
constexpr std::uint64_t DoubleFractionMask = (std::uint64_t{1} << 52) - 1;
constexpr std::uint64_t DoubleQuietNaN = 0x7FF8000000000000ull;
constexpr std::uint64_t DoubleInfinity = 0x7FF0000000000000ull;
constexpr std::uint64_t ExtendedIntegerBit = std::uint64_t{1} << 63;
constexpr int ExtendedBias = 16383;
constexpr int DoubleBias = 1023;

// Rounds significand / 2^shift to the nearest integer, ties to even; shift is 1..64.
std::uint64_t ShiftRightRounded(std::uint64_t significand, int shift) {
    const std::uint64_t kept = shift == 64 ? 0 : significand >> shift;
    const std::uint64_t dropped = shift == 64 ? significand : significand & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    if (dropped > half || (dropped == half && (kept & 1) != 0)) {
        return kept + 1;
    }
    return kept;
}

} // namespace

void TByteWriter::Reserve(qsizetype bytes) {
    if (bytes > FBytes.size() - FSize) {
        FBytes.resize(FSize + bytes);
        FData = FBytes.data();
    }
}

void TByteWriter::Grow(qsizetype count) {
    Reserve(std::max(count, FBytes.size())); // doubles the array at least
}

void TByteWriter::PutInt16(std::int16_t value) {
    StoreUInt16(Room(2), static_cast<std::uint16_t>(value));
}

void TByteWriter::PutInt32(std::int32_t value) {
    StoreUInt32(Room(4), static_cast<std::uint32_t>(value));
}

void TByteWriter::PutBytes(QByteArrayView bytes) {
    if (!bytes.isEmpty()) {
        std::memcpy(Room(bytes.size()), bytes.data(), static_cast<std::size_t>(bytes.size()));
    }
}

QByteArray TByteWriter::TakeBytes() {
    FBytes.truncate(FSize);
    FData = nullptr;
    FSize = 0;
    return std::move(FBytes);
}

void WriteExtended(double value, char* tenBytes) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const bool negative = (bits & DoubleSignBit) != 0;
    const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
    const std::uint64_t fraction = bits & DoubleFractionMask;

    std::uint64_t significand = 0;
    int extendedExponent = 0;
    if (exponent == 0x7FF) {
        // Infinity keeps only the integer bit; a NaN keeps its payload, quiet bit included.
        extendedExponent = 0x7FFF;
        significand = ExtendedIntegerBit | (fraction << 11);
    } else if (exponent != 0) {
        extendedExponent = exponent - DoubleBias + ExtendedBias;
        significand = ExtendedIntegerBit | (fraction << 11);
    } else if (fraction != 0) {
        // A denormal double is normal in the wider exponent range: shift its leading one up to bit 63.
        const int shift = std::countl_zero(fraction);
        significand = fraction << shift;
        extendedExponent = 1 - DoubleBias - 52 + 63 - shift + ExtendedBias;
    }
    StoreUInt64(tenBytes, significand);
    StoreUInt16(tenBytes + 8, static_cast<std::uint16_t>((negative ? 0x8000 : 0) | extendedExponent));
}

double DoubleFromUncommonExtended(const char* tenBytes) {
    const std::uint64_t significand = TByteReader::LoadUInt64(tenBytes);
    const int signAndExponent = TByteReader::LoadUInt16(tenBytes + 8);
    const std::uint64_t sign = (signAndExponent & 0x8000) != 0 ? DoubleSignBit : 0;
    const int exponent = signAndExponent & 0x7FFF;

    if (exponent == 0) {
        // Denormals and pseudo-denormals lie below 2^-16381, far under the smallest double.
        return std::bit_cast<double>(sign);
    }
    if ((significand & ExtendedIntegerBit) == 0) {
        return std::bit_cast<double>(sign | DoubleQuietNaN); // unnormal, pseudo-infinity or pseudo-NaN
    }
    if (exponent == 0x7FFF) {
        const std::uint64_t payload = significand & ~ExtendedIntegerBit;
        if (payload == 0) {
            return std::bit_cast<double>(sign | DoubleInfinity);
        }
        return std::bit_cast<double>(sign | DoubleQuietNaN | (payload >> 11));
    }

    int unbiased = exponent - ExtendedBias; // the value is 1.xxx * 2^unbiased
    if (unbiased > DoubleBias) {
        return std::bit_cast<double>(sign | DoubleInfinity);
    }
    if (unbiased >= 1 - DoubleBias) {
        std::uint64_t rounded = ShiftRightRounded(significand, 11);
        if (rounded == (std::uint64_t{1} << 53)) {
            rounded >>= 1;
            ++unbiased;
            if (unbiased > DoubleBias) {
                return std::bit_cast<double>(sign | DoubleInfinity);
            }
        }
        const auto biased = static_cast<std::uint64_t>(unbiased + DoubleBias);
        return std::bit_cast<double>(sign | (biased << 52) | (rounded & DoubleFractionMask));
    }
    // A double denormal counts units of 2^-1074; the significand's last bit is worth 2^(unbiased - 63).
    const int shift = -1074 - (unbiased - 63);
    if (shift > 64) {
        return std::bit_cast<double>(sign);
    }
    // Rounding up to 2^52 lands on the smallest normal, whose bit pattern is the same number.
    return std::bit_cast<double>(sign | ShiftRightRounded(significand, shift));
}
