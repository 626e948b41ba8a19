// A look-alike system DLL dropped beside quorven.exe, built as tbs.dll and as
// wlanapi.dll. It must never be loaded; if it is, it leaves a marker file
// beside itself and claims a TPM.
#include "fake_common.h"

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) fake::leaveMarker(self);
    return TRUE;
}

extern "C" __declspec(dllexport) UINT32 WINAPI Tbsi_GetDeviceInfo(UINT32, PVOID) {
    return 0;
}
