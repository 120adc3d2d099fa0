#pragma once

// The tagged binary file format of a table: the signature "TPF0", a format version (251 when written), the
// column list, the index list and the row list, every value led by a one-byte TValueTag, little-endian.

#include "TFailure.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>

class TMemTable;

// Written to disk: the numbers never change.
enum TValueTag : unsigned char {
    tagListEnd = 0x00,
    tagListBegin = 0x01,
    tagInt8 = 0x02,
    tagInt16 = 0x03,
    tagInt32 = 0x04,
    tagExtended = 0x05,
    tagString = 0x06,
    tagFalse = 0x08,
    tagTrue = 0x09,
    tagLongString = 0x0C,
    tagWideString = 0x12,
    tagInt64 = 0x13,
    tagUtf8String = 0x14,
};

class TBinaryStreamFormat {
public:
    // The version every written file carries.
    static constexpr int WrittenVersion = 251;
    static constexpr int MinBufferSize = 16384;

    // Size of the chunks a file is written in; raised to at least MinBufferSize.
    int BufferSize() const { return FBufferSize; }
    void SetBufferSize(int size) { FBufferSize = size < MinBufferSize ? MinBufferSize : size; }

    // The file's bytes for table: its columns, its index definitions and its rows in their current order with
    // their statuses; a row being edited is written as it was before the edit.
    QByteArray EncodeTable(const TMemTable& table) const;
    // Writes EncodeTable's bytes into an open device. Throws TFailure "Stream write error" when the device
    // takes fewer bytes than offered; it then holds what it took.
    void WriteTable(const TMemTable& table, QIODevice& device) const;
    // Replaces the file at path through a temporary file in the same folder, committed only once everything
    // is written and flushed. Throws TFailure "Cannot create file "%s". %s" (nothing written) or "Stream
    // write error"; the old file then stays as it was, and the table is never changed.
    void WriteTableFile(const TMemTable& table, const QString& path) const;

    // Reads a file's bytes into table: the file's columns (an empty column list keeps the table's own), its
    // index definitions and its rows in the order read; rows with the deleted status are kept aside. Throws
    // TFailure "Invalid stream format", "Stream read error", "Invalid property value" or "Unknown field type
    // (%s)". Any byte sequence ends in one of these or a normal read. On failure the rows read so far and the
    // columns already replaced stay; either way the table ends open, ordered by its sort order if it has one
    // (an order whose columns are gone is dropped), on its first row, with its displays told.
    void ReadTable(TMemTable& table, QByteArrayView bytes);
    // As ReadTable on the file at path; throws TFailure "Cannot open file "%s". %s" when it cannot be read.
    void ReadTableFile(TMemTable& table, const QString& path);

    // The version of the last file read (100 when it had none); 0 before any read or when the last read failed
    // before its version.
    int LastReadVersion() const { return FLastReadVersion; }

private:
    int FBufferSize = MinBufferSize;
    int FLastReadVersion = 0;
};
