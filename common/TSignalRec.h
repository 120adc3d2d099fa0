#pragma once

// The 136-byte record of one signal computation. It crosses the boundary between the program and the
// engine library by address, so its layout is fixed byte for byte: little-endian, doubles at multiples of 8,
// short texts as a length byte followed by at most 8 single-byte characters.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <type_traits>

static_assert(std::endian::native == std::endian::little, "TSignalRec is a little-endian binary interface");

// A length byte followed by up to ShortTextCapacity characters; bytes behind the length have no meaning.
inline constexpr std::size_t ShortTextCapacity = 8;
using TShortText = std::uint8_t[1 + ShortTextCapacity];

struct TSignalRec {
    TShortText Currency; // pair name, e.g. "GBP/CHF"
    std::uint8_t Pad1[7];
    double Date;     // days since 30 December 1899
    TShortText Time; // hhnn without separator, e.g. "0930"
    std::uint8_t Pad2[7];
    double Current; // inputs and outputs follow in this fixed order
    double BuyLimit;
    double BuySig;
    double BuyStop;
    double SellLimit;
    double SellSig;
    double SellStop;
    double Highest;
    double Lowest;
    double Price24;
    double Price48;
    double Price64; // the price 72 hours ago
};

static_assert(std::is_standard_layout_v<TSignalRec> && std::is_trivially_copyable_v<TSignalRec>);
static_assert(sizeof(double) == 8 && alignof(double) == 8);
static_assert(sizeof(TSignalRec) == 136);
static_assert(offsetof(TSignalRec, Currency) == 0);
static_assert(offsetof(TSignalRec, Pad1) == 9);
static_assert(offsetof(TSignalRec, Date) == 16);
static_assert(offsetof(TSignalRec, Time) == 24);
static_assert(offsetof(TSignalRec, Pad2) == 33);
static_assert(offsetof(TSignalRec, Current) == 40);
static_assert(offsetof(TSignalRec, BuyLimit) == 48);
static_assert(offsetof(TSignalRec, BuySig) == 56);
static_assert(offsetof(TSignalRec, BuyStop) == 64);
static_assert(offsetof(TSignalRec, SellLimit) == 72);
static_assert(offsetof(TSignalRec, SellSig) == 80);
static_assert(offsetof(TSignalRec, SellStop) == 88);
static_assert(offsetof(TSignalRec, Highest) == 96);
static_assert(offsetof(TSignalRec, Lowest) == 104);
static_assert(offsetof(TSignalRec, Price24) == 112);
static_assert(offsetof(TSignalRec, Price48) == 120);
static_assert(offsetof(TSignalRec, Price64) == 128);

// Writes at most the first 8 characters of text and sets the length byte to the number kept.
inline void WriteShortText(TShortText& field, std::string_view text) {
    const std::size_t kept = std::min(text.size(), ShortTextCapacity);
    field[0] = static_cast<std::uint8_t>(kept);
    std::memcpy(field + 1, text.data(), kept);
}

// The length byte's number of characters. A length above 8 (a damaged record from a caller) is not a text
// at all: the result is empty-handed rather than a read past the field.
inline std::optional<std::string_view> ReadShortText(const TShortText& field) {
    if (field[0] > ShortTextCapacity) {
        return std::nullopt;
    }
    return std::string_view(reinterpret_cast<const char*>(field + 1), field[0]);
}

// A record as "New record" makes it: all bytes zero, then the pair name.
inline TSignalRec MakeEmptySignalRec(std::string_view currency) {
    TSignalRec rec;
    std::memset(&rec, 0, sizeof rec);
    WriteShortText(rec.Currency, currency);
    return rec;
}
