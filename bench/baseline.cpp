// The least a Windows program can do to make the child-process calls and the
// WMI query that one quorven.exe run makes, in its order, so that the bench
// can tell quorven's own cost from what Windows (here Wine) charges for the
// calls. The steps come from the file named by argv[1], one per line:
// "<kind>\t<text>", kind being probe, hidden (each starts a command),
// collect (waits for the next <text> of those started, or for all of them),
// system, tbs, registry, wlan, wmi, pci, write (the text and a line end on
// standard output, at once), pause (Sleep for <text> ms, as quorven pauses)
// or time (prints "time: <s>", the seconds since the previous time step).
#include <windows.h>
#include <setupapi.h>
#include <wlanapi.h>
#include <objbase.h>
#include <oleauto.h>
#include <wbemidl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// Built as quorven runs every command: cmd.exe named by its full path,
// standard input on NUL, standard output on a pipe, and standard error on the
// pipe too for a hidden run or on NUL for a probe; only inheritable copies of
// those two handles, made for CreateProcessA, inherited; the child started
// suspended, put in a job that kills it when closed, then resumed; one reader
// thread per child. Started captures run side by side until "collect".
struct Started {
    const char* kind;
    HANDLE readEnd, process, job;
    std::size_t bytes;
    std::thread reader;
};
std::vector<std::unique_ptr<Started>> running;

void startCmdPipe(const char* kind, const std::string& command, bool withStandardError) {
    char cmd[MAX_PATH];
    const UINT length = GetSystemDirectoryA(cmd, MAX_PATH - 9);
    std::strcpy(cmd + length, "\\cmd.exe");
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0)) {
        std::printf("%s: no pipe\n", kind);
        return;
    }
    HANDLE nul =
        CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    const HANDLE self = GetCurrentProcess();
    HANDLE childWrite = nullptr, childNul = nullptr;
    DuplicateHandle(self, writeEnd, self, &childWrite, 0, TRUE, DUPLICATE_SAME_ACCESS);
    DuplicateHandle(self, nul, self, &childNul, 0, TRUE, DUPLICATE_SAME_ACCESS);
    HANDLE handles[] = {childWrite, childNul};
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::string storage(size, '\0');
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
    InitializeProcThreadAttributeList(list, 1, 0, &size);
    UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles, sizeof(handles),
                              nullptr, nullptr);
    const HANDLE job = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    std::string line = "cmd.exe /C " + command;
    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    startup.StartupInfo.hStdInput = childNul;
    startup.StartupInfo.hStdOutput = childWrite;
    startup.StartupInfo.hStdError = withStandardError ? childWrite : childNul;
    startup.lpAttributeList = list;
    PROCESS_INFORMATION info{};
    const BOOL started =
        CreateProcessA(cmd, line.data(), nullptr, nullptr, TRUE,
                       CREATE_NO_WINDOW | CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT, nullptr,
                       nullptr, &startup.StartupInfo, &info);
    // Every copy of the write end must go before reading, or the read never ends.
    CloseHandle(childWrite);
    CloseHandle(childNul);
    CloseHandle(writeEnd);
    CloseHandle(nul);
    DeleteProcThreadAttributeList(list);
    if (!started) {
        std::printf("%s: not started, 0 bytes\n", kind);
        CloseHandle(readEnd);
        CloseHandle(job);
        return;
    }
    AssignProcessToJobObject(job, info.hProcess);
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    auto capture = std::make_unique<Started>(Started{kind, readEnd, info.hProcess, job, 0, {}});
    Started* reading = capture.get();
    reading->reader = std::thread([reading] {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(reading->readEnd, buffer, sizeof buffer, &got, nullptr)) {
            reading->bytes += got;
        }
    });
    running.push_back(std::move(capture));
}

void collectCmdPipes(std::size_t count) {
    count = std::min(count, running.size());
    for (std::size_t i = 0; i < count; ++i) {
        const auto& capture = running[i];
        capture->reader.join();
        CloseHandle(capture->job);
        CloseHandle(capture->readEnd);
        CloseHandle(capture->process);
        std::printf("%s: ran, %zu bytes\n", capture->kind, capture->bytes);
    }
    running.erase(running.begin(), running.begin() + static_cast<std::ptrdiff_t>(count));
}

