// Byte coding: bounds-checked reading and the exact double <-> 80-bit extended conversion.

#include "uByteCoding.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

namespace {

TExtendedBytes MakeExtended(std::uint64_t significand, int signAndExponent) {
    TExtendedBytes bytes{};
    for (int i = 0; i < 8; ++i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(significand >> (8 * i));
    }
    bytes[8] = static_cast<std::uint8_t>(signAndExponent);
    bytes[9] = static_cast<std::uint8_t>(signAndExponent >> 8);
    return bytes;
}

std::uint64_t Bits(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

TEST(ByteReader, GettersStopAtTheEndWithoutMoving) {
    const char data[] = {0x01, 0x02, 0x03};
    TByteReader in(QByteArrayView(data, 3));
    std::int32_t i32 = 0;
    EXPECT_FALSE(in.GetInt32(i32));
    EXPECT_EQ(in.Position(), 0);
    std::int16_t i16 = 0;
    ASSERT_TRUE(in.GetInt16(i16));
    EXPECT_EQ(i16, 0x0201);
    QByteArrayView bytes;
    EXPECT_FALSE(in.GetBytes(2, bytes));
    EXPECT_FALSE(in.GetBytes(-1, bytes));
    std::int64_t i64 = 0;
    EXPECT_FALSE(in.GetInt64(i64));
    ASSERT_TRUE(in.GetBytes(1, bytes));
    EXPECT_EQ(bytes, QByteArrayView("\x03"));
    std::uint8_t byte = 0;
    EXPECT_FALSE(in.PeekByte(byte));
    EXPECT_FALSE(in.GetByte(byte));
    EXPECT_EQ(in.Remaining(), 0);
}

TEST(ByteWriter, WritesLittleEndian) {
    TByteWriter out;
    out.PutInt16(-2);
    out.PutInt32(0x12345678);
    EXPECT_EQ(out.Bytes(), QByteArray::fromHex("feff78563412"));
}

TEST(ByteWriter, GrowsPastWhatWasReservedAndHandsOverExactlyTheBytesWritten) {
    TByteWriter out;
    out.Reserve(3);
    QByteArray expected;
    for (int i = 0; i < 5000; ++i) {
        out.PutByte(static_cast<std::uint8_t>(i));
        expected.append(static_cast<char>(i));
        out.PutInt32(i * 7919);
        for (int shift = 0; shift < 32; shift += 8) {
            expected.append(static_cast<char>((i * 7919) >> shift));
        }
        out.PutBytes(QByteArrayView("xyz", i % 4));
        expected.append("xyz", i % 4);
    }
    EXPECT_EQ(out.Bytes(), expected);
    EXPECT_EQ(out.TakeBytes(), expected);
    EXPECT_TRUE(out.Bytes().isEmpty());
    out.PutInt16(-2);
    EXPECT_EQ(out.TakeBytes(), QByteArray::fromHex("feff")) << "the writer can be used again";
}

struct TExtendedCase {
    double Value;
    const char* Hex; // the ten bytes as stored
};

TEST(Extended, KnownValuesConvertBothWaysExactly) {
    const TExtendedCase cases[] = {
        {1.0, "0000000000000080ff3f"},
        {37472.0, "0000000000006092"
                  "0e40"},
        {0.0, "00000000000000000000"},
        {-0.0, "00000000000000000080"},
        {-2.5, "00000000000000a000c0"},
        {std::numeric_limits<double>::infinity(), "0000000000000080ff7f"},
        {-std::numeric_limits<double>::infinity(), "0000000000000080ffff"},
        {std::numeric_limits<double>::denorm_min(), "0000000000000080cd3b"},
        {std::numeric_limits<double>::max(), "00f8ffffffffffff fe43"},
    };
    for (const TExtendedCase& c : cases) {
        const TExtendedBytes bytes = ExtendedFromDouble(c.Value);
        const QByteArray hex = QByteArray::fromHex(c.Hex);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(bytes.data()), 10), hex) << c.Value;
        EXPECT_EQ(Bits(DoubleFromExtended(bytes)), Bits(c.Value)) << c.Value;
    }
}

TEST(Extended, EveryDoubleSurvivesTheRoundTrip) {
    std::mt19937_64 random(20020804);
    for (int i = 0; i < 200000; ++i) {
        std::uint64_t bits = random();
        if (i % 4 == 0) {
            bits &= 0x800FFFFFFFFFFFFFull; // denormals
        }
        const double value = std::bit_cast<double>(bits);
        const double back = DoubleFromExtended(ExtendedFromDouble(value));
        if (std::isnan(value)) {
            ASSERT_TRUE(std::isnan(back));
        } else {
            ASSERT_EQ(Bits(back), bits) << std::hex << bits;
        }
    }
}

struct TRoundingCase {
    const char* Name;
    std::uint64_t Significand;
    int SignAndExponent;
    double Expected;
};

