#pragma once

// Who makes TALVERO: shown in the about box and in every HTML report.

inline constexpr char MakerName[] = "TALVERO Trading Software";
inline constexpr char MakerWebAddress[] = "https://www.talvero.example/";
inline constexpr char MakerMailAddress[] = "support@talvero.example";
