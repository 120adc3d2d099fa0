#pragma once

// The record the program's parts are checked with: GBP/CHF's six prices of 4 August 2002, whose signals on
// that day are known (sell 2.3067, buy 2.2928, buy limit 2.3078, sell limit 2.2917, stops 2.2858 and 2.3137).

#include "TSignalRec.h"

#include <string_view>

inline TSignalRec WorkedExampleRecord(std::string_view pair = "GBP/CHF") {
    TSignalRec rec = MakeEmptySignalRec(pair);
    rec.Current = 2.3;
    rec.Highest = 2.312;
    rec.Lowest = 2.297;
    rec.Price24 = 2.295;
    rec.Price48 = 2.305;
    rec.Price64 = 2.29;
    return rec;
}
