// An exe that imports tbs.dll, for the check that must refuse it.
#include <windows.h>
#include <tbs.h>

int main() {
    TBS_CONTEXT_PARAMS params{};
    TBS_HCONTEXT context = nullptr;
    return static_cast<int>(Tbsi_Context_Create(&params, &context));
}
