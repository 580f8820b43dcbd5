#include "app/InstanceStartup.h"

#include "app/ApplicationActions.h"
#include "app/CommandLine.h"

namespace {

using Status = ApplicationBus::Status;

// The holder of the name may quit between our claim and our call; a few
// rounds settle who is the instance.
constexpr int attempts = 3;

QString unreachable(const QString& reason, const QString& consequence)
{
    return QStringLiteral("Scrapwick: cannot reach a running instance (%1); %2").arg(reason, consequence);
}

StartDecision notTaken(const QString& reason)
{
    return { false, ExitStatus::cannotRun,
        QStringLiteral("Scrapwick: the running instance did not take the request (%1)").arg(reason) };
}

StartDecision quit(ApplicationBus& bus, const ApplicationCall& request)
{
    const ApplicationBus::Result result = bus.forward(request);
    switch (result.status) {
    case Status::done:
    case Status::taken:
        return {};
    case Status::notRunning:
        return { false, ExitStatus::success, QStringLiteral("Scrapwick is not running; nothing to quit") };
    case Status::noBus:
        // An instance without a bus cannot be reached by anyone; as the only
        // instance this start would quit at once, so it ends here.
        return { false, ExitStatus::success, unreachable(result.reason, QStringLiteral("nothing to quit")) };
    case Status::failed:
        break;
    }
    return notTaken(result.reason);
}

StartDecision handOverOnly(ApplicationBus& bus, const ApplicationCall& request, const QString& displayProblem)
{
    const ApplicationBus::Result result = bus.forward(request);
    if (result.status == Status::done)
        return {};
    if (result.status == Status::failed)
        return notTaken(result.reason);
    return { false, ExitStatus::cannotRun, displayProblem };
}

} // namespace

namespace InstanceStartup {

StartDecision decide(ApplicationBus& bus, const ApplicationCall& request, const std::optional<QString>& displayProblem)
{
    if (request == ApplicationCall::action(ApplicationActions::quit))
        return quit(bus, request);
    if (displayProblem)
        return handOverOnly(bus, request, *displayProblem);

    for (int attempt = 0; attempt < attempts; ++attempt) {
        const ApplicationBus::Result claim = bus.claim();
        if (claim.status == Status::done)
            return { true, ExitStatus::success, {} };
        if (claim.status == Status::noBus) {
            // A plain start has nothing to hand over, so nothing to report.
            const bool plain = request.method == ApplicationCall::Method::activate;
            return { true, ExitStatus::success,
                plain ? QString() : unreachable(claim.reason, QStringLiteral("running this one on its own")) };
        }
        if (claim.status != Status::taken) // a bus that misbehaves is no reason not to start
            return { true, ExitStatus::success,
                QStringLiteral("Scrapwick: cannot take its name on the session bus (%1); running this one on its own")
                    .arg(claim.reason) };

        const ApplicationBus::Result handedOver = bus.forward(request);
        if (handedOver.status == Status::done)
            return {};
        if (handedOver.status != Status::notRunning)
            return notTaken(handedOver.reason);
        // The holder has just quit: try again to become the instance.
    }
    return { false, ExitStatus::cannotRun, QStringLiteral("Scrapwick: the running instance keeps coming and going") };
}

} // namespace InstanceStartup
