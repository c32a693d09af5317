#pragma once

#include "common/UserError.h"
#include "workbench/Workbench.h"

#include <QString>
#include <exception>

namespace WorkbenchDelivery {

// Runs code handed a job's result; whatever it throws becomes a message.
template <typename Handler>
void deliver(Workbench& workbench, Handler handler)
{
    try {
        handler();
    } catch (const UserError& error) {
        emit workbench.failed(error.title(), error.message());
    } catch (const std::exception& error) {
        emit workbench.failed(QStringLiteral("错误"), QString::fromLocal8Bit(error.what()));
    }
}

} // namespace WorkbenchDelivery
