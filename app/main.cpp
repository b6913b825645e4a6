#include "common/FailureReport.h"
#include "unattended/CommandLine.h"
#include "unattended/SilentRun.h"
#include "wizard/Root.h"

#include <windows.h>

// Without arguments the wizard; with them the registration for administrators,
// without a window.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    try {
        const std::vector<std::wstring> arguments = CommandLine::Arguments(GetCommandLineW());
        if (!arguments.empty())
            return SilentRun::Run(CommandLine::Parse(arguments));
        Root root(instance);
        root.Show();
        return root.RunMessageLoop();
    } catch (...) {
        ReportUnexpectedFailure(std::current_exception());
    }
}
