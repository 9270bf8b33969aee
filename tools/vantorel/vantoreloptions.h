#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The tool's command line: the subcommand, its arguments and every option.
// Options may stand anywhere after the program name, as "--name value" or
// "--name=value". Link options left out come from the settings file.
struct VantorelOptions
{
    QString command;
    QStringList arguments;
    bool help = false;

    // Link; empty or 0 when not given.
    QString port;
    int baud = 0;
    char parity = 0;
    int stop = 0;
    QList<int> stations; // --station n or --stations list
    bool several_stations = false;
    QString config;      // settings file
    QString machine;     // description file
    QString history;     // history database instead of the settings' "History.Database"
    QString note;        // the operator's note on what is recorded
    int timeout = 0;
    int retries = -1;
    bool echo = false;   // the adapter returns what is sent (--echo)

    bool json = false;
    bool verbose = false;

    // get
    bool raw = false;
    // monitor
    int period = 1000;
    int count = 0; // 0: until interrupted
    QString csv;
    // download
    bool no_backup = false;
    bool no_verify = false;
    bool changed_only = false; // write only what differs from the drive
    bool dry_run = false;      // show the difference, write nothing
    // compare
    bool defaults = false;
    QString snapshot;
    bool record = false; // the drive's values go into the history too
    // history audit
    QString code;
    QString since;
    // scan
    QStringList scan_ports;
    QList<int> scan_bauds;
    QString scan_parities;
    int wait = 0;
    // describe: -o FILE or --output FILE
    QString output;

    // False with the reason when the line cannot be used.
    static bool parse(const QStringList &arguments, VantorelOptions *options, QString *error);
    // "1-10,12" as a list of stations 1..247, in order, without repeats.
    static bool parse_list(const QString &text, int lowest, int highest, QList<int> *list);
};
