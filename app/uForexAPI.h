#pragma once

// The program's only link to the engine library, and the routines the whole program shares: the fixed list
// of currency pairs, files next to the program, and the common error message. The engine is loaded for the
// length of one call and unloaded before the call returns; no handle or result is kept.

#include "TFailure.h"
#include "uPlatform.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

struct TSignalRec;

// Full path of a file in the program's directory: the directory, one separator, the name, with every doubled
// separator collapsed.
QString AppFilePath(const QString& name);

// The rule behind AppFilePath, on a given directory and separator.
QString JoinAppPath(const QString& directory, const QString& name, QChar separator);

// Whether the engine library file exists next to the program.
bool EngineExists();

// The engine library loaded by its full path; not loaded when the file is missing or is no library.
platform::TDynamicLibrary LoadEngine();

// Appends the 13 pair names in their fixed order to list (which is not cleared); always true.
bool GetCurrencyList(QStringList& list);

// 2 when the name contains "JPY" (case-sensitive), else 4: the decimals when the engine is absent.
std::int32_t DefaultDecimals(const QString& name);

// The pair's decimals from the engine; DefaultDecimals without an engine, 0 when its export is missing.
std::int32_t GetCurrencyDecimals(const QString& name);

// The engine's computation of rec in place; false (rec unchanged) without an engine, without the export or
// for a pair the engine does not know.
bool ComputeSignals(TSignalRec& rec);

// The shell's "open" action on a file next to the program; nothing when the file is missing.
void OpenAppFile(const QString& name);

// Shows "TALVERO error! " followed by the failure's message through the error sink.
void ShowError(const TFailure& failure);
void ShowError(const QString& message);

// Where ShowError's text goes: the windowed program shows an error box; by default it goes to stderr.
using TErrorSink = std::function<void(const QString& text)>;
void SetErrorSink(TErrorSink sink);

// The prefix of every error text.
inline constexpr char ErrorPrefix[] = "TALVERO error! ";
