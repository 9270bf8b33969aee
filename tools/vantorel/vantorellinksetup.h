#pragma once

#include "vantorelsettings.h"

#include <memory>

class VantorelLink;
class VantorelSession;
struct VantorelOptions;

// How the tool sets up its link: the settings file's link settings with the
// options given on the command line over them, and a link that names the
// parameter at an address from the session's model of the moment.
namespace VantorelLinkSetup {

// writes: the command writes into the drive, so a setting that decides
// where may not be a fallback.
VantorelSettings config(const VantorelOptions &options, bool writes);
std::unique_ptr<VantorelLink> make(const VantorelSession &session);

} // namespace VantorelLinkSetup
