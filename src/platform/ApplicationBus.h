#pragma once

#include "platform/ApplicationCall.h"

#include <QString>

#include <functional>

// The meeting point of the instances of Scrapwick in one user session: the
// first start claims it and receives the calls; later starts hand their
// request to it and end.
class ApplicationBus {
public:
    enum class Status {
        done, // claimed, or the call was delivered
        taken, // claim: another instance holds the name
        notRunning, // forward: nobody holds the name
        noBus, // no session bus to meet on
        failed, // forward: the running instance did not take the call
    };
    struct Result {
        Status status = Status::done;
        QString reason; // for noBus and failed: one line, no full stop
    };
    using CallHandler = std::function<void(const ApplicationCall&)>;

    virtual ~ApplicationBus() = default;

    // Becomes the instance: answers calls from now on and takes the name,
    // without waiting in line for it.
    [[nodiscard]] virtual Result claim() = 0;
    // Hands `call` to the instance that holds the name and waits for its answer.
    // Never starts an instance.
    [[nodiscard]] virtual Result forward(const ApplicationCall& call) = 0;
    // Where the calls go, on the main thread. Calls that came in before are
    // delivered now, in order.
    virtual void setCallHandler(CallHandler handler) = 0;
};
