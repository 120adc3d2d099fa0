#pragma once

// The data module: one ordered table of at most 128 signal records per opened currency pair, and the
// operations the windows use on it. Every change rewrites the pair's data file at once; every operation runs
// under one guard that shows a failure with ShowError and answers false.

#include "TMemTable.h"
#include "TSignalRec.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

inline constexpr int MaxTableRows = 128;
// Rows older than this many days before today are pruned first when a table outgrows MaxTableRows.
inline constexpr int PruneAgeDays = 6584;
inline constexpr int TableBufferSize = 32768;
inline constexpr char TimeEditMask[] = "!90:00;0; ";

// Full path of the pair's data file: the program's directory and the name's letters, digits and "_" with
// ".kvt" ("EUR/USD" gives EURUSD.kvt).
QString CurrencyFilePath(const QString& name);

struct TPriceColumn {
    const char* Name;
    double TSignalRec::*Field;
};

// The twelve price columns in column order, with their record fields.
inline constexpr TPriceColumn PriceColumns[] = {
    {"CURRENT", &TSignalRec::Current},  {"HIGHEST", &TSignalRec::Highest},    {"LOWEST", &TSignalRec::Lowest},
    {"PRICE_24", &TSignalRec::Price24}, {"PRICE_48", &TSignalRec::Price48},   {"PRICE_64", &TSignalRec::Price64},
    {"BUY_SIG", &TSignalRec::BuySig},   {"BUY_STOP", &TSignalRec::BuyStop},   {"BUY_LIMIT", &TSignalRec::BuyLimit},
    {"SELL_SIG", &TSignalRec::SellSig}, {"SELL_STOP", &TSignalRec::SellStop}, {"SELL_LIMIT", &TSignalRec::SellLimit},
};

// A record's short text (pair name or time) as the table holds it; empty where its length byte is invalid.
QString ShortTextString(const TShortText& field);

// A price or day cell as a number: a file may carry a whole number, and an empty value counts as 0.
double AsDouble(const TFieldValue& value);

// Names of the program's 14 columns in column order.
QStringList SignalColumnNames();

// Defines the program's 14 columns (DATE, TIME, twelve prices) on a closed table.
void DefineSignalColumns(TMemTable& table);

// Gives a closed table the program's columns, its data file path and the file buffer, and opens it empty.
void PrepareSignalTable(TMemTable& table, const QString& path);

// Reads the file at table.PersistentFile when one is there (a folder of that name is not read), then gives the
// prices their display format (from table.Tag), TIME its mask, orders the rows newest first and makes the newest
// current. Throws TFailure; after a failed read the table keeps the rows read, unformatted and unordered.
void LoadSignalTable(TMemTable& table);

// The day count of today's local date.
int LocalDayNumber();

// Stores r as a row without writing the file: replaces the prices of the row with r's day and time or appends
// a row, then prunes one row if the table holds more than MaxTableRows; after a prune another row may be
// current, so a caller that wants the stored row current locates it. Throws TFailure.
void PlaceRecord(TMemTable& table, const TSignalRec& r, int today);

class Tdm : public QObject {
    Q_OBJECT
public:
    explicit Tdm(QObject* parent = nullptr);

    // A new open table of the pair, owned by the data module; returned also when opening failed.
    TMemTable* OpenCurrencyTable(const QString& name);

    // Store and update keep what they posted when the file cannot be written; a row that could not be posted
    // is dropped from the edit, so the table is ready for the next operation.
    bool StoreRecord(TMemTable& table, const TSignalRec& r);
    bool UpdateCurrentRecord(TMemTable& table, const TSignalRec& r);
    bool DeleteCurrentRecord(TMemTable& table);
    bool ReadCurrentRecord(TMemTable& table, TSignalRec& r, const QString& name);

    // Sets the twelve price columns of the row being edited from r.
    static void AssignPrices(TMemTable& table, const TSignalRec& r);
};
