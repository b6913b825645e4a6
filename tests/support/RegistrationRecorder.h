#pragma once

#include "association/Registration.h"

#include <functional>
#include <string>
#include <utility>

namespace support {

// Runs a registration as the wizard does, whatever its plan holds, and keeps
// what it reports.
class RegistrationRecorder : public Registration::Reporter {
public:
    explicit RegistrationRecorder(std::function<void()> onPendingEvents = {})
        : onPendingEvents_(std::move(onPendingEvents)) {}

    bool RegistersWhateverThePlan() const override { return true; }
    bool Planned(const Registration::Plan& planned) override {
        plan = planned;
        return true;
    }
    void ProcessPendingEvents() override {
        ++pendingEventCalls;
        if (onPendingEvents_)
            onPendingEvents_();
    }
    void BackedUp(const Registration::Plan&, const std::wstring&) override {}
    void Registered(const Registration::Outcome& done) override { outcome = done; }

    Registration::Plan plan;
    Registration::Outcome outcome;
    int pendingEventCalls = 0;

private:
    std::function<void()> onPendingEvents_;
};

} // namespace support
