#include "wizard/FailureReport.h"
#include "wizard/Root.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    try {
        Root root(instance);
        root.Show();
        return root.RunMessageLoop();
    } catch (...) {
        ReportUnexpectedFailure(std::current_exception());
    }
}
