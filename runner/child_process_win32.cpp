// The program's process on Windows: in a job object that is ended at the end
// of the run and when draxo-run's handle to it closes (draxo-run ends, or is
// killed), so that ending it ends what it started; the system's crash
// dialogs switched off (the program inherits the error mode), so that a
// crash ends it instead of waiting for someone to close a dialog. Its report
// comes through an anonymous pipe, looked at while its end is awaited.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "child_process.h"
#include "main/join_arguments.h"
#include "surface/run_file.h"

namespace draxo_run {
namespace {

volatile LONG stop_requested = 0;

BOOL WINAPI on_console_event(DWORD) {
    InterlockedExchange(&stop_requested, 1);
    return TRUE;
}

std::string system_message(DWORD error) {
    char* text = nullptr;
    DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length ? std::string(text, length) : "error " + std::to_string(error);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message;
}

// The exceptions that end a program, as the system names them. An exit code
// with the error severity (0xC.......) is taken for one.
std::string exception_name(DWORD code) {
    struct named {
        DWORD code;
        const char* name;
    };
    static const named names[] = {
        {0xC0000005, "access violation: memory that is not the program's"},
        {0xC00000FD, "stack overflow"},
        {0xC0000094, "integer division by zero"},
        {0xC0000095, "integer overflow"},
        {0xC000008E, "floating-point division by zero"},
        {0xC0000090, "floating-point invalid operation"},
        {0xC000001D, "illegal instruction"},
        {0xC0000096, "privileged instruction"},
        {0xC0000409, "stack buffer overrun, or a fast fail"},
        {0xC0000374, "heap corruption"},
        {0xC0000417, "invalid parameter to the C runtime"},
        {0xC0000135, "a DLL it needs was not found"},
        {0xC0000139, "an entry point it needs was not found in a DLL"},
        {0xC0000142, "a DLL failed to initialise"},
        {0x80000003, "breakpoint"},
    };
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
    for (const named& n : names)
        if (n.code == code) return std::string(n.name) + " (" + hex + ")";
    return std::string("exception ") + hex;
}

bool is_crash(DWORD code) { return (code & 0xF0000000u) == 0xC0000000u || code == 0x80000003u; }

using steady = std::chrono::steady_clock;

// How often the report is looked at while nothing else happens.
constexpr DWORD report_interval_ms = 5;
// The most time the end of a run waits for a report still held open by a
// process outside the job.
constexpr auto ending_patience = std::chrono::seconds(2);

// Hands what the pipe holds now to `report`, without waiting. False once
// every writer has closed it.
bool read_waiting(HANDLE pipe, report_sink& report, bool& got_some) {
    DWORD waiting = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr)) return false;
    while (waiting > 0) {
        char bytes[1 << 16];
        DWORD got = 0;
        if (!ReadFile(pipe, bytes, waiting < sizeof bytes ? waiting : sizeof bytes, &got, nullptr) || got == 0)
            return false;
        report.take(bytes, got);
        got_some = true;
        waiting -= got;
    }
    return true;
}

HANDLE inheritable(HANDLE h) {
    HANDLE copy = nullptr;
    if (!h || h == INVALID_HANDLE_VALUE) return nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
        return nullptr;
    return copy;
}

}  // namespace

struct child_process::state {
    HANDLE process = nullptr;
    HANDLE job = nullptr;
    HANDLE report = nullptr;  // the reading end of the report's pipe
    bool ended = false;
    bool ended_by_draxo_run = false;
    DWORD exit_code = 0;
};

child_process::child_process() : state_(std::make_unique<state>()) {}

namespace {

// Where the report goes once nobody wants it.
struct nowhere : report_sink {
    void take(const char*, std::size_t) override {}
};

}  // namespace

child_process::~child_process() {
    nowhere ignored;
    if (state_->process) end(ignored);
    if (state_->process) CloseHandle(state_->process);
    if (state_->job) CloseHandle(state_->job);
    if (state_->report) CloseHandle(state_->report);
}

