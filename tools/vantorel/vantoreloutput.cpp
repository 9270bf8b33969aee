#include "vantoreloutput.h"

#include <QByteArray>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kBarWidth = 30;

void write_to(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

bool is_wide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3)
        || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60)
        || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

} // namespace

VantorelOutput::VantorelOutput(bool json)
    : m_json(json)
    , m_tty_err(::isatty(STDERR_FILENO) == 1)
{
}

int VantorelOutput::text_width(const QString &text)
{
    int width = 0;
    for (const char32_t c : text.toUcs4())
        width += is_wide(c) ? 2 : 1;
    return width;
}

void VantorelOutput::write_out(const QString &text)
{
    end_progress();
    write_to(stdout, text);
}

void VantorelOutput::table(const QStringList &header, const QList<QStringList> &rows)
{
    QList<int> widths;
    for (const QString &cell : header)
        widths.append(text_width(cell));
    for (const QStringList &row : rows) {
        for (int i = 0; i < row.size() && i < widths.size(); ++i)
            widths[i] = std::max(widths.at(i), text_width(row.at(i)));
    }
    const auto format = [&](const QStringList &row) {
        QString out;
        for (int i = 0; i < row.size(); ++i) {
            const QString &cell = row.at(i);
            out += cell;
            if (i + 1 < row.size())
                out += QString(widths.value(i) - text_width(cell) + 2, QLatin1Char(' '));
        }
        return out.trimmed() + QLatin1Char('\n');
    };
    QString text = format(header);
    for (const QStringList &row : rows)
        text += format(row);
    write_out(text);
}

void VantorelOutput::line(const QString &text)
{
    write_out(text + QLatin1Char('\n'));
}

void VantorelOutput::document(const QJsonDocument &document)
{
    end_progress();
    QByteArray bytes = document.toJson(m_json_lines ? QJsonDocument::Compact : QJsonDocument::Indented);
    if (m_json_lines)
        bytes.append('\n');
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void VantorelOutput::json_line(const QJsonObject &object)
{
    m_json_lines = true;
    document(QJsonDocument(object));
}

QString VantorelOutput::one_line(const QString &text)
{
    // Whatever a failure echoes (an argument, a file's cell, a port name) is
    // the reader's input: one line, and short enough to read.
    constexpr qsizetype kHead = 240;
    constexpr qsizetype kTail = 120;
    QString out;
    out.reserve(std::min<qsizetype>(text.size(), kHead + kTail + 16));
    const auto append = [&out](QChar c) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("\\x") + QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else
            out += c;
    };
    if (text.size() <= kHead + kTail) {
        for (const QChar c : text)
            append(c);
        return out;
    }
    for (qsizetype i = 0; i < kHead; ++i)
        append(text.at(i));
    out += QStringLiteral(" … ");
    for (qsizetype i = text.size() - kTail; i < text.size(); ++i)
        append(text.at(i));
    return out;
}

void VantorelOutput::error(const QString &reason)
{
    end_progress();
    write_to(stderr, QStringLiteral("vantorel: %1\n").arg(one_line(reason)));
}

void VantorelOutput::note(const QString &text)
{
    end_progress();
    write_to(stderr, one_line(text) + QLatin1Char('\n'));
}

void VantorelOutput::progress(const QString &label, int done, int total)
{
    if (!m_tty_err || total <= 0)
        return;
    const int filled = int(qint64(kBarWidth) * done / total);
    const QString bar = QString(filled, QLatin1Char('#')) + QString(kBarWidth - filled, QLatin1Char('.'));
    write_to(stderr, QStringLiteral("\r%1 [%2] %3/%4").arg(label, bar).arg(done).arg(total));
    m_progress_shown = true;
}

void VantorelOutput::end_progress()
{
    if (!m_progress_shown)
        return;
    m_progress_shown = false;
    write_to(stderr, QStringLiteral("\n"));
}
