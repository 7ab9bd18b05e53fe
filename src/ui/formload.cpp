#include "ui/formload.h"

#include "platform/errortrap.h"

#include <QPushButton>

namespace tarnwell {

void reportLoadFailure(MessageBox& box, const std::exception& failure, std::string_view suffix,
                       QPushButton* save)
{
    const RuntimeError error = toRuntimeError(failure);
    reportError(box, error, suffix);
    // Without a file there is nothing to lose.
    if (error.number() != ErrorNumber::FileNotFound)
        save->setEnabled(false);
}

} // namespace tarnwell
