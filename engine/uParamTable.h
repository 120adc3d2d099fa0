#pragma once

// The engine's parameter table: up to 16 currency slots with the bands and ranges every computation draws
// from. The table is constant data; its byte image (the "table block") is fixed because fx_version
// checksums it, so the structures below mirror that image exactly.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace sigeng {

inline constexpr int MaxSlots = 16;
inline constexpr int MaxBands = 16;
inline constexpr std::size_t TableHeaderSize = 24;
inline constexpr std::size_t TableBlockSize = 16385;
inline constexpr std::size_t SlotNameCapacity = 11;

struct TOffsetRange {
    double From;
    double To;
};

struct TPriceBand {
    double SpreadFrom; // smallest rounded 24-hour spread that selects the band
    double SpreadTo;   // largest one
    TOffsetRange Sell; // offset of SellSig from Current
    TOffsetRange Buy;  // offset of BuySig from Current
};

// One slot as it lies in the table block (920 bytes, no hidden padding).
struct TCurrencySlot {
    std::uint8_t Active; // nonzero: the slot holds a pair
    std::uint8_t Pad[3];
    std::int32_t BandCount;
    std::uint8_t Name[1 + SlotNameCapacity]; // length byte, then the characters, zero behind them
    std::int32_t Decimals;                   // also the step of every draw: 10^-Decimals
    TPriceBand Bands[MaxBands];
    TOffsetRange Sell24;
    TOffsetRange Buy24;
    TOffsetRange Sell48;
    TOffsetRange Buy48;
    TOffsetRange Sell72;
    TOffsetRange Buy72;
    TOffsetRange StopRange;
    TOffsetRange LimitRange;

    std::string_view NameText() const {
        return {reinterpret_cast<const char*>(Name + 1), Name[0] <= SlotNameCapacity ? Name[0] : SlotNameCapacity};
    }
};

struct TTableImage {
    std::uint8_t Header[TableHeaderSize];
    TCurrencySlot Slots[MaxSlots];
};

static_assert(sizeof(TOffsetRange) == 16 && sizeof(TPriceBand) == 48);
static_assert(offsetof(TCurrencySlot, BandCount) == 4 && offsetof(TCurrencySlot, Name) == 8);
static_assert(offsetof(TCurrencySlot, Decimals) == 20 && offsetof(TCurrencySlot, Bands) == 24);
static_assert(offsetof(TCurrencySlot, Sell24) == 792 && offsetof(TCurrencySlot, Buy24) == 808);
static_assert(offsetof(TCurrencySlot, Sell48) == 824 && offsetof(TCurrencySlot, Buy48) == 840);
static_assert(offsetof(TCurrencySlot, Sell72) == 856 && offsetof(TCurrencySlot, Buy72) == 872);
static_assert(offsetof(TCurrencySlot, StopRange) == 888 && offsetof(TCurrencySlot, LimitRange) == 904);
static_assert(sizeof(TCurrencySlot) == 920);
static_assert(sizeof(TTableImage) == TableHeaderSize + MaxSlots * 920);

// A slot as written in source: named fields, bands as a list.
struct TCurrencySlotSource {
    std::string_view Name;
    std::int32_t Decimals = 0;
    std::span<const TPriceBand> Bands;
    TOffsetRange Sell24{};
    TOffsetRange Buy24{};
    TOffsetRange Sell48{};
    TOffsetRange Buy48{};
    TOffsetRange Sell72{};
    TOffsetRange Buy72{};
    TOffsetRange StopRange{};
    TOffsetRange LimitRange{};
};

// An active slot filled from its source; every byte not set is zero.
constexpr TCurrencySlot MakeSlot(const TCurrencySlotSource& source) {
    TCurrencySlot slot{};
    slot.Active = 1;
    slot.BandCount = static_cast<std::int32_t>(source.Bands.size());
    slot.Name[0] = static_cast<std::uint8_t>(source.Name.size());
    for (std::size_t i = 0; i < source.Name.size() && i < SlotNameCapacity; ++i) {
        slot.Name[1 + i] = static_cast<std::uint8_t>(source.Name[i]);
    }
    slot.Decimals = source.Decimals;
    for (std::size_t i = 0; i < source.Bands.size() && i < MaxBands; ++i) {
        slot.Bands[i] = source.Bands[i];
    }
    slot.Sell24 = source.Sell24;
    slot.Buy24 = source.Buy24;
    slot.Sell48 = source.Sell48;
    slot.Buy48 = source.Buy48;
    slot.Sell72 = source.Sell72;
    slot.Buy72 = source.Buy72;
    slot.StopRange = source.StopRange;
    slot.LimitRange = source.LimitRange;
    return slot;
}

// The table built into the library, and its 16 385-byte block (header, slots, zero tail).
const TTableImage& BuiltInTable();
std::span<const std::uint8_t, TableBlockSize> BuiltInTableBlock();

// The block of any table image: its bytes followed by the zero tail.
std::array<std::uint8_t, TableBlockSize> MakeTableBlock(const TTableImage& table);

// The first active slot whose name has exactly these bytes, or null.
const TCurrencySlot* FindSlot(const TTableImage& table, std::string_view name);

// fx_currnames on a given table: appends the active names to the text in buffer (at least 1001 bytes).
bool AppendCurrencyNames(const TTableImage& table, char* buffer);

// fx_version of a given table.
std::uint32_t VersionWord(const TTableImage& table, std::span<const std::uint8_t, TableBlockSize> block);

} // namespace sigeng
