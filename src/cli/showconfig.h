#pragma once

#include "platform/services.h"

#include <ostream>

namespace tarnwell {

// Prints the folder pairs, the backup time and the drive table of Config.dat, passwords hidden.
// Returns the exit status: 0, or 2 when the file cannot be read (reported on err).
int showConfiguration(const Services& services, std::ostream& out, std::ostream& err);

} // namespace tarnwell
