// The four exports of the engine library. Nothing here throws: every path ends in a plain return value.

#include "sigeng.h"

#include "TSignalRec.h"
#include "uParamTable.h"
#include "uSignalCompute.h"

#include <atomic>
#include <cstring>
#include <ctime>

namespace {

// Today's local calendar date. The time-zone conversion costs as much as the computation, so the answer is
// kept for the second it was asked in: the second (40 bits) and the date (year 15 bits, month 4, day 5) packed
// into one atomic word, which needs no thread-local storage and can never be read half-written.
sigeng::TCalendarDate LocalDate() {
    static std::atomic<std::uint64_t> cached{0};
    const std::time_t now = std::time(nullptr);
    const auto second = static_cast<std::uint64_t>(now) & 0xFFFFFFFFFFull;
    const std::uint64_t packed = cached.load(std::memory_order_relaxed);
    if (packed != 0 && packed >> 24 == second) {
        return {static_cast<int>(packed >> 9 & 0x7FFF), static_cast<int>(packed >> 5 & 0xF),
                static_cast<int>(packed & 0x1F)};
    }
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    const sigeng::TCalendarDate date{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
    if (date.Year >= 0 && date.Year < 0x8000) {
        const auto day = static_cast<std::uint64_t>(date.Year) << 9 | static_cast<std::uint64_t>(date.Month) << 5 |
                         static_cast<std::uint64_t>(date.Day);
        cached.store(second << 24 | day, std::memory_order_relaxed);
    }
    return date;
}

} // namespace

extern "C" {

std::int32_t SIGENG_CALL fx_compute(TSignalRec* rec) {
    if (rec == nullptr) {
        return 0;
    }
    // Work on a copy so that a caller's record, however aligned, sees only its six outputs written.
    TSignalRec work;
    std::memcpy(&work, rec, sizeof work);
    if (!sigeng::ComputeSignals(sigeng::BuiltInTable(), work, LocalDate())) {
        return 0;
    }
    constexpr std::size_t outputsBegin = offsetof(TSignalRec, BuyLimit);
    constexpr std::size_t outputsEnd = offsetof(TSignalRec, SellStop) + sizeof(double);
    std::memcpy(reinterpret_cast<unsigned char*>(rec) + outputsBegin,
                reinterpret_cast<const unsigned char*>(&work) + outputsBegin, outputsEnd - outputsBegin);
    return -1;
}

std::int32_t SIGENG_CALL fx_currdecimal(const char* name) {
    const std::string_view text = name != nullptr ? std::string_view(name) : std::string_view();
    const sigeng::TCurrencySlot* slot = sigeng::FindSlot(sigeng::BuiltInTable(), text);
    return slot != nullptr ? slot->Decimals : 4;
}

std::int32_t SIGENG_CALL fx_currnames(char* buffer) {
    if (buffer == nullptr) {
        return 0;
    }
    return sigeng::AppendCurrencyNames(sigeng::BuiltInTable(), buffer) ? -1 : 0;
}

std::uint32_t SIGENG_CALL fx_version() {
    return sigeng::VersionWord(sigeng::BuiltInTable(), sigeng::BuiltInTableBlock());
}
}
