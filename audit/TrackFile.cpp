#include "TrackFile.h"

#include "AuditTime.h"

#include <QStringList>

#include <algorithm>

namespace {

// Splits CSV text into records of fields, each record with the line it starts on.
class CsvSplitter
{
public:
    explicit CsvSplitter(const QString &text) : m_text(text) {}

    // False at the end; *error set for an unclosed quote.
    bool next(QStringList *fields, int *line, QString *error)
    {
        fields->clear();
        // Blank lines are skipped.
        while (m_at < m_text.size() && (m_text.at(m_at) == QLatin1Char('\n')
                                        || m_text.at(m_at) == QLatin1Char('\r'))) {
            m_line += m_text.at(m_at) == QLatin1Char('\n') ? 1 : 0;
            ++m_at;
        }
        if (m_at >= m_text.size())
            return false;
        *line = m_line;
        QString field;
        bool quoted = false;
        for (; m_at < m_text.size(); ++m_at) {
            const QChar c = m_text.at(m_at);
            if (quoted) {
                if (c == QLatin1Char('"')) {
                    if (m_at + 1 < m_text.size() && m_text.at(m_at + 1) == QLatin1Char('"')) {
                        field += c;
                        ++m_at;
                    } else {
                        quoted = false;
                    }
                } else {
                    m_line += c == QLatin1Char('\n') ? 1 : 0;
                    field += c;
                }
            } else if (c == QLatin1Char('"')) {
                quoted = true;
            } else if (c == QLatin1Char(',')) {
                fields->append(field);
                field.clear();
            } else if (c == QLatin1Char('\n')) {
                ++m_line;
                ++m_at;
                break;
            } else if (c != QLatin1Char('\r')) {
                field += c;
            }
        }
        if (quoted) {
            *error = QStringLiteral("line %1: a quote is not closed").arg(*line);
            return false;
        }
        fields->append(field);
        return true;
    }

private:
    const QString &m_text;
    int m_at = 0;
    int m_line = 1;
};

} // namespace

bool TrackFile::read(const QByteArray &csv, QList<TrackRow> *rows, QString *error)
{
    error->clear();
    QString text = QString::fromUtf8(csv);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    CsvSplitter splitter(text);
    QStringList fields;
    int line = 0;
    if (!splitter.next(&fields, &line, error)) {
        if (error->isEmpty())
            *error = QStringLiteral("the track is empty: no header line");
        return false;
    }
    const char *const names[4] = {"unit", "time", "lat", "lon"};
    int column[4] = {-1, -1, -1, -1};
    for (int i = 0; i < fields.size(); ++i) {
        for (int k = 0; k < 4; ++k) {
            if (fields.at(i).trimmed().compare(QLatin1String(names[k]), Qt::CaseInsensitive) == 0
                && column[k] < 0)
                column[k] = i;
        }
    }
    for (int k = 0; k < 4; ++k) {
        if (column[k] < 0) {
            *error = QStringLiteral("line %1: no column \"%2\" (unit, time, lat and lon are "
                                    "needed)")
                         .arg(line)
                         .arg(QLatin1String(names[k]));
            return false;
        }
    }
    const int needed = *std::max_element(column, column + 4) + 1;
    QList<TrackRow> read;
    while (splitter.next(&fields, &line, error)) {
        if (fields.size() < needed) {
            *error = QStringLiteral("line %1: %2 fields, %3 needed")
                         .arg(line)
                         .arg(fields.size())
                         .arg(needed);
            return false;
        }
        TrackRow row;
        row.line = line;
        row.unit = fields.at(column[0]).trimmed();
        QString why;
        if (!AuditTime::parse(fields.at(column[1]), &row.time, &why)) {
            *error = QStringLiteral("line %1: time %2").arg(line).arg(why);
            return false;
        }
        bool latOk = false, lonOk = false;
        row.latitude = fields.at(column[2]).trimmed().toDouble(&latOk);
        row.longitude = fields.at(column[3]).trimmed().toDouble(&lonOk);
        if (!latOk || !lonOk) {
            *error = QStringLiteral("line %1: lat and lon must be numbers").arg(line);
            return false;
        }
        read.append(row);
    }
    if (!error->isEmpty())
        return false;
    *rows = read;
    return true;
}