bool child_process::start(const std::vector<std::string>& command, std::string& why_not) {
    std::vector<char*> arguments;
    for (const std::string& argument : command) arguments.push_back(const_cast<char*>(argument.c_str()));
    char* command_line = draxo_join_arguments(static_cast<int>(arguments.size()), arguments.data());
    if (!command_line) {
        why_not = "out of memory";
        return false;
    }
    // A crash ends the program, without the system's dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    // The report's pipe: the program inherits its writing end, by number;
    // room for a whole picture, so that the program seldom waits for it.
    HANDLE report_writer = nullptr;
    if (!CreatePipe(&state_->report, &report_writer, &inherit, 4u << 20)) {
        why_not = system_message(GetLastError());
        std::free(command_line);
        return false;
    }
    SetHandleInformation(state_->report, HANDLE_FLAG_INHERIT, 0);
    set_environment(
        draxo::run_report_variable,
        std::to_string(static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(report_writer))).c_str());
    HANDLE null_input =
        CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    HANDLE output = inheritable(GetStdHandle(STD_OUTPUT_HANDLE));
    HANDLE errors = inheritable(GetStdHandle(STD_ERROR_HANDLE));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = null_input;
    startup.hStdOutput = output;
    startup.hStdError = errors;

    state_->job = CreateJobObjectA(nullptr, nullptr);
    if (state_->job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(state_->job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    PROCESS_INFORMATION started{};
    BOOL made = CreateProcessA(nullptr, command_line, nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr,
                               &startup, &started);
    DWORD error = GetLastError();
    std::free(command_line);
    for (HANDLE h : {null_input, output, errors, report_writer})
        if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (!made) {
        why_not = system_message(error);
        return false;
    }
    if (state_->job && !AssignProcessToJobObject(state_->job, started.hProcess)) {
        CloseHandle(state_->job);
        state_->job = nullptr;  // the process alone is ended then
    }
    ResumeThread(started.hThread);
    CloseHandle(started.hThread);
    state_->process = started.hProcess;
    return true;
}

bool child_process::wait_for(int milliseconds, report_sink& report) {
    if (state_->ended) return true;
    if (!state_->process) return false;
    steady::time_point until = steady::now() + std::chrono::milliseconds(milliseconds < 0 ? 0 : milliseconds);
    for (;;) {
        bool got_some = false;
        if (state_->report && !read_waiting(state_->report, report, got_some)) {
            CloseHandle(state_->report);
            state_->report = nullptr;
        }
        if (got_some) return false;
        if (WaitForSingleObject(state_->process, report_interval_ms) == WAIT_OBJECT_0) {
            GetExitCodeProcess(state_->process, &state_->exit_code);
            state_->ended = true;
            return true;
        }
        if (asked_to_stop() || (milliseconds >= 0 && steady::now() >= until)) return false;
    }
}

void child_process::end(report_sink& report) {
    if (!state_->process) return;
    // The job holds whatever the program started: ended also when the
    // program ended by itself.
    if (state_->job) TerminateJobObject(state_->job, 1);
    if (!state_->ended) {
        TerminateProcess(state_->process, 1);
        WaitForSingleObject(state_->process, INFINITE);
        GetExitCodeProcess(state_->process, &state_->exit_code);
        state_->ended = state_->ended_by_draxo_run = true;
    }
    steady::time_point give_up = steady::now() + ending_patience;
    while (state_->report && steady::now() < give_up) {
        bool got_some = false;
        if (!read_waiting(state_->report, report, got_some)) break;
        if (got_some)
            give_up = steady::now() + ending_patience;
        else
            Sleep(report_interval_ms);
    }
    if (state_->report) CloseHandle(state_->report);
    state_->report = nullptr;
}

bool child_process::crashed() const {
    return state_->ended && !state_->ended_by_draxo_run && is_crash(state_->exit_code);
}

std::string child_process::crash() const { return exception_name(state_->exit_code); }

int child_process::exit_status() const { return static_cast<int>(state_->exit_code); }

void keep_watch_over_the_run() {}  // the job object ends everything with draxo-run

void set_environment(const char* name, const char* value) { SetEnvironmentVariableA(name, value); }

bool asked_to_stop() {
    static bool watching = false;
    if (!watching) {
        watching = true;
        SetConsoleCtrlHandler(on_console_event, TRUE);
    }
    return stop_requested != 0;
}

void write_failures_are_errors() {}  // there is no signal for either here

}  // namespace draxo_run
