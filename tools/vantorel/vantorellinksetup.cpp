#include "vantorellinksetup.h"

#include "vantorellink.h"
#include "vantoreloptions.h"
#include "vantorelsession.h"
#include "vantorelvalues.h"

#include <paramset/parammissions.h>

#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>

#include <algorithm>

namespace VantorelLinkSetup {

VantorelSettings config(const VantorelOptions &options, bool writes)
{
    return VantorelSettings::read(options, writes);
}

std::unique_ptr<VantorelLink> make(const VantorelSession &session)
{
    auto link = std::make_unique<VantorelLink>();
    link->set_namer([&session](int address) {
        // Either word of a two-word value names it.
        QMachineValue *value = ParamMissions::value_at(session.machine(), address);
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
