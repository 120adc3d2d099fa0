#pragma once

// Helpers shared by the table tests: the program's 14 columns, rows of the program's shape, test data paths and a
// small builder for hand-made table files.

#include "TBinaryStreamFormat.h"
#include "TMemTable.h"
#include "TestFiles.h"
#include "uByteCoding.h"

#include <QByteArray>
#include <QString>

#include <initializer_list>

// The columns a currency table has: DATE, TIME and the twelve prices, all required.
void DefineProgramColumns(TMemTable& table);

// A table with the program's columns, opened, with a fixed locale (en_US) so texts and order do not depend on the
// machine.
void OpenProgramTable(TMemTable& table);

// Appends and posts a row: day, time, and the twelve prices price, price + 1, ...
void PostProgramRow(TMemTable& table, double day, const QString& time, double price = 1.0);

// The TIME texts of all rows in row order.
QStringList Times(const TMemTable& table);

// A file in tests/data/table/.
QString TableDataPath(const QString& name);

// Builds table files byte by byte for tests and for the fuzzer's seeds.
class TFileBuilder {
public:
    TFileBuilder& Raw(std::initializer_list<int> bytes);
    TFileBuilder& Raw(QByteArrayView bytes);
    TFileBuilder& Signature() { return Raw(QByteArrayView("TPF0")); }
    // tagInt8, tagInt16 or tagInt32, the shortest that holds value.
    TFileBuilder& Int(qint64 value);
    TFileBuilder& Text(QByteArrayView latin1); // tagString
    TFileBuilder& Extended(double value);
    TFileBuilder& Bool(bool value) { return Raw({value ? tagTrue : tagFalse}); }
    TFileBuilder& Begin() { return Raw({tagListBegin}); }
    TFileBuilder& End() { return Raw({tagListEnd}); }
    // A column entry as a file of version writes it: 8 values, the kind from 250 on, the default from 251 on.
    TFileBuilder& Column(int version, QByteArrayView name, QByteArrayView type, int size = 0, bool required = false);

    const QByteArray& Bytes() const { return FBytes; }

private:
    QByteArray FBytes;
};
