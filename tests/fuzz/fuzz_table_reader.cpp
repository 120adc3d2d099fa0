// libFuzzer target for the table file reader. Every input must end in a normal read or in one of the reader's
// messages; whatever was read must show, write and read back without failing.

#include "TBinaryStreamFormat.h"
#include "TMemTable.h"

#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void Fail(const char* why, const QString& detail = QString()) {
    std::fprintf(stderr, "%s %s\n", why, qPrintable(detail));
    std::abort();
}

bool IsReadMessage(const QString& message) {
    static const QStringList messages{"Invalid stream format", "Stream read error", "Invalid property value"};
    return messages.contains(message) || (message.startsWith("Unknown field type (") && message.endsWith(")"));
}

// The columns and order of a currency table, so that files without columns read into them and a read ends in
// the order's sorting.
void DefineProgramTable(TMemTable& table) {
    table.AddField({.Name = "DATE", .TypeName = "Date", .Required = true});
    table.AddField({.Name = "TIME", .TypeName = "String", .Size = 4, .Required = true, .EditMask = "!90:00;0; "});
    for (const char* name : {"CURRENT", "HIGHEST", "LOWEST", "PRICE_24", "PRICE_48", "PRICE_64", "BUY_SIG", "BUY_STOP",
                             "BUY_LIMIT", "SELL_SIG", "SELL_STOP", "SELL_LIMIT"}) {
        table.AddField({.Name = name, .TypeName = "Float", .Required = true, .DisplayFormat = "###,##0.0000"});
    }
    table.Open();
    table.SetSortOrder({"DATE", "TIME"}, true, true);
}

// Reads bytes into table and checks what the reader leaves behind.
void ReadAndCheck(TMemTable& table, QByteArrayView bytes) {
    try {
        table.DefaultFormat().ReadTable(table, bytes);
    } catch (const TFailure& failure) {
        if (!IsReadMessage(failure.Message())) {
            Fail("unexpected message:", failure.Message());
        }
    }
    if (!table.IsOpen() || table.ControlsDisabled()) {
        Fail("the table is not back in use");
    }

    for (int row = 0; row < table.RecordCount() && row < 64; ++row) {
        for (int field = 0; field < table.FieldCount(); ++field) {
            (void)table.RowDisplayText(row, field);
        }
    }

    const QByteArray written = table.DefaultFormat().EncodeTable(table);
    TMemTable again;
    try {
        again.DefaultFormat().ReadTable(again, written);
    } catch (const TFailure& failure) {
        Fail("a written table does not read back:", failure.Message());
    }
    if (again.RecordCount() != table.RecordCount() || again.FieldCount() != table.FieldCount()) {
        Fail("a written table reads back different");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TMemTable bare;
    ReadAndCheck(bare, bytes);
    TMemTable program;
    DefineProgramTable(program);
    ReadAndCheck(program, bytes);
    return 0;
}
