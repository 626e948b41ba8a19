#pragma once
// Shared by the fake wmic and powershell programs that the Wine scenarios put
// first on the Windows PATH, which answer from environment variables that the
// harness sets per scenario and log their command line, and by the planted
// look-alikes, which leave a marker if they ever run. QUORVEN_FAKE_DELAY_MS
// makes every fake command take that long; QUORVEN_FAKE_BARRIER makes each
// wait until that many fake commands are running at once.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fake {

inline std::string env(const char* name, bool* present = nullptr) {
    const char* value = std::getenv(name);
    if (present != nullptr) *present = value != nullptr;
    return value == nullptr ? std::string() : std::string(value);
}

// Bytes exactly as given: no text-mode translation on the way out.
inline void writeRaw(DWORD which, const std::string& bytes) {
    DWORD written = 0;
    WriteFile(GetStdHandle(which), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
              nullptr);
}

// The run's commands log at the same time: msvcrt's append mode seeks to the
// end and then writes, so without the lock two lines could land on one spot.
inline void log(const std::string& line) {
    const std::string path = env("QUORVEN_FAKE_LOG");
    if (path.empty()) return;
    const HANDLE lock = CreateMutexA(nullptr, FALSE, "quorven-fake-log");
    if (lock != nullptr) WaitForSingleObject(lock, INFINITE);
    if (std::FILE* file = std::fopen(path.c_str(), "ab")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
    if (lock != nullptr) {
        ReleaseMutex(lock);
        CloseHandle(lock);
    }
}

inline void delay() {
    const std::string ms = env("QUORVEN_FAKE_DELAY_MS");
    if (!ms.empty()) Sleep(static_cast<DWORD>(std::strtoul(ms.c_str(), nullptr, 10)));
}

// Waits until `path` exists, looking every 10 ms.
inline void waitForFile(const std::string& path) {
    while (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) Sleep(10);
}

// QUORVEN_FAKE_BARRIER is "<count> <folder>": each fake command leaves a file
// in the folder and answers only once `count` of them have. Commands run one
// after another never get there; the run would end the first at its 30 s
// limit, so after 20 s it gives up and logs that it ran alone, which names
// the fault in the scenario's log. Each logs its arrival before its file, and
// its going on after it has counted, so that the log itself shows whether
// every command arrived before any went on, whatever the count said.
inline void barrier(const char* program) {
    const std::string setting = env("QUORVEN_FAKE_BARRIER");
    const std::size_t blank = setting.find(' ');
    if (blank == std::string::npos) return;
    const unsigned long count = std::strtoul(setting.c_str(), nullptr, 10);
    const std::string folder = setting.substr(blank + 1);
    const std::string mine = folder + "\\" + std::to_string(GetCurrentProcessId());
    log(std::string("barrier: ") + program + " arrived");
    const HANDLE file = CreateFileA(mine.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    for (DWORD waited = 0;; waited += 10) {
        unsigned long arrived = 0;
        WIN32_FIND_DATAA found;
        const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++arrived;
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        const bool alone = waited >= 20'000;
        if (arrived >= count || alone) {
            log(std::string("barrier: ") + program + (alone ? " ran alone, " : " went on, ") +
                std::to_string(arrived) + " of " + std::to_string(count) + " running");
            return;
        }
        Sleep(10);
    }
}

inline void logCommandLine(const char* program) {
    log(std::string(program) + ": " + GetCommandLineA());
}

// Creates "<own file name>.ran" beside the module; `module` null is the exe.
inline void leaveMarker(HMODULE module) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    const std::string marker = std::string(path, length) + ".ran";
    const HANDLE file = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

inline bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

}  // namespace fake
