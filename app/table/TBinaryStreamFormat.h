#pragma once

// The tagged binary file format of a table ("TPF0", version 251): column list, index list, row list.
//
// DRAFT INTERFACE: the implementation may refine names and signatures; keep the roles.

#include "TFailure.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>

class TMemTable;

class TBinaryStreamFormat {
public:
    // Size of the buffer the file is written and read through; raised to at least 16384.
    int BufferSize() const;
    void SetBufferSize(int size);

    // Writes the table (columns, no indexes, rows in their current order) to path, atomically: the file is
    // replaced only once everything is written and flushed. Throws TFailure "Cannot create file "%s". %s" or
    // "Stream write error"; on failure the old file stays as it was.
    void WriteTableFile(const TMemTable& table, const QString& path) const;
    // The same bytes into any device (tests use memory and failing devices).
    void WriteTable(const TMemTable& table, QIODevice& device) const;

    // Reads path into table: the file's columns (unless its column list is empty) and rows. Throws TFailure
    // with "Cannot open file "%s". %s", "Invalid stream format", "Stream read error", "Invalid property
    // value" or "Unknown field type (%s)"; rows read before the failure stay and the table is usable.
    void ReadTableFile(TMemTable& table, const QString& path) const;
    void ReadTable(TMemTable& table, QByteArrayView bytes) const;

    // The version of the last file read (100 when it had none), 0 before any read.
    int LastReadVersion() const;
};

// Names kept together so the writer and the reader agree; written to disk, never change.
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
