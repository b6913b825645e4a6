#pragma once

#include "association/Registration.h"

#include <functional>
#include <string>
#include <utility>

// Runs a registration as the wizard does, whatever its plan holds, and keeps
// what it reports.
class RegistrationRecorder : public Registration::Reporter {
public:
    explicit RegistrationRecorder(std::function<void()> onPendingEvents = {})
        : onPendingEvents_(std::move(onPendingEvents)) {}

    bool RegistersWhateverThePlan() const override { return true; }
    bool Planned(const Plan::Plan& planned) override {
        plan = planned;
        return true;
    }
    void ProcessPendingEvents() override {
        ++pendingEventCalls;
        if (onPendingEvents_)
            onPendingEvents_();
    }
    void BackedUp(const Plan::Plan&, const std::wstring&) override {}
    void Registered(const Registration::Outcome& done) override { outcome = done; }

    Plan::Plan plan;
    Registration::Outcome outcome;
    int pendingEventCalls = 0;

private:
    std::function<void()> onPendingEvents_;
};
