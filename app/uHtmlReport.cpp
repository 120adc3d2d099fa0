#include "uHtmlReport.h"

#include "TFailure.h"
#include "TMemTable.h"
#include "uProduct.h"
#include "uSaveFile.h"

#include <QSaveFile>

namespace {

const QString MakerDivision = QStringLiteral("<DIV align=\"center\" style=\"font-size: 8pt;\">");

} // namespace

QString HtmlEscape(const QString& text) {
    QString escaped;
    escaped.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        switch (c) {
        case U'&':
            escaped += QLatin1String("&amp;");
            break;
        case U'<':
            escaped += QLatin1String("&lt;");
            break;
        case U'>':
            escaped += QLatin1String("&gt;");
            break;
        case U'"':
            escaped += QLatin1String("&quot;");
            break;
        default:
            // The file is single-byte: a character beyond it goes as a character reference, not as "?".
            if (c > 0xFF) {
                escaped += QStringLiteral("&#%1;").arg(static_cast<uint>(c));
            } else {
                escaped += QChar(static_cast<char16_t>(c));
            }
        }
    }
    return escaped;
}

QStringList ReportHeaderLines(const QString& caption, const QString& picturePath) {
    const QString title = HtmlEscape(caption);
    return {
        QStringLiteral("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\"><HTML><HEAD><TITLE>"),
        QStringLiteral("TALVERO - ") + title +
            QStringLiteral("</TITLE></HEAD><BODY link=\"blue\" vlink=\"blue\" alink=\"blue\">"),
        QStringLiteral("<DIV align=\"center\" style=\"font-size: 24pt; font-weight: bold;\">TALVERO - ") + title +
            QStringLiteral("</DIV><HR size=1 noshade>"),
        MakerDivision + QStringLiteral("<A HREF=\"%1\">%2</A></DIV><BR>")
                            .arg(QLatin1String(MakerWebAddress), QLatin1String(MakerName)),
        QStringLiteral("<CENTER>"),
        QStringLiteral("<IMG SRC=\"") + HtmlEscape(picturePath) + QStringLiteral("\"><BR clear=\"all\"><BR>"),
    };
}

QStringList ReportFooterLines() {
    return {
        QStringLiteral("<HR size=1 noshade>"),
        MakerDivision + QStringLiteral("%1: <A HREF=\"mailto:%2\">%2</A></DIV><BR>")
                            .arg(QLatin1String(MakerName), QLatin1String(MakerMailAddress)),
        QStringLiteral("</CENTER></BODY></HTML>"),
    };
}

void WriteRecordBlock(const TMemTable& table, int reportWidth, QStringList& lines) {
    auto disp = [&table](const char* field) {
        return HtmlEscape(table.DisplayText(table.FieldByName(QString::fromLatin1(field))));
    };
    const QString bigSpan =
        QStringLiteral("<SPAN style=\"font-size: 18pt; font-weight: bold; font-family: courier new\">");
    const QString smallSpan = QStringLiteral("<SPAN style=\"font-size: 9pt; font-family: courier new\">");
    lines << QStringLiteral("<TABLE cellpadding=4 cellspacing=4 width=%1>").arg(reportWidth)
          << QStringLiteral("<TR bgcolor=\"#DDDDDD\">")
          << QStringLiteral("<TD><SPAN style=\"font-size: 12pt; font-weight: bold;\">") + disp("DATE") +
                 QStringLiteral(" - ") + disp("TIME") + QStringLiteral("</SPAN></TD>")
          << QStringLiteral("<TD width=150><SPAN style=\"font-size: 12pt; font-weight: bold;\">BUY</SPAN></TD>")
          << QStringLiteral("<TD width=150><SPAN style=\"font-size: 12pt; font-weight: bold;\">SELL</SPAN></TD></TR>")
          << QStringLiteral("<TR><TD align=\"left\" valign=\"top\" nowrap>") + smallSpan
          << QStringLiteral("Current price ...................... <B>") + disp("CURRENT") + QStringLiteral("</B><BR>")
          << QStringLiteral("Highest price within last 24 hours . ") + disp("HIGHEST") + QStringLiteral("<BR>")
          << QStringLiteral("Lowest price within last 24 hours .. ") + disp("LOWEST") + QStringLiteral("<BR>")
          << QStringLiteral("Price exactly 24 hours ago ......... ") + disp("PRICE_24") + QStringLiteral("<BR>")
          << QStringLiteral("Price exactly 48 hours ago ......... ") + disp("PRICE_48") + QStringLiteral("<BR>")
          << QStringLiteral("Price exactly 72 hours ago.......... ") + disp("PRICE_64") + QStringLiteral("<BR>")
          << QStringLiteral("</SPAN></TD>") << QStringLiteral("<TD align=\"left\" valign=\"top\" nowrap>") << bigSpan
          << disp("BUY_SIG") + QStringLiteral("</SPAN><BR><BR>") << smallSpan
          << QStringLiteral("STOP : ") + disp("BUY_STOP") + QStringLiteral("<BR>")
          << QStringLiteral("Limit: ") + disp("BUY_LIMIT") + QStringLiteral("</SPAN>") << QStringLiteral("</TD>")
          << QStringLiteral("<TD align=\"left\" valign=\"top\" nowrap>") << bigSpan
          << disp("SELL_SIG") + QStringLiteral("</SPAN><BR><BR>") << smallSpan
          << QStringLiteral("STOP : ") + disp("SELL_STOP") + QStringLiteral("<BR>")
          << QStringLiteral("Limit: ") + disp("SELL_LIMIT") + QStringLiteral("</SPAN>")
          << QStringLiteral("</TD></TR></TABLE>");
}

void WriteReportFile(const QString& path, const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toLatin1();
        bytes += "\r\n";
    }
    QSaveFile file(path);
    OpenReplacement(file);
    if (file.write(bytes) != bytes.size()) {
        throw TFailure(QStringLiteral("Stream write error"));
    }
    CommitReplacement(file);
}
