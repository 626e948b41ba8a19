// Holds Wine's desktop open for the length of the scenarios. Wine starts its
// desktop process (explorer.exe) from the first program that needs one and
// gives it that program's standard handles. If that program is a wmic started
// by quorven's hidden runner, the desktop process keeps the capture pipe open
// for as long as quorven itself is attached to the desktop, and the read never
// ends. Started first, with its handles on /dev/null, this program makes sure
// the desktop process holds nothing of ours.
#include <windows.h>

int main() {
    GetDesktopWindow();
    Sleep(INFINITE);
    return 0;
}
