#pragma once

#include "common/UniqueHandle.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

// The programs a process starts, seen as they start and end, on the benchmark's clock.
namespace ChildWatch {

// Milliseconds on the performance counter, the clock the reports are stamped with.
double NowMs();

// Every program the watched process starts joins its job, and the job's
// completion port reports each start and end. The moments are stamped while
// the caller waits on that port, so they are known closely without asking the
// watched process or the Wine server again and again.
class Watch {
public:
    struct Child {
        DWORD processId = 0;
        double started = 0;
        std::optional<double> ended;
    };

    // process needs PROCESS_SET_QUOTA and PROCESS_TERMINATE. Where the
    // platform offers no such job, nothing is watched and the waits only wait.
    explicit Watch(HANDLE process);

    // Returns once condition holds, false at the deadline; between looks it
    // takes the port's reports.
    bool WaitFor(const std::function<bool()>& condition, DWORD lookEveryMs, DWORD timeoutMs);
    // The watched process and every program it started have ended, or nothing is watched.
    bool AllEnded() const { return !working_ || allEnded_; }
    // In the order they started; none where nothing is watched.
    const std::vector<Child>& Children() const { return children_; }

private:
    void TakeReports(DWORD waitMs);

    DWORD watched_;
    UniqueKernelHandle job_;
    UniqueKernelHandle port_;
    bool working_ = false;
    bool allEnded_ = false;
    std::vector<Child> children_;
};

// Returns once every program this process started and that still runs has
// ended, or at the deadline.
void WaitForOwnChildren(DWORD timeoutMs);

} // namespace ChildWatch