// What a program that ends before it collects leaves: each job ended, as
// closing its handle at exit would, and each reader joined, since a thread
// still joinable at exit aborts the program.
void endCmdPipes() {
    for (const auto& capture : running) {
        TerminateJobObject(capture->job, 1);
        capture->reader.join();
        CloseHandle(capture->job);
        CloseHandle(capture->readEnd);
        CloseHandle(capture->process);
    }
    running.clear();
}

// The second sources of the TPM and Secure Boot words, read as quorven reads
// them when PowerShell says nothing.
void viaTbs(const std::string& function) {
    const HMODULE tbs = LoadLibraryExA("tbs.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    UINT32 result = 0xFFFFFFFF;
    if (tbs != nullptr) {
        using GetDeviceInfo = UINT32(WINAPI*)(UINT32, PVOID);
        const auto get = reinterpret_cast<GetDeviceInfo>(
            reinterpret_cast<void*>(GetProcAddress(tbs, function.c_str())));
        UINT32 info[4] = {};
        if (get != nullptr) result = get(sizeof(info), info);
        FreeLibrary(tbs);
    }
    std::printf("tbs: 0x%08X\n", result);
}

void viaRegistry(const std::string& value) {
    DWORD number = 0, size = sizeof(number);
    const LSTATUS status =
        RegGetValueA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\SecureBoot\\State",
                     value.c_str(), RRF_RT_REG_DWORD, nullptr, &number, &size);
    std::printf("registry: %ld\n", static_cast<long>(status));
}

// The second source of the Wi-Fi word: the WLAN service's interfaces.
void viaWlan(const std::string& function) {
    const HMODULE wlan = LoadLibraryExA("wlanapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    long interfaces = -1;
    if (wlan != nullptr) {
        const auto open = reinterpret_cast<decltype(&WlanOpenHandle)>(
            reinterpret_cast<void*>(GetProcAddress(wlan, "WlanOpenHandle")));
        const auto close = reinterpret_cast<decltype(&WlanCloseHandle)>(
            reinterpret_cast<void*>(GetProcAddress(wlan, "WlanCloseHandle")));
        const auto enumerate = reinterpret_cast<decltype(&WlanEnumInterfaces)>(
            reinterpret_cast<void*>(GetProcAddress(wlan, function.c_str())));
        const auto free = reinterpret_cast<decltype(&WlanFreeMemory)>(
            reinterpret_cast<void*>(GetProcAddress(wlan, "WlanFreeMemory")));
        DWORD negotiated = 0;
        HANDLE client = nullptr;
        if (open && close && enumerate && free &&
            open(2, nullptr, &negotiated, &client) == ERROR_SUCCESS) {
            PWLAN_INTERFACE_INFO_LIST list = nullptr;
            if (enumerate(client, nullptr, &list) == ERROR_SUCCESS && list != nullptr) {
                interfaces = static_cast<long>(list->dwNumberOfItems);
                free(list);
            }
            close(client, nullptr);
        }
        FreeLibrary(wlan);
    }
    std::printf("wlan: %ld interfaces\n", interfaces);
}

void printProperty(IWbemClassObject* object, const wchar_t* name) {
    VARIANT value;
    VariantInit(&value);
    if (SUCCEEDED(object->Get(name, 0, &value, nullptr, nullptr)) && value.vt == VT_BSTR)
        std::printf(" %ls", value.bstrVal);
    VariantClear(&value);
}

// Failures print and fall through to the releases: the bench checks that
// the disks were listed.
void viaWmi(const std::string& query) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
        std::puts("wmi: no COM");
        return;
    }
    IWbemLocator* locator = nullptr;
    IWbemServices* services = nullptr;
    IEnumWbemClassObject* found = nullptr;
    const std::wstring wideQuery(query.begin(), query.end());
    BSTR space = SysAllocString(L"ROOT\\CIMV2"), wql = SysAllocString(L"WQL"),
         text = SysAllocString(wideQuery.c_str());
    int disks = 0;
    if (SUCCEEDED(CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                       RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr)) &&
        SUCCEEDED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWbemLocator, reinterpret_cast<void**>(&locator))) &&
        SUCCEEDED(locator->ConnectServer(space, nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                         &services)) &&
        SUCCEEDED(CoSetProxyBlanket(services, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                    RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                                    EOAC_NONE)) &&
        SUCCEEDED(services->ExecQuery(
            wql, text, WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr, &found))) {
        IWbemClassObject* object = nullptr;
        ULONG returned = 0;
        while (found->Next(static_cast<LONG>(WBEM_INFINITE), 1, &object, &returned) == S_OK &&
               returned != 0) {
            std::printf("wmi: disk");
            for (const wchar_t* name :
                 {L"DeviceID", L"PNPDeviceID", L"Model", L"InterfaceType", L"MediaType", L"Size"})
                printProperty(object, name);
            std::puts("");
            object->Release();
            ++disks;
        }
    }
    if (found != nullptr) found->Release();
    if (services != nullptr) services->Release();
    if (locator != nullptr) locator->Release();
    SysFreeString(space);
    SysFreeString(wql);
    SysFreeString(text);
    CoUninitialize();
    std::printf("wmi: %d disks\n", disks);
}

