#include "platform/errortrap.h"

namespace tarnwell {

void reportError(MessageBox& box, const RuntimeError& error, std::string_view suffix)
{
    box.show(errorReport(error, suffix), kProgramTitle, MessageIcon::None);
}

} // namespace tarnwell
