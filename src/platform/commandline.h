#pragma once

#include <string>
#include <vector>

namespace tarnwell {

// The command line and the console of a console program, as the backend's OS gives them.

// The arguments after the program's name, in UTF-8 as the logic keeps every text. Where the OS
// passes them in another form (Windows: UTF-16), argv is ignored and the OS is asked.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Lets the console show the program's UTF-8 output as it is meant.
void useUtf8Console();

// Whether the standard error stream is a terminal a person watches.
bool stderrIsTerminal();

} // namespace tarnwell
