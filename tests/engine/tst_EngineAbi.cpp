// The engine as the program meets it: the shipped shared library loaded by path, its exports looked up by name.

#include "TSignalRec.h"
#include "TestPaths.h"
#include "WorkedExample.h"
#include "sigeng.h"
#include "uParamTable.h"
#include "uSignalCompute.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <array>
#include <cstring>
#include <ctime>
#include <memory>

namespace {

class EngineAbi : public ::testing::Test {
protected:
    void SetUp() override {
        FHandle.reset(dlopen(EngineLibraryPath, RTLD_NOW | RTLD_LOCAL));
        ASSERT_NE(FHandle, nullptr) << dlerror();
        FCompute = reinterpret_cast<TFxCompute>(dlsym(FHandle.get(), "fx_compute"));
        FCurrDecimal = reinterpret_cast<TFxCurrDecimal>(dlsym(FHandle.get(), "fx_currdecimal"));
        FCurrNames = reinterpret_cast<TFxCurrNames>(dlsym(FHandle.get(), "fx_currnames"));
        FVersion = reinterpret_cast<TFxVersion>(dlsym(FHandle.get(), "fx_version"));
        ASSERT_TRUE(FCompute && FCurrDecimal && FCurrNames && FVersion);
    }

    struct TCloser {
        void operator()(void* handle) const { dlclose(handle); }
    };
    std::unique_ptr<void, TCloser> FHandle;
    TFxCompute FCompute = nullptr;
    TFxCurrDecimal FCurrDecimal = nullptr;
    TFxCurrNames FCurrNames = nullptr;
    TFxVersion FVersion = nullptr;
};

// A record whose every byte is distinct, so that any stray write shows.
std::array<std::uint8_t, sizeof(TSignalRec)> PatternedRecord(std::string_view pair) {
    std::array<std::uint8_t, sizeof(TSignalRec)> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    TSignalRec rec;
    std::memcpy(&rec, bytes.data(), sizeof rec);
    WriteShortText(rec.Currency, pair);
    rec.Current = 1.5;
    rec.Highest = 1.51;
    rec.Lowest = 1.49;
    rec.Price24 = 1.4;
    rec.Price48 = 1.6;
    rec.Price64 = 1.5;
    std::memcpy(bytes.data(), &rec, sizeof rec);
    return bytes;
}

TEST_F(EngineAbi, UnknownPairLeavesAllBytesAndReturnsZero) {
    auto bytes = PatternedRecord("XXX/YYY");
    const auto before = bytes;
    EXPECT_EQ(FCompute(reinterpret_cast<TSignalRec*>(bytes.data())), 0);
    EXPECT_EQ(bytes, before);
}

TEST_F(EngineAbi, KnownPairChangesOnlyTheSixOutputs) {
    for (const char* pair : {"GBP/CHF", "USD/JPY", "CHF/JPY"}) {
        auto bytes = PatternedRecord(pair);
        const auto before = bytes;
        EXPECT_EQ(FCompute(reinterpret_cast<TSignalRec*>(bytes.data())), -1) << pair;
        int changed = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (i < 48 || i >= 96) {
                EXPECT_EQ(bytes[i], before[i]) << pair << " byte " << i;
            } else {
                changed += bytes[i] != before[i] ? 1 : 0;
            }
        }
        EXPECT_GT(changed, 0) << pair;
    }
}

TEST_F(EngineAbi, RecordAtAnOddAddressIsComputedInPlace) {
    alignas(8) std::uint8_t storage[sizeof(TSignalRec) + 1];
    const auto bytes = PatternedRecord("GBP/CHF");
    std::memcpy(storage + 1, bytes.data(), bytes.size());
    EXPECT_EQ(FCompute(reinterpret_cast<TSignalRec*>(storage + 1)), -1);
    EXPECT_EQ(std::memcmp(storage + 1, bytes.data(), 48), 0);
}

// The export takes today's local date; asked twice within a second, the kept date must be the same date.
TEST_F(EngineAbi, ComputesWithTodaysLocalDate) {
    for (int call = 0; call < 2; ++call) {
        const std::time_t before = std::time(nullptr);
        TSignalRec exported = WorkedExampleRecord();
        TSignalRec internal = exported;
        ASSERT_EQ(FCompute(&exported), -1);
        if (std::time(nullptr) != before) {
            continue; // the clock ticked over during the call; the date may have changed with it
        }
        std::tm local{};
        localtime_r(&before, &local);
        sigeng::ComputeSignals(sigeng::BuiltInTable(), internal,
                               {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday});
        EXPECT_EQ(std::memcmp(&exported, &internal, sizeof exported), 0) << "call " << call;
    }
}

TEST_F(EngineAbi, CurrencyDecimals) {
    struct Case {
        const char* Name;
        std::int32_t Decimals;
    };
    for (const Case& c : {Case{"GBP/CHF", 4}, Case{"EUR/USD", 4}, Case{"USD/JPY", 2}, Case{"CHF/JPY", 2},
                          Case{"gbp/chf", 4}, Case{"usd/jpy", 4}, Case{"XXX/JPY", 4}, Case{"", 4}}) {
        EXPECT_EQ(FCurrDecimal(c.Name), c.Decimals) << '"' << c.Name << '"';
    }
    EXPECT_EQ(FCurrDecimal(nullptr), 4);
}

TEST_F(EngineAbi, CurrencyNames) {
    char empty[1001] = {};
    EXPECT_EQ(FCurrNames(empty), -1);
    EXPECT_EQ(std::strlen(empty), 13u * 9u);
    EXPECT_EQ(std::string(empty, 9), "GBP/CHF\r\n");
    EXPECT_EQ(std::string(empty + 12 * 9), "CHF/JPY\r\n");

    char nearCap[1001];
    std::memset(nearCap, 'x', 996);
    nearCap[996] = '\0';
    EXPECT_EQ(FCurrNames(nearCap), -1);
    EXPECT_EQ(std::strlen(nearCap), 1000u);
    EXPECT_EQ(std::string(nearCap + 996), "GBP/");
}

TEST_F(EngineAbi, VersionWordRecomputedFromTheTableBlock) {
    const auto block = sigeng::BuiltInTableBlock();
    ASSERT_EQ(block.size(), 16385u);
    std::uint32_t sum = 0;
    for (const std::uint8_t byte : block) {
        sum += byte;
    }
    std::uint32_t activeSlots = 0;
    for (int slot = 0; slot < 16; ++slot) {
        activeSlots += block[24 + slot * 920] != 0 ? 1 : 0;
    }
    EXPECT_EQ(activeSlots, 13u);
    EXPECT_EQ(FVersion(), 134217728u + activeSlots * 65536u + sum % 65536u);
}

} // namespace