// The PCI functions as quorven reads them for the chipset and the disk
// controllers: every class under the PCI enumerator, each device's hardware
// IDs, compatible IDs and service.
void viaSetupApi(const std::string& enumerator) {
    const std::wstring wide(enumerator.begin(), enumerator.end());
    const HDEVINFO devices =
        SetupDiGetClassDevsW(nullptr, wide.c_str(), nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    int count = 0;
    if (devices != INVALID_HANDLE_VALUE) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof(device);
        for (DWORD i = 0; SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
            for (const DWORD property : {SPDRP_SERVICE, SPDRP_HARDWAREID, SPDRP_COMPATIBLEIDS}) {
                BYTE buffer[4096];
                SetupDiGetDeviceRegistryPropertyW(devices, &device, property, nullptr, buffer,
                                                  sizeof(buffer), nullptr);
            }
            ++count;
        }
        SetupDiDestroyDeviceInfoList(devices);
    }
    std::printf("pci: %d functions\n", count);
}

}  // namespace

int main(int argc, char** argv) {
    LARGE_INTEGER frequency, lastTime, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&lastTime);
    FILE* steps = argc == 2 ? std::fopen(argv[1], "r") : nullptr;
    if (steps == nullptr) {
        std::fputs("usage: baseline STEPS-FILE\n", stderr);
        return 2;
    }
    char buffer[1024];
    while (std::fgets(buffer, sizeof buffer, steps) != nullptr) {
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        const std::size_t tab = line.find('\t');
        const std::string kind = line.substr(0, tab);
        const std::string text = tab == std::string::npos ? "" : line.substr(tab + 1);
        std::fflush(stdout);
        if (kind == "probe") {
            startCmdPipe("probe", text, false);
        } else if (kind == "system") {
            std::printf("system: %d\n", std::system(text.c_str()));
        } else if (kind == "hidden") {
            startCmdPipe("hidden", text, true);
        } else if (kind == "collect") {
            collectCmdPipes(text.empty() ? running.size()
                                         : std::strtoul(text.c_str(), nullptr, 10));
        } else if (kind == "write") {
            std::printf("%s\n", text.c_str());
            std::fflush(stdout);
        } else if (kind == "wlan") {
            viaWlan(text);
        } else if (kind == "tbs") {
            viaTbs(text);
        } else if (kind == "registry") {
            viaRegistry(text);
        } else if (kind == "wmi") {
            viaWmi(text);
        } else if (kind == "pci") {
            viaSetupApi(text);
        } else if (kind == "pause") {
            Sleep(std::strtoul(text.c_str(), nullptr, 10));
        } else if (kind == "time") {
            QueryPerformanceCounter(&now);
            std::printf("time: %.4f\n", static_cast<double>(now.QuadPart - lastTime.QuadPart) /
                                             static_cast<double>(frequency.QuadPart));
            lastTime = now;
        } else {
            std::fprintf(stderr, "not a step: %s\n", line.c_str());
            return 2;
        }
    }
    std::fclose(steps);
    endCmdPipes();
    return 0;
}
