#include "vantorellinksetup.h"

#include "vantorellink.h"
#include "vantoreloptions.h"
#include "vantorelsession.h"
#include "vantorelvalues.h"

#include <paramset/linksettings.h>

#include <coredata/qsettingmanager.h>

#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>

#include <algorithm>

namespace VantorelLinkSetup {

tagSerialConfig config(const VantorelOptions &options)
{
    QSettingManager settings = options.config.isEmpty() ? QSettingManager() : QSettingManager(options.config);
    settings.load();
    tagSerialConfig config =
        LinkSettings::read([&settings](const QString &key) { return settings.get_value(key); });
    if (!options.port.isEmpty())
        config.port_name = options.port;
    if (options.baud > 0)
        config.baud_rate = options.baud;
    if (options.parity != 0)
        config.parity = options.parity;
    if (options.stop > 0)
        config.stop = options.stop;
    if (options.echo)
        config.local_echo = true;
    return config;
}

std::unique_ptr<VantorelLink> make(const VantorelSession &session)
{
    auto link = std::make_unique<VantorelLink>();
    link->set_namer([&session](int address) {
        QMachine *machine = session.machine();
        QMachineValue *value = machine ? machine->get_value(address) : nullptr;
        return value ? VantorelValues::code_of(value) + QLatin1Char(' ') + VantorelValues::name_of(value)
                     : QString();
    });
    const VantorelOptions &options = session.options();
    if (options.timeout > 0 || options.retries >= 0) {
        const int timeout = options.timeout > 0 ? options.timeout : 500;
        const int retries = options.retries >= 0 ? options.retries : 2;
        link->set_timeout(timeout, retries);
        link->set_connect_wait(std::max(1000, 2 * timeout * (retries + 1)));
    }
    return link;
}

} // namespace VantorelLinkSetup
