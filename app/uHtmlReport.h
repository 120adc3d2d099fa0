#pragma once

// The HTML report of a pair's history: a header with the chart picture, one block per record (newest first,
// at most 128) and a footer, written line by line with CR LF in the single-byte code page.

#include <QString>
#include <QStringList>

class TMemTable;

inline constexpr int MinReportWidth = 680;
inline constexpr int MaxReportBlocks = 128;

// Text made safe to stand inside the report's HTML, in text or in a quoted attribute: & < > " become entities,
// and characters the single-byte file cannot hold become numeric character references.
QString HtmlEscape(const QString& text);

// Header lines 1 to 6; caption is the browse window's caption (the pair name).
QStringList ReportHeaderLines(const QString& caption, const QString& picturePath);
// Footer lines 1 to 3.
QStringList ReportFooterLines();

// Appends the 27 lines of the table's current row, its texts as the table displays them.
void WriteRecordBlock(const TMemTable& table, int reportWidth, QStringList& lines);

// Writes the lines, each followed by CR LF, replacing the file at path once all is written. Throws TFailure.
void WriteReportFile(const QString& path, const QStringList& lines);
