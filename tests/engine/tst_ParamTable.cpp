#include "uParamTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

using namespace sigeng;

namespace {

constexpr TPriceBand OneBand[] = {{0.0, 1.0, {0.001, 0.002}, {-0.001, -0.002}}};

TCurrencySlot SlotNamed(std::string_view name) {
    return MakeSlot({.Name = name, .Decimals = 3, .Bands = OneBand});
}

TEST(ParamTable, BuiltInTableKeepsItsInvariants) {
    const TTableImage& table = BuiltInTable();
    std::set<std::string_view> names;
    for (int i = 0; i < 13; ++i) {
        const TCurrencySlot& slot = table.Slots[i];
        SCOPED_TRACE(std::string(slot.NameText()));
        ASSERT_NE(slot.Active, 0);
        EXPECT_GE(slot.Name[0], 1);
        EXPECT_LE(slot.Name[0], 8);
        EXPECT_TRUE(names.insert(slot.NameText()).second) << "names are distinct";
        EXPECT_EQ(slot.Decimals, slot.NameText().find("JPY") != std::string_view::npos ? 2 : 4);
        ASSERT_GE(slot.BandCount, 1);
        ASSERT_LE(slot.BandCount, MaxBands);
        for (int b = 0; b < slot.BandCount; ++b) {
            EXPECT_LE(slot.Bands[b].SpreadFrom, slot.Bands[b].SpreadTo) << "band " << b + 1;
            if (b > 0) {
                EXPECT_GT(slot.Bands[b].SpreadFrom, slot.Bands[b - 1].SpreadTo) << "band " << b + 1;
            }
            // Buy entries lie below the current price, sell entries above it.
            EXPECT_LT(slot.Bands[b].Buy.From, 0.0);
            EXPECT_GT(slot.Bands[b].Sell.From, 0.0);
        }
        EXPECT_LT(slot.StopRange.From, 0.0);
        EXPECT_GT(slot.LimitRange.From, 0.0);
    }
    // The slot name field is zero behind the name.
    for (std::size_t i = 1 + table.Slots[0].Name[0]; i < sizeof table.Slots[0].Name; ++i) {
        EXPECT_EQ(table.Slots[0].Name[i], 0);
    }
    const auto block = BuiltInTableBlock();
    const auto emptySlotsBegin = TableHeaderSize + 13 * sizeof(TCurrencySlot);
    for (std::size_t i = emptySlotsBegin; i < block.size(); ++i) {
        ASSERT_EQ(block[i], 0) << "slots 14 to 16 and the tail are zero, byte " << i;
    }
}

TEST(ParamTable, GbpChfSlotHoldsTheReferenceValues) {
    const TCurrencySlot* slot = FindSlot(BuiltInTable(), "GBP/CHF");
    ASSERT_EQ(slot, &BuiltInTable().Slots[0]);
    EXPECT_EQ(slot->Decimals, 4);
    EXPECT_EQ(slot->BandCount, 12);
    EXPECT_EQ(slot->Bands[4].SpreadFrom, 0.0141);
    EXPECT_EQ(slot->Bands[4].Sell.To, 0.0062);
    EXPECT_EQ(slot->Bands[11].SpreadTo, 0.05);
    EXPECT_EQ(slot->Bands[11].Buy.To, -0.0088);
    EXPECT_EQ(slot->Buy24.To, -0.001);
    EXPECT_EQ(slot->Sell72.To, 0.0006);
    EXPECT_EQ(slot->StopRange.From, -0.007);
    EXPECT_EQ(slot->LimitRange.To, 0.015);
}

TEST(ParamTable, FindSlotMatchesExactActiveNames) {
    TTableImage table{};
    table.Slots[2] = SlotNamed("EUR/USD");
    table.Slots[2].Active = 0; // inactive: never found, whatever its name
    table.Slots[5] = SlotNamed("EUR/USD");
    table.Slots[5].Decimals = 5;
    table.Slots[9] = SlotNamed("EUR/USD"); // duplicate: the lower slot wins
    EXPECT_EQ(FindSlot(table, "EUR/USD"), &table.Slots[5]);
    for (const char* name : {"eur/usd", "EUR/USD ", " EUR/USD", "EUR/US", "", "EUR/USDX"}) {
        EXPECT_EQ(FindSlot(table, name), nullptr) << '"' << name << '"';
    }
}

TEST(ParamTable, CurrencyNamesAppendToTheBuffer) {
    char buffer[1001] = {};
    EXPECT_TRUE(AppendCurrencyNames(BuiltInTable(), buffer));
    EXPECT_EQ(std::string(buffer).substr(0, 18), "GBP/CHF\r\nEUR/USD\r\n");
    EXPECT_EQ(std::strlen(buffer), 13u * 9u);

    TTableImage one{};
    one.Slots[3] = SlotNamed("GBP/CHF");
    char single[1001] = {};
    EXPECT_TRUE(AppendCurrencyNames(one, single));
    EXPECT_STREQ(single, "GBP/CHF\r\n");

    TTableImage none{};
    char empty[1001] = {};
    EXPECT_FALSE(AppendCurrencyNames(none, empty));
    EXPECT_STREQ(empty, "");
    char prefilled[1001] = "x";
    EXPECT_TRUE(AppendCurrencyNames(none, prefilled)) << "text already in the buffer counts";
    EXPECT_STREQ(prefilled, "x");
}

TEST(ParamTable, CurrencyNamesStopAtTheThousandCharacterCap) {
    TTableImage full{};
    for (int i = 0; i < MaxSlots; ++i) {
        const std::string name = "PAIR/" + std::to_string(100 + i); // 8 characters
        full.Slots[i] = SlotNamed(name);
    }
    char buffer[1001] = {};
    ASSERT_TRUE(AppendCurrencyNames(full, buffer));
    EXPECT_EQ(std::strlen(buffer), 160u);

    char nearCap[1001];
    std::memset(nearCap, 'a', 995);
    nearCap[995] = '\0';
    nearCap[1000] = 'z'; // the cap's terminator goes here
    ASSERT_TRUE(AppendCurrencyNames(full, nearCap));
    EXPECT_EQ(std::strlen(nearCap), 1000u);
    EXPECT_EQ(std::string(nearCap + 995), "PAIR/");
}

TEST(ParamTable, VersionWordCountsSlotsAndSumsTheBlock) {
    TTableImage one{};
    one.Slots[0] = SlotNamed("GBP/CHF");
    const auto block = MakeTableBlock(one);
    const std::uint32_t version = VersionWord(one, block);
    EXPECT_EQ(version >> 27, 1u);
    EXPECT_EQ((version >> 16) & 0xFF, 1u);
    std::uint32_t sum = 0;
    for (const std::uint8_t byte : block) {
        sum += byte;
    }
    EXPECT_EQ(version & 0xFFFF, sum % 65536);

    const std::uint32_t builtIn = VersionWord(BuiltInTable(), BuiltInTableBlock());
    EXPECT_EQ(builtIn & 0xFFFF0000u, (1u << 27) | (13u << 16));
}

} // namespace
