#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// Everything the tool prints: tables for people on standard output, one JSON
// document for scripts, one-line reasons and the progress bar on standard
// error. The progress bar is drawn only when standard error is a terminal.
class VantorelOutput
{
public:
    explicit VantorelOutput(bool json);

    bool json() const { return m_json; }

    // A table with a header row; columns are padded by their width on a
    // terminal (a Chinese character takes two cells).
    void table(const QStringList &header, const QList<QStringList> &rows);
    void line(const QString &text);
    void document(const QJsonDocument &document);
    // One object on one line of its own, written out at once. After the
    // first, documents are written the same way, so that every line of the
    // output is one object.
    void json_line(const QJsonObject &object);
    // "vantorel: <reason>" on standard error, always one line (one_line).
    void error(const QString &reason);
    // One line on standard error for the person watching (the JSON
    // document or the table on standard output stay as they are).
    void note(const QString &text);
    // The text with control characters (line breaks too) escaped as \xHH and
    // a long one cut in the middle, so an echoed input cannot make a failure
    // span lines or screens.
    static QString one_line(const QString &text);

    void progress(const QString &label, int done, int total);
    void end_progress();

    static int text_width(const QString &text);

private:
    void write_out(const QString &text);

    bool m_json;
    bool m_tty_err;
    bool m_progress_shown = false;
    bool m_json_lines = false;
};
