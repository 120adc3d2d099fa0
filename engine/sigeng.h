#pragma once

// The engine library's public interface: four plain C functions, looked up by name at run time.
// Truth values are -1 for true and 0 for false; callers take any nonzero value as true.

#include <cstdint>

struct TSignalRec;

#if defined(_WIN32) && !defined(_WIN64)
#define SIGENG_CALL __stdcall
#else
#define SIGENG_CALL
#endif

#if defined(_WIN32)
#define SIGENG_EXPORT __declspec(dllexport)
#else
#define SIGENG_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

// Computes the buy and sell signals of rec in place from today's local date; -1 when the pair is known,
// 0 (record untouched) otherwise.
SIGENG_EXPORT std::int32_t SIGENG_CALL fx_compute(TSignalRec* rec);

// Decimals of the named pair (zero-terminated; null counts as empty), 4 for an unknown pair.
SIGENG_EXPORT std::int32_t SIGENG_CALL fx_currdecimal(const char* name);

// Appends "name\r\n" for every known pair to the zero-terminated text in buffer (at least 1001 bytes), keeping
// the text at most 1000 characters; -1 when the text is non-empty afterwards.
SIGENG_EXPORT std::int32_t SIGENG_CALL fx_currnames(char* buffer);

// 2^27 + (number of pairs) * 2^16 + (byte sum of the parameter table mod 2^16).
SIGENG_EXPORT std::uint32_t SIGENG_CALL fx_version();
}

// Function types of the exports, for callers that look them up by name.
using TFxCompute = std::int32_t(SIGENG_CALL*)(TSignalRec*);
using TFxCurrDecimal = std::int32_t(SIGENG_CALL*)(const char*);
using TFxCurrNames = std::int32_t(SIGENG_CALL*)(char*);
using TFxVersion = std::uint32_t(SIGENG_CALL*)();
