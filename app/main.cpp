#include "app/check_run.h"
#include "app/world.h"

int main() {
    quorven::hardenDllSearch();
    const auto platform = quorven::makePlatformWorld();
    return quorven::runCheck(platform->world());
}
