// The least a Windows program can do to make the child-process calls and the
// WMI query that one quorven.exe run makes, one after another, so that the
// bench can tell quorven's own cost from what Windows (here Wine) charges for
// the calls. The steps come from the file named by argv[1], one per line:
// "<kind>\t<text>", kind being popen, system, hidden, tbs, registry or wmi.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wbemidl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void viaPopen(const std::string& command) {
    FILE* stream = _popen(command.c_str(), "r");
    if (stream == nullptr) {
        std::puts("popen: not started");
        return;
    }
    char line[256];
    std::size_t bytes = 0;
    while (std::fgets(line, sizeof line, stream) != nullptr) bytes += std::strlen(line);
    _pclose(stream);
    std::printf("popen: %zu bytes\n", bytes);
}

// Built as quorven builds its hidden runs: cmd.exe named by its full path,
// both output streams on one inheritable pipe.
void viaCmdPipe(const std::string& command) {
    char cmd[MAX_PATH];
    const UINT length = GetSystemDirectoryA(cmd, MAX_PATH - 9);
    std::strcpy(cmd + length, "\\cmd.exe");
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        std::puts("hidden: no pipe");
        return;
    }
    std::string line = "cmd.exe /C " + command;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info{};
    const BOOL started = CreateProcessA(cmd, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &info);
    // Our copy of the write end must go before reading, or the read never ends.
    CloseHandle(writeEnd);
    std::size_t bytes = 0;
    if (started) {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got != 0) bytes += got;
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    CloseHandle(readEnd);
    std::printf("hidden: %s, %zu bytes\n", started ? "ran" : "not started", bytes);
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
    HKEY key = nullptr;
    DWORD number = 0, size = sizeof(number);
    LSTATUS status =
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\SecureBoot\\State",
                      0, KEY_QUERY_VALUE, &key);
    if (status == ERROR_SUCCESS) {
        status = RegQueryValueExA(key, value.c_str(), nullptr, nullptr,
                                  reinterpret_cast<BYTE*>(&number), &size);
        RegCloseKey(key);
    }
    std::printf("registry: %ld\n", static_cast<long>(status));
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
            for (const wchar_t* name : {L"DeviceID", L"PNPDeviceID", L"Model"})
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

}  // namespace

int main(int argc, char** argv) {
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
        if (kind == "popen") {
            viaPopen(text);
        } else if (kind == "system") {
            std::printf("system: %d\n", std::system(text.c_str()));
        } else if (kind == "hidden") {
            viaCmdPipe(text);
        } else if (kind == "tbs") {
            viaTbs(text);
        } else if (kind == "registry") {
            viaRegistry(text);
        } else if (kind == "wmi") {
            viaWmi(text);
        } else {
            std::fprintf(stderr, "not a step: %s\n", line.c_str());
            return 2;
        }
    }
    std::fclose(steps);
    return 0;
}
