// The four exports of the engine library. Nothing here throws: every path ends in a plain return value.

#include "sigeng.h"

#include "TSignalRec.h"
#include "uParamTable.h"
#include "uSignalCompute.h"

#include <cstring>
#include <ctime>

namespace {

// Today's local calendar date. The last answer is kept for the second it was asked in, because the
// time-zone conversion costs more than the whole computation.
sigeng::TCalendarDate LocalDate() {
    thread_local std::time_t cachedSecond = -1;
    thread_local sigeng::TCalendarDate cachedDate{};
    const std::time_t now = std::time(nullptr);
    if (now != cachedSecond) {
        std::tm local{};
#if defined(_WIN32)
        localtime_s(&local, &now);
#else
        localtime_r(&now, &local);
#endif
        cachedDate = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
        cachedSecond = now;
    }
    return cachedDate;
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
