#include "tools/ChildWatch.h"

#include <tlhelp32.h>

namespace ChildWatch {

double NowMs() {
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency{};
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / ticksPerMs;
}

Watch::Watch(HANDLE process)
    : watched_(GetProcessId(process)), job_(CreateJobObjectW(nullptr, nullptr)),
      port_(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1)) {
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT link{};
    link.CompletionKey = job_.get();
    link.CompletionPort = port_.get();
    working_ = job_ && port_ &&
               SetInformationJobObject(job_.get(), JobObjectAssociateCompletionPortInformation,
                                       &link, sizeof(link)) &&
               AssignProcessToJobObject(job_.get(), process);
}

bool Watch::WaitFor(const std::function<bool()>& condition, DWORD lookEveryMs, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= deadline)
            return false;
        TakeReports(lookEveryMs);
    }
    return true;
}

void Watch::TakeReports(DWORD waitMs) {
    if (!working_) {
        Sleep(waitMs);
        return;
    }
    DWORD message = 0;
    ULONG_PTR key = 0;
    LPOVERLAPPED detail = nullptr;
    // The first report is waited for, those queued behind it only taken.
    for (; GetQueuedCompletionStatus(port_.get(), &message, &key, &detail, waitMs); waitMs = 0) {
        const double now = NowMs();
        // For these reports the process id comes where an OVERLAPPED would.
        const auto processId = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(detail));
        if (message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO)
            allEnded_ = true;
        else if (processId == watched_)
            continue;
        else if (message == JOB_OBJECT_MSG_NEW_PROCESS)
            children_.push_back({processId, now, std::nullopt});
        else if (message == JOB_OBJECT_MSG_EXIT_PROCESS ||
                 message == JOB_OBJECT_MSG_ABNORMAL_EXIT_PROCESS)
            for (Child& child : children_)
                if (child.processId == processId && !child.ended)
                    child.ended = now;
    }
}

void WaitForOwnChildren(DWORD timeoutMs) {
    // Failure is INVALID_HANDLE_VALUE, as for files.
    const UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return;
    std::vector<UniqueKernelHandle> children;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry))
        if (entry.th32ParentProcessID == GetCurrentProcessId())
            children.emplace_back(OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID));
    for (const UniqueKernelHandle& child : children)
        if (child)
            WaitForSingleObject(child.get(), timeoutMs);
}

} // namespace ChildWatch
