// Started inside a pseudoconsole, starts a program with the console's own
// input and screen as its standard handles, which Wine does not hand to a
// pseudoconsole's child as Windows does, and writes the screen buffer's size
// after the program ends: "<columns>x<rows>" into REPORT-FILE.
// Usage: console_shim REPORT-FILE COMMAND-LINE; the exit status is the
// program's.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    const HANDLE input = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                     OPEN_EXISTING, 0, nullptr);
    const HANDLE screen = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                      OPEN_EXISTING, 0, nullptr);
    if (input == INVALID_HANDLE_VALUE || screen == INVALID_HANDLE_VALUE) return 2;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = screen;
    startup.hStdError = screen;
    PROCESS_INFORMATION child{};
    std::string line = argv[2];
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &child)) {
        return 2;
    }
    CloseHandle(child.hThread);
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(child.hProcess, &status);
    CloseHandle(child.hProcess);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (std::FILE* report = std::fopen(argv[1], "wb")) {
        if (GetConsoleScreenBufferInfo(screen, &info)) {
            std::fprintf(report, "%dx%d\n", info.dwSize.X, info.dwSize.Y);
        } else {
            std::fprintf(report, "unknown, error %lu\n", GetLastError());
        }
        std::fclose(report);
    }
    return static_cast<int>(status);
}
