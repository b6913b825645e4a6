#include "common/FailureReport.h"

#include "common/Failure.h"

#include <system_error>

std::wstring DescribeFailure(std::exception_ptr failure) {
    // std::terminate without an exception in flight, for one.
    if (!failure)
        return L"Unbekannter Fehler.";
    try {
        std::rethrow_exception(failure);
    } catch (const Failure& known) {
        return known.Message();
    } catch (const std::bad_alloc&) {
        return L"Nicht genügend Arbeitsspeicher.";
    } catch (const std::exception& other) {
        const std::string what = other.what();
        return std::wstring(what.begin(), what.end());
    } catch (...) {
        return L"Unbekannter Fehler.";
    }
}

namespace {

struct Sink {
    std::function<void(const std::wstring&)> report;
    UINT exitCode = kFailureExitCode;
};

Sink& CurrentSink() {
    static Sink sink;
    return sink;
}

} // namespace

void SetFailureSink(std::function<void(const std::wstring&)> sink, UINT exitCode) {
    CurrentSink() = {std::move(sink), exitCode};
}

void ReportUnexpectedFailure(std::exception_ptr failure) {
    if (const Sink& sink = CurrentSink(); sink.report) {
        sink.report(DescribeFailure(failure));
        ExitProcess(sink.exitCode);
    }
    const std::wstring text = std::wstring(FailureReport::kIntro) + L"\r\n\r\n" +
                              DescribeFailure(failure) + L"\r\n\r\n" +
                              std::wstring(FailureReport::kOutro);
    MessageBoxW(nullptr, text.c_str(), std::wstring(FailureReport::kTitle).c_str(),
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TASKMODAL);
    ExitProcess(kFailureExitCode);
}
