#include "TSignalRec.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

std::array<std::uint8_t, sizeof(TSignalRec)> BytesOf(const TSignalRec& rec) {
    std::array<std::uint8_t, sizeof(TSignalRec)> bytes{};
    std::memcpy(bytes.data(), &rec, sizeof rec);
    return bytes;
}

TEST(SignalRec, NewRecordHoldsOnlyThePairName) {
    const auto bytes = BytesOf(MakeEmptySignalRec("GBP/CHF"));
    EXPECT_EQ(bytes[0], 7);
    EXPECT_EQ(std::memcmp(bytes.data() + 1, "GBP/CHF", 7), 0);
    for (std::size_t i = 8; i < bytes.size(); ++i) {
        EXPECT_EQ(bytes[i], 0) << "byte " << i;
    }
}

TEST(SignalRec, ShortTextKeepsAtMostEightCharacters) {
    struct Case {
        const char* Written;
        const char* Read;
    };
    for (const Case& c : {Case{"", ""}, Case{"0930", "0930"}, Case{"ABCDEFGH", "ABCDEFGH"},
                          Case{"ABCDEFGHIJ", "ABCDEFGH"}, Case{"123456789", "12345678"}}) {
        TSignalRec rec = MakeEmptySignalRec("");
        std::memset(rec.Time, 0xAA, sizeof rec.Time);
        WriteShortText(rec.Time, c.Written);
        EXPECT_EQ(rec.Time[0], std::strlen(c.Read));
        EXPECT_EQ(ReadShortText(rec.Time).value(), c.Read);
        EXPECT_EQ(rec.Pad2[0], 0) << "writing must stay inside the field";
    }
}

TEST(SignalRec, LengthAboveEightIsNoText) {
    TSignalRec rec = MakeEmptySignalRec("GBP/CHF");
    rec.Currency[0] = 9;
    EXPECT_FALSE(ReadShortText(rec.Currency).has_value());
    rec.Currency[0] = 255;
    EXPECT_FALSE(ReadShortText(rec.Currency).has_value());
}

} // namespace
