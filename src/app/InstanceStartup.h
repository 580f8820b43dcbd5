#pragma once

#include "platform/ApplicationBus.h"
#include "platform/ApplicationCall.h"

#include <QString>

#include <optional>

// What this start does once it has looked for a running instance.
struct StartDecision {
    bool runHere = false; // become the instance, then perform the request
    int exitCode = 0; // otherwise: end with this status
    QString message; // one line for standard error, or nothing
};

// Scrapwick runs once per session. A start first tries to become the instance;
// when another holds the name it hands its request over and ends. Without a
// session bus it runs on its own.
namespace InstanceStartup {
// `displayProblem`: why this process cannot show anything; it can then only
// hand the request over. "quit" is never a reason to start an instance.
[[nodiscard]] StartDecision decide(
    ApplicationBus& bus, const ApplicationCall& request, const std::optional<QString>& displayProblem);
} // namespace InstanceStartup
