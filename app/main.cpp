#include "app/check_run.h"
#include "app/world.h"

int main() {
    quorven::hardenDllSearch();
    quorven::PlatformWorld platform;
    return quorven::runCheck(platform.world());
}
