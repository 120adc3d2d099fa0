#include "uParamTable.h"

#include <bit>
#include <cstring>

namespace sigeng {
namespace {

// clang-format off

// GBP/CHF: the reference slot the system was tuned on.
constexpr TPriceBand GBPCHFBands[] = {
    {0.0, 0.01, {0.005, 0.005}, {-0.005, -0.0051}},
    {0.0101, 0.012, {0.0053, 0.0055}, {-0.0053, -0.0053}},
    {0.0121, 0.013, {0.0056, 0.0056}, {-0.0056, -0.0058}},
    {0.0131, 0.014, {0.0058, 0.0058}, {-0.0058, -0.0059}},
    {0.0141, 0.016, {0.006, 0.0062}, {-0.006, -0.0062}},
    {0.0161, 0.018, {0.0064, 0.0065}, {-0.0064, -0.0065}},
    {0.0181, 0.02, {0.0068, 0.0069}, {-0.0068, -0.0068}},
    {0.0201, 0.021, {0.007, 0.0072}, {-0.007, -0.0071}},
    {0.0211, 0.023, {0.0073, 0.0073}, {-0.0073, -0.0074}},
    {0.0231, 0.025, {0.008, 0.0081}, {-0.008, -0.0081}},
    {0.0251, 0.027, {0.0082, 0.0083}, {-0.0082, -0.0082}},
    {0.0271, 0.05, {0.0086, 0.0088}, {-0.0086, -0.0088}},
};
constexpr TCurrencySlotSource GBPCHFSlot{
    .Name = "GBP/CHF", .Decimals = 4, .Bands = GBPCHFBands,
    .Sell24 = {0.0009, 0.0009}, .Buy24 = {-0.0008, -0.001}, .Sell48 = {0.0006, 0.0007}, .Buy48 = {-0.0006, -0.0007},
    .Sell72 = {0.0003, 0.0006}, .Buy72 = {-0.0004, -0.0006}, .StopRange = {-0.007, -0.007}, .LimitRange = {0.015, 0.015},
};

// The other twelve pairs keep GBP/CHF's shape and scale it to their own market. A pair's scale is its typical
// daily high-low range over GBP/CHF's (about 0.015 francs): every band limit, offset, adjustment, stop and limit
// distance of GBP/CHF is multiplied by the scale and rounded half-up to the pair's decimals (2 for the yen
// pairs, 4 for the others). Each band then starts one step above the previous band's end, as in GBP/CHF, so the
// bands stay ascending and gap-free; buy ranges still run downwards and sell ranges upwards.

// EUR/USD: scale 0.7
constexpr TPriceBand EURUSDBands[] = {
    {0, 0.007, {0.0035, 0.0035}, {-0.0035, -0.0036}},
    {0.0071, 0.0084, {0.0037, 0.0039}, {-0.0037, -0.0037}},
    {0.0085, 0.0091, {0.0039, 0.0039}, {-0.0039, -0.0041}},
    {0.0092, 0.0098, {0.0041, 0.0041}, {-0.0041, -0.0041}},
    {0.0099, 0.0112, {0.0042, 0.0043}, {-0.0042, -0.0043}},
    {0.0113, 0.0126, {0.0045, 0.0046}, {-0.0045, -0.0046}},
    {0.0127, 0.014, {0.0048, 0.0048}, {-0.0048, -0.0048}},
    {0.0141, 0.0147, {0.0049, 0.005}, {-0.0049, -0.005}},
    {0.0148, 0.0161, {0.0051, 0.0051}, {-0.0051, -0.0052}},
    {0.0162, 0.0175, {0.0056, 0.0057}, {-0.0056, -0.0057}},
    {0.0176, 0.0189, {0.0057, 0.0058}, {-0.0057, -0.0057}},
    {0.019, 0.035, {0.006, 0.0062}, {-0.006, -0.0062}},
};
constexpr TCurrencySlotSource EURUSDSlot{
    .Name = "EUR/USD", .Decimals = 4, .Bands = EURUSDBands,
    .Sell24 = {0.0006, 0.0006}, .Buy24 = {-0.0006, -0.0007}, .Sell48 = {0.0004, 0.0005}, .Buy48 = {-0.0004, -0.0005},
    .Sell72 = {0.0002, 0.0004}, .Buy72 = {-0.0003, -0.0004}, .StopRange = {-0.0049, -0.0049}, .LimitRange = {0.0105, 0.0105},
};
// GBP/USD: scale 0.9
constexpr TPriceBand GBPUSDBands[] = {
    {0, 0.009, {0.0045, 0.0045}, {-0.0045, -0.0046}},
    {0.0091, 0.0108, {0.0048, 0.005}, {-0.0048, -0.0048}},
    {0.0109, 0.0117, {0.005, 0.005}, {-0.005, -0.0052}},
    {0.0118, 0.0126, {0.0052, 0.0052}, {-0.0052, -0.0053}},
    {0.0127, 0.0144, {0.0054, 0.0056}, {-0.0054, -0.0056}},
    {0.0145, 0.0162, {0.0058, 0.0059}, {-0.0058, -0.0059}},
    {0.0163, 0.018, {0.0061, 0.0062}, {-0.0061, -0.0061}},
    {0.0181, 0.0189, {0.0063, 0.0065}, {-0.0063, -0.0064}},
    {0.019, 0.0207, {0.0066, 0.0066}, {-0.0066, -0.0067}},
    {0.0208, 0.0225, {0.0072, 0.0073}, {-0.0072, -0.0073}},
    {0.0226, 0.0243, {0.0074, 0.0075}, {-0.0074, -0.0074}},
    {0.0244, 0.045, {0.0077, 0.0079}, {-0.0077, -0.0079}},
};
constexpr TCurrencySlotSource GBPUSDSlot{
    .Name = "GBP/USD", .Decimals = 4, .Bands = GBPUSDBands,
    .Sell24 = {0.0008, 0.0008}, .Buy24 = {-0.0007, -0.0009}, .Sell48 = {0.0005, 0.0006}, .Buy48 = {-0.0005, -0.0006},
    .Sell72 = {0.0003, 0.0005}, .Buy72 = {-0.0004, -0.0005}, .StopRange = {-0.0063, -0.0063}, .LimitRange = {0.0135, 0.0135},
};
// USD/CHF: scale 0.8
constexpr TPriceBand USDCHFBands[] = {
    {0, 0.008, {0.004, 0.004}, {-0.004, -0.0041}},
    {0.0081, 0.0096, {0.0042, 0.0044}, {-0.0042, -0.0042}},
    {0.0097, 0.0104, {0.0045, 0.0045}, {-0.0045, -0.0046}},
    {0.0105, 0.0112, {0.0046, 0.0046}, {-0.0046, -0.0047}},
    {0.0113, 0.0128, {0.0048, 0.005}, {-0.0048, -0.005}},
    {0.0129, 0.0144, {0.0051, 0.0052}, {-0.0051, -0.0052}},
    {0.0145, 0.016, {0.0054, 0.0055}, {-0.0054, -0.0054}},
    {0.0161, 0.0168, {0.0056, 0.0058}, {-0.0056, -0.0057}},
    {0.0169, 0.0184, {0.0058, 0.0058}, {-0.0058, -0.0059}},
    {0.0185, 0.02, {0.0064, 0.0065}, {-0.0064, -0.0065}},
    {0.0201, 0.0216, {0.0066, 0.0066}, {-0.0066, -0.0066}},
    {0.0217, 0.04, {0.0069, 0.007}, {-0.0069, -0.007}},
};
constexpr TCurrencySlotSource USDCHFSlot{
    .Name = "USD/CHF", .Decimals = 4, .Bands = USDCHFBands,
    .Sell24 = {0.0007, 0.0007}, .Buy24 = {-0.0006, -0.0008}, .Sell48 = {0.0005, 0.0006}, .Buy48 = {-0.0005, -0.0006},
    .Sell72 = {0.0002, 0.0005}, .Buy72 = {-0.0003, -0.0005}, .StopRange = {-0.0056, -0.0056}, .LimitRange = {0.012, 0.012},
};
// USD/JPY: scale 70
constexpr TPriceBand USDJPYBands[] = {
    {0, 0.7, {0.35, 0.35}, {-0.35, -0.36}},
    {0.71, 0.84, {0.37, 0.39}, {-0.37, -0.37}},
    {0.85, 0.91, {0.39, 0.39}, {-0.39, -0.41}},
    {0.92, 0.98, {0.41, 0.41}, {-0.41, -0.41}},
    {0.99, 1.12, {0.42, 0.43}, {-0.42, -0.43}},
    {1.13, 1.26, {0.45, 0.46}, {-0.45, -0.46}},
    {1.27, 1.4, {0.48, 0.48}, {-0.48, -0.48}},
    {1.41, 1.47, {0.49, 0.5}, {-0.49, -0.5}},
    {1.48, 1.61, {0.51, 0.51}, {-0.51, -0.52}},
    {1.62, 1.75, {0.56, 0.57}, {-0.56, -0.57}},
    {1.76, 1.89, {0.57, 0.58}, {-0.57, -0.57}},
    {1.9, 3.5, {0.6, 0.62}, {-0.6, -0.62}},
};
constexpr TCurrencySlotSource USDJPYSlot{
    .Name = "USD/JPY", .Decimals = 2, .Bands = USDJPYBands,
    .Sell24 = {0.06, 0.06}, .Buy24 = {-0.06, -0.07}, .Sell48 = {0.04, 0.05}, .Buy48 = {-0.04, -0.05},
    .Sell72 = {0.02, 0.04}, .Buy72 = {-0.03, -0.04}, .StopRange = {-0.49, -0.49}, .LimitRange = {1.05, 1.05},
};
// USD/CAD: scale 0.6
constexpr TPriceBand USDCADBands[] = {
    {0, 0.006, {0.003, 0.003}, {-0.003, -0.0031}},
    {0.0061, 0.0072, {0.0032, 0.0033}, {-0.0032, -0.0032}},
    {0.0073, 0.0078, {0.0034, 0.0034}, {-0.0034, -0.0035}},
    {0.0079, 0.0084, {0.0035, 0.0035}, {-0.0035, -0.0035}},
    {0.0085, 0.0096, {0.0036, 0.0037}, {-0.0036, -0.0037}},
    {0.0097, 0.0108, {0.0038, 0.0039}, {-0.0038, -0.0039}},
    {0.0109, 0.012, {0.0041, 0.0041}, {-0.0041, -0.0041}},
    {0.0121, 0.0126, {0.0042, 0.0043}, {-0.0042, -0.0043}},
    {0.0127, 0.0138, {0.0044, 0.0044}, {-0.0044, -0.0044}},
    {0.0139, 0.015, {0.0048, 0.0049}, {-0.0048, -0.0049}},
    {0.0151, 0.0162, {0.0049, 0.005}, {-0.0049, -0.0049}},
    {0.0163, 0.03, {0.0052, 0.0053}, {-0.0052, -0.0053}},
};
constexpr TCurrencySlotSource USDCADSlot{
    .Name = "USD/CAD", .Decimals = 4, .Bands = USDCADBands,
    .Sell24 = {0.0005, 0.0005}, .Buy24 = {-0.0005, -0.0006}, .Sell48 = {0.0004, 0.0004}, .Buy48 = {-0.0004, -0.0004},
    .Sell72 = {0.0002, 0.0004}, .Buy72 = {-0.0002, -0.0004}, .StopRange = {-0.0042, -0.0042}, .LimitRange = {0.009, 0.009},
};
// AUD/USD: scale 0.45
constexpr TPriceBand AUDUSDBands[] = {
    {0, 0.0045, {0.0023, 0.0023}, {-0.0023, -0.0023}},
    {0.0046, 0.0054, {0.0024, 0.0025}, {-0.0024, -0.0024}},
    {0.0055, 0.0059, {0.0025, 0.0025}, {-0.0025, -0.0026}},
    {0.006, 0.0063, {0.0026, 0.0026}, {-0.0026, -0.0027}},
    {0.0064, 0.0072, {0.0027, 0.0028}, {-0.0027, -0.0028}},
    {0.0073, 0.0081, {0.0029, 0.0029}, {-0.0029, -0.0029}},
    {0.0082, 0.009, {0.0031, 0.0031}, {-0.0031, -0.0031}},
    {0.0091, 0.0095, {0.0032, 0.0032}, {-0.0032, -0.0032}},
    {0.0096, 0.0104, {0.0033, 0.0033}, {-0.0033, -0.0033}},
    {0.0105, 0.0113, {0.0036, 0.0036}, {-0.0036, -0.0036}},
    {0.0114, 0.0122, {0.0037, 0.0037}, {-0.0037, -0.0037}},
    {0.0123, 0.0225, {0.0039, 0.004}, {-0.0039, -0.004}},
};
constexpr TCurrencySlotSource AUDUSDSlot{
    .Name = "AUD/USD", .Decimals = 4, .Bands = AUDUSDBands,
    .Sell24 = {0.0004, 0.0004}, .Buy24 = {-0.0004, -0.0005}, .Sell48 = {0.0003, 0.0003}, .Buy48 = {-0.0003, -0.0003},
    .Sell72 = {0.0001, 0.0003}, .Buy72 = {-0.0002, -0.0003}, .StopRange = {-0.0032, -0.0032}, .LimitRange = {0.0068, 0.0068},
};
// EUR/JPY: scale 75
constexpr TPriceBand EURJPYBands[] = {
    {0, 0.75, {0.38, 0.38}, {-0.38, -0.38}},
    {0.76, 0.9, {0.4, 0.41}, {-0.4, -0.4}},
    {0.91, 0.98, {0.42, 0.42}, {-0.42, -0.44}},
    {0.99, 1.05, {0.44, 0.44}, {-0.44, -0.44}},
    {1.06, 1.2, {0.45, 0.47}, {-0.45, -0.47}},
    {1.21, 1.35, {0.48, 0.49}, {-0.48, -0.49}},
    {1.36, 1.5, {0.51, 0.52}, {-0.51, -0.51}},
    {1.51, 1.58, {0.53, 0.54}, {-0.53, -0.53}},
    {1.59, 1.73, {0.55, 0.55}, {-0.55, -0.56}},
    {1.74, 1.88, {0.6, 0.61}, {-0.6, -0.61}},
    {1.89, 2.03, {0.62, 0.62}, {-0.62, -0.62}},
    {2.04, 3.75, {0.65, 0.66}, {-0.65, -0.66}},
};
constexpr TCurrencySlotSource EURJPYSlot{
    .Name = "EUR/JPY", .Decimals = 2, .Bands = EURJPYBands,
    .Sell24 = {0.07, 0.07}, .Buy24 = {-0.06, -0.08}, .Sell48 = {0.05, 0.05}, .Buy48 = {-0.05, -0.05},
    .Sell72 = {0.02, 0.05}, .Buy72 = {-0.03, -0.05}, .StopRange = {-0.53, -0.53}, .LimitRange = {1.13, 1.13},
};
// EUR/CHF: scale 0.4
constexpr TPriceBand EURCHFBands[] = {
    {0, 0.004, {0.002, 0.002}, {-0.002, -0.002}},
    {0.0041, 0.0048, {0.0021, 0.0022}, {-0.0021, -0.0021}},
    {0.0049, 0.0052, {0.0022, 0.0022}, {-0.0022, -0.0023}},
    {0.0053, 0.0056, {0.0023, 0.0023}, {-0.0023, -0.0024}},
    {0.0057, 0.0064, {0.0024, 0.0025}, {-0.0024, -0.0025}},
    {0.0065, 0.0072, {0.0026, 0.0026}, {-0.0026, -0.0026}},
    {0.0073, 0.008, {0.0027, 0.0028}, {-0.0027, -0.0027}},
    {0.0081, 0.0084, {0.0028, 0.0029}, {-0.0028, -0.0028}},
    {0.0085, 0.0092, {0.0029, 0.0029}, {-0.0029, -0.003}},
    {0.0093, 0.01, {0.0032, 0.0032}, {-0.0032, -0.0032}},
    {0.0101, 0.0108, {0.0033, 0.0033}, {-0.0033, -0.0033}},
    {0.0109, 0.02, {0.0034, 0.0035}, {-0.0034, -0.0035}},
};
constexpr TCurrencySlotSource EURCHFSlot{
    .Name = "EUR/CHF", .Decimals = 4, .Bands = EURCHFBands,
    .Sell24 = {0.0004, 0.0004}, .Buy24 = {-0.0003, -0.0004}, .Sell48 = {0.0002, 0.0003}, .Buy48 = {-0.0002, -0.0003},
    .Sell72 = {0.0001, 0.0002}, .Buy72 = {-0.0002, -0.0002}, .StopRange = {-0.0028, -0.0028}, .LimitRange = {0.006, 0.006},
};
// EUR/GBP: scale 0.35
constexpr TPriceBand EURGBPBands[] = {
    {0, 0.0035, {0.0018, 0.0018}, {-0.0018, -0.0018}},
    {0.0036, 0.0042, {0.0019, 0.0019}, {-0.0019, -0.0019}},
    {0.0043, 0.0046, {0.002, 0.002}, {-0.002, -0.002}},
    {0.0047, 0.0049, {0.002, 0.002}, {-0.002, -0.0021}},
    {0.005, 0.0056, {0.0021, 0.0022}, {-0.0021, -0.0022}},
    {0.0057, 0.0063, {0.0022, 0.0023}, {-0.0022, -0.0023}},
    {0.0064, 0.007, {0.0024, 0.0024}, {-0.0024, -0.0024}},
    {0.0071, 0.0074, {0.0025, 0.0025}, {-0.0025, -0.0025}},
    {0.0075, 0.0081, {0.0026, 0.0026}, {-0.0026, -0.0026}},
    {0.0082, 0.0088, {0.0028, 0.0028}, {-0.0028, -0.0028}},
    {0.0089, 0.0095, {0.0029, 0.0029}, {-0.0029, -0.0029}},
    {0.0096, 0.0175, {0.003, 0.0031}, {-0.003, -0.0031}},
};
constexpr TCurrencySlotSource EURGBPSlot{
    .Name = "EUR/GBP", .Decimals = 4, .Bands = EURGBPBands,
    .Sell24 = {0.0003, 0.0003}, .Buy24 = {-0.0003, -0.0004}, .Sell48 = {0.0002, 0.0002}, .Buy48 = {-0.0002, -0.0002},
    .Sell72 = {0.0001, 0.0002}, .Buy72 = {-0.0001, -0.0002}, .StopRange = {-0.0025, -0.0025}, .LimitRange = {0.0053, 0.0053},
};
// EUR/AUD: scale 1.0, the same daily range as GBP/CHF, so the same parameters.
constexpr TCurrencySlotSource EURAUDSlot = [] {
    TCurrencySlotSource slot = GBPCHFSlot;
    slot.Name = "EUR/AUD";
    return slot;
}();
// GBP/JPY: scale 100
constexpr TPriceBand GBPJPYBands[] = {
    {0, 1.0, {0.5, 0.5}, {-0.5, -0.51}},
    {1.01, 1.2, {0.53, 0.55}, {-0.53, -0.53}},
    {1.21, 1.3, {0.56, 0.56}, {-0.56, -0.58}},
    {1.31, 1.4, {0.58, 0.58}, {-0.58, -0.59}},
    {1.41, 1.6, {0.6, 0.62}, {-0.6, -0.62}},
    {1.61, 1.8, {0.64, 0.65}, {-0.64, -0.65}},
    {1.81, 2.0, {0.68, 0.69}, {-0.68, -0.68}},
    {2.01, 2.1, {0.7, 0.72}, {-0.7, -0.71}},
    {2.11, 2.3, {0.73, 0.73}, {-0.73, -0.74}},
    {2.31, 2.5, {0.8, 0.81}, {-0.8, -0.81}},
    {2.51, 2.7, {0.82, 0.83}, {-0.82, -0.82}},
    {2.71, 5.0, {0.86, 0.88}, {-0.86, -0.88}},
};
constexpr TCurrencySlotSource GBPJPYSlot{
    .Name = "GBP/JPY", .Decimals = 2, .Bands = GBPJPYBands,
    .Sell24 = {0.09, 0.09}, .Buy24 = {-0.08, -0.1}, .Sell48 = {0.06, 0.07}, .Buy48 = {-0.06, -0.07},
    .Sell72 = {0.03, 0.06}, .Buy72 = {-0.04, -0.06}, .StopRange = {-0.7, -0.7}, .LimitRange = {1.5, 1.5},
};
// CHF/JPY: scale 55
constexpr TPriceBand CHFJPYBands[] = {
    {0, 0.55, {0.28, 0.28}, {-0.28, -0.28}},
    {0.56, 0.66, {0.29, 0.3}, {-0.29, -0.29}},
    {0.67, 0.72, {0.31, 0.31}, {-0.31, -0.32}},
    {0.73, 0.77, {0.32, 0.32}, {-0.32, -0.32}},
    {0.78, 0.88, {0.33, 0.34}, {-0.33, -0.34}},
    {0.89, 0.99, {0.35, 0.36}, {-0.35, -0.36}},
    {1.0, 1.1, {0.37, 0.38}, {-0.37, -0.37}},
    {1.11, 1.16, {0.39, 0.4}, {-0.39, -0.39}},
    {1.17, 1.27, {0.4, 0.4}, {-0.4, -0.41}},
    {1.28, 1.38, {0.44, 0.45}, {-0.44, -0.45}},
    {1.39, 1.49, {0.45, 0.46}, {-0.45, -0.45}},
    {1.5, 2.75, {0.47, 0.48}, {-0.47, -0.48}},
};
constexpr TCurrencySlotSource CHFJPYSlot{
    .Name = "CHF/JPY", .Decimals = 2, .Bands = CHFJPYBands,
    .Sell24 = {0.05, 0.05}, .Buy24 = {-0.04, -0.06}, .Sell48 = {0.03, 0.04}, .Buy48 = {-0.03, -0.04},
    .Sell72 = {0.02, 0.03}, .Buy72 = {-0.02, -0.03}, .StopRange = {-0.39, -0.39}, .LimitRange = {0.83, 0.83},
};

// clang-format on

constexpr TTableImage BuildTable() {
    TTableImage table{};
    constexpr std::string_view headerText = "TALVERO PARAMETERS";
    for (std::size_t i = 0; i < headerText.size(); ++i) {
        table.Header[i] = static_cast<std::uint8_t>(headerText[i]);
    }
    table.Header[20] = 1; // layout version of the block, little-endian 16 bits
    table.Header[22] = MaxSlots;

    // The order of the program's currency list; slots 14 to 16 stay empty.
    constexpr const TCurrencySlotSource* slots[] = {
        &GBPCHFSlot, &EURUSDSlot, &GBPUSDSlot, &USDCHFSlot, &USDJPYSlot, &USDCADSlot, &AUDUSDSlot,
        &EURJPYSlot, &EURCHFSlot, &EURGBPSlot, &EURAUDSlot, &GBPJPYSlot, &CHFJPYSlot,
    };
    for (std::size_t i = 0; i < std::size(slots); ++i) {
        table.Slots[i] = MakeSlot(*slots[i]);
    }
    return table;
}

constexpr std::array<std::uint8_t, TableBlockSize> BuildBlock(const TTableImage& table) {
    const auto image = std::bit_cast<std::array<std::uint8_t, sizeof(TTableImage)>>(table);
    std::array<std::uint8_t, TableBlockSize> block{};
    for (std::size_t i = 0; i < image.size(); ++i) {
        block[i] = image[i];
    }
    return block;
}

constexpr TTableImage BuiltInTableImage = BuildTable();
constexpr std::array<std::uint8_t, TableBlockSize> BuiltInBlock = BuildBlock(BuiltInTableImage);

} // namespace

const TTableImage& BuiltInTable() {
    return BuiltInTableImage;
}

std::span<const std::uint8_t, TableBlockSize> BuiltInTableBlock() {
    return BuiltInBlock;
}

std::array<std::uint8_t, TableBlockSize> MakeTableBlock(const TTableImage& table) {
    std::array<std::uint8_t, TableBlockSize> block{};
    std::memcpy(block.data(), &table, sizeof table);
    return block;
}

namespace {

// Byte-wise equality of two short names; a plain loop, so the lookup of a pair needs no C library call
// (each one would have to be bound again every time the library is loaded).
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

const TCurrencySlot* FindSlot(const TTableImage& table, std::string_view name) {
    for (const TCurrencySlot& slot : table.Slots) {
        if (slot.Active != 0 && slot.Name[0] == name.size() && SameName(slot.NameText(), name)) {
            return &slot;
        }
    }
    return nullptr;
}

bool AppendCurrencyNames(const TTableImage& table, char* buffer) {
    constexpr std::size_t maxText = 1000;
    // Never look further than the 1 001 bytes the caller promises.
    std::size_t length = strnlen(buffer, maxText + 1);
    if (length <= maxText) {
        for (const TCurrencySlot& slot : table.Slots) {
            if (slot.Active == 0) {
                continue;
            }
            for (const char c : slot.NameText()) {
                if (length < maxText) {
                    buffer[length++] = c;
                }
            }
            for (const char c : {'\r', '\n'}) {
                if (length < maxText) {
                    buffer[length++] = c;
                }
            }
        }
        buffer[length] = '\0';
    }
    return buffer[0] != '\0';
}

std::uint32_t VersionWord(const TTableImage& table, std::span<const std::uint8_t, TableBlockSize> block) {
    std::uint32_t activeSlots = 0;
    for (const TCurrencySlot& slot : table.Slots) {
        activeSlots += slot.Active != 0 ? 1 : 0;
    }
    std::uint32_t sum = 0;
    for (const std::uint8_t byte : block) {
        sum += byte;
    }
    return (1u << 27) + activeSlots * 65536u + (sum % 65536u);
}

} // namespace sigeng
