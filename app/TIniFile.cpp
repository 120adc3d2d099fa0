#include "TIniFile.h"

#include "uSaveFile.h"

#include "TFailure.h"

#include <QFile>
#include <QList>
#include <QSaveFile>

namespace {

// One line of the file as it is stored, and its text without the line end for parsing.
struct TIniLine {
    QByteArray Raw; // with its own "\n" or "\r\n" (the last line may have none)
    QString Text;   // trimmed, line end removed
};

QList<TIniLine> SplitLines(const QByteArray& content) {
    QList<TIniLine> lines;
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = content.indexOf('\n', start);
        end = end < 0 ? content.size() : end + 1;
        TIniLine line;
        line.Raw = content.mid(start, end - start);
        QByteArray body = line.Raw;
        while (body.endsWith('\n') || body.endsWith('\r')) {
            body.chop(1);
        }
        line.Text = QString::fromUtf8(body).trimmed();
        lines.append(line);
        start = end;
    }
    return lines;
}

bool IsSectionHeader(const TIniLine& line) {
    return line.Text.startsWith(u'[');
}

// "[ name ]" gives "name"; a header without "]" names the rest of the line.
QString SectionName(const TIniLine& line) {
    const qsizetype close = line.Text.indexOf(u']');
    return line.Text.mid(1, close < 0 ? -1 : close - 1).trimmed();
}

// The key of a "key = value" line; none for blank lines, comments and lines without "=".
std::optional<QString> KeyName(const TIniLine& line) {
    if (line.Text.isEmpty() || line.Text.startsWith(u';') || IsSectionHeader(line)) {
        return std::nullopt;
    }
    const qsizetype equals = line.Text.indexOf(u'=');
    if (equals < 0) {
        return std::nullopt;
    }
    return line.Text.left(equals).trimmed();
}

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool HasLineBreak(const QString& text) {
    return text.contains(u'\n') || text.contains(u'\r');
}

QByteArray LineEndOf(const QByteArray& raw) {
    if (raw.endsWith("\r\n")) {
        return QByteArrayLiteral("\r\n");
    }
    return raw.endsWith('\n') ? QByteArrayLiteral("\n") : QByteArray();
}

} // namespace

std::optional<QByteArray> WriteProfileString(const QByteArray& content, const QString& section, const QString& key,
                                             const QString& value) {
    const QString sectionName = section.trimmed();
    const QString keyName = key.trimmed();
    if (sectionName.isEmpty() || HasLineBreak(sectionName) || sectionName.contains(u']') || keyName.isEmpty() ||
        HasLineBreak(keyName) || keyName.contains(u'=') || keyName.startsWith(u'[') || keyName.startsWith(u';') ||
        HasLineBreak(value)) {
        return std::nullopt;
    }

    QList<TIniLine> lines = SplitLines(content);
    const QByteArray newLine =
        (!lines.isEmpty() && lines.first().Raw.endsWith("\r\n")) ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
    const auto joined = [&lines]() {
        QByteArray result;
        for (const TIniLine& line : lines) {
            result += line.Raw;
        }
        return result;
    };

    qsizetype header = -1;
    for (qsizetype i = 0; i < lines.size() && header < 0; ++i) {
        if (IsSectionHeader(lines[i]) && SameName(SectionName(lines[i]), sectionName)) {
            header = i;
        }
    }

    if (header < 0) {
        QByteArray result = joined();
        if (!result.isEmpty() && !result.endsWith('\n')) {
            result += newLine;
        }
        // A blank line keeps the new section apart from the one before it.
        if (!lines.isEmpty() && !lines.last().Text.isEmpty()) {
            result += newLine;
        }
        return result + "[" + sectionName.toUtf8() + "]" + newLine + keyName.toUtf8() + "=" + value.toUtf8() + newLine;
    }

    qsizetype lastFilled = header; // the key goes after the section's last non-blank line
    for (qsizetype i = header + 1; i < lines.size() && !IsSectionHeader(lines[i]); ++i) {
        const std::optional<QString> name = KeyName(lines[i]);
        if (name && SameName(*name, keyName)) {
            // The key keeps its spelling in the file; only its value changes.
            const QByteArray lineEnd = LineEndOf(lines[i].Raw);
            lines[i].Raw = name->toUtf8() + "=" + value.toUtf8() + lineEnd;
            return joined();
        }
        if (!lines[i].Text.isEmpty()) {
            lastFilled = i;
        }
    }
    if (LineEndOf(lines[lastFilled].Raw).isEmpty()) {
        lines[lastFilled].Raw += newLine;
    }
    lines.insert(lastFilled + 1, TIniLine{keyName.toUtf8() + "=" + value.toUtf8() + newLine, {}});
    return joined();
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value) const {
    WriteStrings(section, {{key, value}});
}

void TIniFile::WriteStrings(const QString& section, const QList<std::pair<QString, QString>>& keysAndValues) const {
    const auto failure = [this] {
        return TFailure(QStringLiteral("Unable to write to %1").arg(FFileName));
    };
    QByteArray content;
    QFile current(FFileName);
    if (current.exists()) {
        // A file that exists but cannot be read is never replaced: its other sections would be lost.
        if (!current.open(QIODevice::ReadOnly)) {
            throw failure();
        }
        content = current.readAll();
        if (current.error() != QFileDevice::NoError) {
            throw failure();
        }
        current.close();
    }
    for (const auto& [key, value] : keysAndValues) {
        std::optional<QByteArray> updated = WriteProfileString(content, section, key, value);
        if (!updated) {
            throw failure();
        }
        content = std::move(*updated);
    }
    QSaveFile file(FFileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !FlushAndCommit(file)) {
        throw failure();
    }
}
