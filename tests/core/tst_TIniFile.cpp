#include "TFailure.h"
#include "TIniFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

TEST(IniFile, WritesOneKeyAndKeepsEverythingElse) {
    struct Case {
        const char* Name;
        QByteArray Before;
        const char* Section;
        const char* Key;
        const char* Value;
        QByteArray After;
    };
    const Case cases[] = {
        {"new file", "", "GBP/CHF", "CURRENT", "1.5", "[GBP/CHF]\nCURRENT=1.5\n"},
        {"replace value", "[A]\nX=1\nY=2\n", "A", "X", "7", "[A]\nX=7\nY=2\n"},
        {"names match without case and blanks", "[ gbp/chf ]\n high24 = 1\n", "GBP/CHF", "HIGH24", "2",
         "[ gbp/chf ]\nhigh24=2\n"},
        {"append key after the section's last line", "[A]\nX=1\n\n[B]\nY=2\n", "A", "Z", "3",
         "[A]\nX=1\nZ=3\n\n[B]\nY=2\n"},
        {"append key to the last section", "[A]\nX=1\n[B]\nY=2\n", "b", "Z", "3", "[A]\nX=1\n[B]\nY=2\nZ=3\n"},
        {"append section", "[A]\nX=1\n", "B", "Y", "2", "[A]\nX=1\n\n[B]\nY=2\n"},
        {"append section after a blank line", "[A]\nX=1\n\n", "B", "Y", "2", "[A]\nX=1\n\n[B]\nY=2\n"},
        {"same key in another section untouched", "[B]\nX=5\n[A]\nX=1\n", "A", "X", "7", "[B]\nX=5\n[A]\nX=7\n"},
        {"comments and odd lines kept", "; top\n[A]\n;X=9\nnoequals\nX = 1\n", "A", "X", "2",
         "; top\n[A]\n;X=9\nnoequals\nX=2\n"},
        {"first of two equal sections", "[A]\nX=1\n[a]\nX=2\n", "A", "X", "3", "[A]\nX=3\n[a]\nX=2\n"},
        {"lines before the first section", "X=1\n[A]\nY=2\n", "A", "X", "3", "X=1\n[A]\nY=2\nX=3\n"},
        {"CRLF file stays CRLF", "[A]\r\nX=1\r\n", "A", "Y", "2", "[A]\r\nX=1\r\nY=2\r\n"},
        {"last line without line end", "[A]\nX=1", "A", "Y", "2", "[A]\nX=1\nY=2\n"},
        {"section appended to a file without line end", "[A]\nX=1", "B", "Y", "2", "[A]\nX=1\n\n[B]\nY=2\n"},
        {"bytes of other lines kept", "[A]\nN=\xe9t\xe9\n", "A", "X", "1", "[A]\nN=\xe9t\xe9\nX=1\n"},
        {"empty value", "[A]\nX=1\n", "A", "X", "", "[A]\nX=\n"},
    };
    for (const Case& c : cases) {
        const std::optional<QByteArray> after = WriteProfileString(
            c.Before, QString::fromUtf8(c.Section), QString::fromUtf8(c.Key), QString::fromUtf8(c.Value));
        ASSERT_TRUE(after.has_value()) << c.Name;
        EXPECT_EQ(after->toStdString(), c.After.toStdString()) << c.Name;
    }
}

TEST(IniFile, RefusesNamesAndValuesThatWouldBreakTheFile) {
    struct Case {
        const char* Section;
        const char* Key;
        const char* Value;
    };
    const Case cases[] = {
        {"", "X", "1"},    {" ", "X", "1"},  {"A]B", "X", "1"}, {"A\nB", "X", "1"}, {"A", "", "1"},
        {"A", "X=Y", "1"}, {"A", ";X", "1"}, {"A", "[X", "1"},  {"A", "X\rY", "1"}, {"A", "X", "1\n[B]\nY=2"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(WriteProfileString("[A]\nX=1\n", QString::fromUtf8(c.Section), QString::fromUtf8(c.Key),
                                        QString::fromUtf8(c.Value))
                         .has_value())
            << c.Section << " / " << c.Key << " / " << c.Value;
    }
}

TEST(IniFile, WritesTheFileAndFailsWithoutTouchingIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fxlastin.ini"));
    const TIniFile ini(path);
    ini.WriteString(QStringLiteral("GBP/CHF"), QStringLiteral("HIGH24"), QStringLiteral("2.312"));
    ini.WriteString(QStringLiteral("GBP/CHF"), QStringLiteral("CURRENT"), QStringLiteral("2.3"));
    ini.WriteString(QStringLiteral("gbp/chf"), QStringLiteral("high24"), QStringLiteral("2.4"));
    EXPECT_EQ(ReadAll(path).toStdString(), "[GBP/CHF]\nHIGH24=2.4\nCURRENT=2.3\n");

    // A refused name leaves the file as it was, also when it comes after keys that could be written.
    EXPECT_THROW(ini.WriteString(QStringLiteral("GBP/CHF"), QStringLiteral("X=Y"), QStringLiteral("1")), TFailure);
    EXPECT_THROW(ini.WriteStrings(QStringLiteral("GBP/CHF"), {{QStringLiteral("LOW24"), QStringLiteral("2.2")},
                                                              {QStringLiteral("X=Y"), QStringLiteral("1")}}),
                 TFailure);
    EXPECT_EQ(ReadAll(path).toStdString(), "[GBP/CHF]\nHIGH24=2.4\nCURRENT=2.3\n");

    // Several keys at once: in their order, as single writes would leave them.
    ini.WriteStrings(QStringLiteral("EUR/USD"), {{QStringLiteral("HIGH24"), QStringLiteral("1.1")},
                                                 {QStringLiteral("CURRENT"), QStringLiteral("1.05")},
                                                 {QStringLiteral("high24"), QStringLiteral("1.2")}});
    EXPECT_EQ(ReadAll(path).toStdString(),
              "[GBP/CHF]\nHIGH24=2.4\nCURRENT=2.3\n\n[EUR/USD]\nHIGH24=1.2\nCURRENT=1.05\n");

    // A folder in the file's place, and a missing folder: the platform's message names the file.
    const QString blocked = dir.filePath(QStringLiteral("blocked.ini"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("blocked.ini")));
    const QString orphan = dir.filePath(QStringLiteral("no/such/folder/x.ini"));
    for (const QString& target : {blocked, orphan}) {
        try {
            TIniFile(target).WriteString(QStringLiteral("A"), QStringLiteral("X"), QStringLiteral("1"));
            ADD_FAILURE() << "no failure for " << target.toStdString();
        } catch (const TFailure& failure) {
            EXPECT_EQ(failure.Message(), QStringLiteral("Unable to write to ") + target);
        }
    }
    EXPECT_TRUE(QFileInfo(blocked).isDir());
    EXPECT_FALSE(QFile::exists(orphan));
}

TEST(IniFile, KeepsAForeignFileByteForByteOutsideTheKey) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("other.ini"));
    const QByteArray before = "; written by hand\r\n[EUR/USD]\r\nCURRENT=1.1\r\n\r\n[GBP/CHF]\r\nCURRENT = 2\r\n";
    WriteAll(path, before);
    TIniFile(path).WriteString(QStringLiteral("GBP/CHF"), QStringLiteral("CURRENT"), QStringLiteral("2.5"));
    EXPECT_EQ(ReadAll(path).toStdString(),
              "; written by hand\r\n[EUR/USD]\r\nCURRENT=1.1\r\n\r\n[GBP/CHF]\r\nCURRENT=2.5\r\n");
}

} // namespace
