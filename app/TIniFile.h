#pragma once

// An INI file written the way the Windows profile functions write one: each write changes one key of one
// section and leaves every other section, key, comment and line of the file as it was. Section and key names
// are matched case-insensitively and without the blanks around them; the first match wins.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

class TIniFile {
public:
    explicit TIniFile(QString fileName) : FFileName(std::move(fileName)) {}

    const QString& FileName() const { return FFileName; }

    // Writes key=value into section: replaces the value of the key where the section holds it, appends the key
    // to the section otherwise, and appends the section to the file when it has none. The file is created when
    // missing (its folder must exist) and replaced atomically. Throws TFailure "Unable to write to <file>" when
    // the file cannot be read or written, or when a name or the value cannot be stored in an INI line; the
    // file is then as it was.
    void WriteString(const QString& section, const QString& key, const QString& value) const;

    // Writes several keys into section, in their order, as WriteString would one after another, but reads and
    // replaces the file once: either every key is written or, on a failure, none is.
    void WriteStrings(const QString& section, const QList<std::pair<QString, QString>>& keysAndValues) const;

private:
    QString FFileName;
};

// The rule behind WriteString on the file's content: the content with key=value written into section, or
// nothing when the section or key name is empty or holds a character that would break the line structure
// (a line break, "]" in a section, "=" in a key, a key starting with "[" or ";"), or the value holds a line
// break. Lines keep their own line ends; added lines take the content's style (CRLF when its first line
// ends so, else LF).
std::optional<QByteArray> WriteProfileString(const QByteArray& content, const QString& section, const QString& key,
                                             const QString& value);
