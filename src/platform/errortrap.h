#pragma once

#include "platform/error.h"
#include "platform/messagebox.h"

#include <exception>
#include <string_view>

namespace tarnwell {

// Shows "number description[suffix]" in a message box titled with the program title.
void reportError(MessageBox& box, const RuntimeError& error, std::string_view suffix = {});

// A routine's error trap: runs body; any failure ends it at once and is reported with the
// routine's suffix. Returns false when the body failed.
template <typename Body> bool errorTrap(MessageBox& box, std::string_view suffix, Body&& body)
{
    try {
        body();
        return true;
    } catch (const std::exception& error) {
        reportError(box, toRuntimeError(error), suffix);
        return false;
    }
}

} // namespace tarnwell