TEST(Extended, ReadingRoundsToTheNearestDouble) {
    const double min = std::numeric_limits<double>::min();
    const double denorm = std::numeric_limits<double>::denorm_min();
    const double inf = std::numeric_limits<double>::infinity();
    const TRoundingCase cases[] = {
        {"tie goes to even (down)", 0x8000000000000400ull, 0x3FFF, 1.0},
        {"tie goes to even (up)", 0x8000000000000C00ull, 0x3FFF, 1.0 + 2 * std::ldexp(1.0, -52)},
        {"above half rounds up", 0x8000000000000401ull, 0x3FFF, 1.0 + std::ldexp(1.0, -52)},
        {"carry into the exponent", 0xFFFFFFFFFFFFFFFFull, 0x3FFF, 2.0},
        {"rounds past the largest double", 0xFFFFFFFFFFFFFFFFull, 0x3FFF + 1023, inf},
        {"beyond the double range", 0x8000000000000000ull, 0x3FFF + 1024, inf},
        {"negative beyond the range", 0x8000000000000000ull, 0x8000 | (0x3FFF + 5000), -inf},
        {"smallest normal", 0x8000000000000000ull, 0x3FFF - 1022, min},
        {"denormal result", 0x8000000000000000ull, 0x3FFF - 1073, 2 * denorm},
        {"half the smallest denormal ties to zero", 0x8000000000000000ull, 0x3FFF - 1075, 0.0},
        {"above half the smallest denormal", 0x8000000000000001ull, 0x3FFF - 1075, denorm},
        {"denormal rounding up to the smallest normal", 0xFFFFFFFFFFFFFFFFull, 0x3FFF - 1023, min},
        {"far below the range", 0xFFFFFFFFFFFFFFFFull, 0x0001, 0.0},
        {"extended denormal", 0x00000000FFFFFFFFull, 0x0000, 0.0},
        {"pseudo-denormal", 0x8000000000000000ull, 0x8000, -0.0},
    };
    for (const TRoundingCase& c : cases) {
        const double value = DoubleFromExtended(MakeExtended(c.Significand, c.SignAndExponent));
        EXPECT_EQ(Bits(value), Bits(c.Expected)) << c.Name;
    }
}

TEST(Extended, TheQuickConversionAgreesWithTheStepByStepOneAndWithTheX87) {
    // DoubleFromExtended converts the normal numbers of the double range itself and leaves all others to
    // DoubleFromUncommonExtended. Both must agree on every encoding, and with the processor's own conversion on
    // every encoding it loads.
    std::mt19937_64 random(37472);
    const int edges[] = {0x3FFF - 1022, 0x3FFF + 1023, 0x3FFF - 1074, 0x3FFF};
    for (int i = 0; i < 400000; ++i) {
        std::uint64_t significand = random();
        switch (i % 4) {
        case 0:
            significand = (significand & ~std::uint64_t{0x7FF}) | 0x400; // a tie
            break;
        case 1:
            significand |= 0x7FF; // rounds up, maybe into the exponent
            break;
        default:
            break;
        }
        const int exponent =
            i % 2 == 0 ? edges[(i / 2) % 4] + static_cast<int>(random() % 9) - 4 : static_cast<int>(random() % 0x8000);
        const TExtendedBytes bytes = MakeExtended(significand, exponent | (random() % 2 == 0 ? 0 : 0x8000));
        const double quick = DoubleFromExtended(bytes);
        const double stepwise = DoubleFromUncommonExtended(reinterpret_cast<const char*>(bytes.data()));
        ASSERT_EQ(Bits(quick), Bits(stepwise)) << std::hex << significand << " " << exponent;
        if ((significand >> 63) != 0 || exponent == 0) {
            long double loaded = 0;
            std::memcpy(&loaded, bytes.data(), bytes.size());
            const double x87 = static_cast<double>(loaded);
            if (std::isnan(x87)) {
                ASSERT_TRUE(std::isnan(quick));
            } else {
                ASSERT_EQ(Bits(quick), Bits(x87)) << std::hex << significand << " " << exponent;
            }
        }
    }
}

TEST(Extended, EncodingsTheX87RefusesReadAsNaN) {
    const std::pair<std::uint64_t, int> refused[] = {
        {0x4000000000000000ull, 0x3FFF}, // unnormal: exponent set, integer bit clear
        {0x0000000000000000ull, 0x7FFF}, // pseudo-infinity
        {0x4000000000000000ull, 0x7FFF}, // pseudo-NaN
        {0xC000000000000000ull, 0xFFFF}, // real indefinite, a genuine NaN
        {0x8000000000000001ull, 0x7FFF}, // signalling NaN, read quiet
    };
    for (const auto& [significand, exponent] : refused) {
        EXPECT_TRUE(std::isnan(DoubleFromExtended(MakeExtended(significand, exponent)))) << std::hex << significand;
    }
}

} // namespace
