// Runs a program as a terminal does since Windows 10: inside a pseudoconsole
// of 120 by 30 cells, answers typed as a terminal sends them (Enter is a
// carriage return), and every byte that the pseudoconsole writes saved.
// Usage: pseudoconsole_host OUTPUT-FILE ANSWERS COMMAND-LINE
// ANSWERS is typed line by line, each line ended by "\r"; the exit status is
// the program's.
#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: pseudoconsole_host OUTPUT-FILE ANSWERS COMMAND-LINE\n", stderr);
        return 2;
    }
    HANDLE inputRead = nullptr, inputWrite = nullptr, outputRead = nullptr, outputWrite = nullptr;
    if (!CreatePipe(&inputRead, &inputWrite, nullptr, 0) ||
        !CreatePipe(&outputRead, &outputWrite, nullptr, 0)) {
        std::fprintf(stderr, "no pipes: %lu\n", GetLastError());
        return 2;
    }
    HPCON console = nullptr;
    const HRESULT made = CreatePseudoConsole(COORD{120, 30}, inputRead, outputWrite, 0, &console);
    // The pseudoconsole holds its own copies now.
    CloseHandle(inputRead);
    CloseHandle(outputWrite);
    if (FAILED(made)) {
        std::fprintf(stderr, "no pseudoconsole: 0x%08lX\n", static_cast<unsigned long>(made));
        return 2;
    }
    // Read from the start: a pseudoconsole whose output is not drained
    // stalls its program.
    std::string screen;
    std::thread reader([&] {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(outputRead, buffer, sizeof buffer, &got, nullptr) && got != 0) {
            screen.append(buffer, got);
        }
    });

    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::string storage(size, '\0');
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof(startup);
    startup.lpAttributeList = attributes;
    PROCESS_INFORMATION child{};
    std::string line = argv[3];
    if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size) ||
        !UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_PSEUDOCONSOLE, console,
                                   sizeof(console), nullptr, nullptr) ||
        !CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE,
                        EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr, &startup.StartupInfo,
                        &child)) {
        std::fprintf(stderr, "not started: %lu\n", GetLastError());
        return 2;
    }
    CloseHandle(child.hThread);

    std::string typed;
    for (const char* at = argv[2]; *at != '\0'; ++at) typed += *at == '\n' ? '\r' : *at;
    DWORD written = 0;
    WriteFile(inputWrite, typed.data(), static_cast<DWORD>(typed.size()), &written, nullptr);

    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(child.hProcess, &status);
    CloseHandle(child.hProcess);
    // Ends the output pipe once everything on the screen is written.
    ClosePseudoConsole(console);
    reader.join();
    CloseHandle(inputWrite);
    DeleteProcThreadAttributeList(attributes);

    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) return 2;
    std::fwrite(screen.data(), 1, screen.size(), out);
    std::fclose(out);
    return static_cast<int>(status);
}
