#include "app/check_run.h"

int main() {
    quorven::PlatformWorld platform;
    return quorven::runCheck(platform.world());
}
