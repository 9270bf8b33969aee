#pragma once

#include <QMetaType>
#include <QString>

// Serial settings of one link. The first five fields keep their order; callers
// fill them from the settings store. port_name, when not empty, names the
// device directly (a pseudo-terminal, an adapter the system does not list);
// when empty, serial_number chooses the port (1 = first).
struct tagSerialConfig
{
    int baud_rate = 19200;
    int data_length = 8;
    int stop = 1;
    char parity = 'n';
    int serial_number = 1;
    QString port_name;
    // The drive's station address, 1..247. The link itself does not use it:
    // whoever builds the missions puts it into each of them.
    int station = 1;
    // The adapter returns every byte sent (two-wire RS-485 adapters often
    // do): the link expects the echo of each request and removes it.
    bool local_echo = false;
};
