#pragma once

#include "platform/services.h"

#include <ostream>
#include <string>

namespace tarnwell {

// "Versions kept: 30 days" or "Versions kept: none (keep-days 0)".
std::string keepDaysLine(int days);

// Prints the folder pairs, the backup time, the days versions are kept and the drive table of
// Config.dat, passwords hidden.
// Returns the exit status: 0, or 2 when the file cannot be read (reported on err).
int showConfiguration(const Services& services, std::ostream& out, std::ostream& err);

} // namespace tarnwell
