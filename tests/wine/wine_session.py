"""A private Wine prefix, set up as the Wine scenarios and the bench need it.

Wine's background processes inherit the descriptors of the call that starts
them, so the server and its services are started first with every descriptor
on /dev/null; Wine's desktop is held open before any wmic runs (see
desktop_keeper.cpp); everything is stopped at the end, so that nothing holds
a caller's output open.
"""
import contextlib
import os
import pathlib
import subprocess
import time

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def wine_env(prefix, **extra):
    env = {k: v for k, v in os.environ.items() if not k.startswith("QUORVEN_FAKE_")}
    env.update(WINEPREFIX=str(prefix), WINEDEBUG="-all", LANG="C.UTF-8", **extra)
    env.pop("DISPLAY", None)
    return env


def quiet(prefix, argv, **kwargs):
    """Runs argv to its end with every descriptor on /dev/null."""
    return subprocess.run(argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, env=wine_env(prefix), **kwargs)


def desktop_running(prefix):
    """An explorer.exe /desktop of this prefix, not of another one."""
    for proc in pathlib.Path("/proc").glob("[0-9]*"):
        try:
            line = (proc / "cmdline").read_bytes()
            if b"explorer.exe" in line and b"/desktop" in line and \
                    f"WINEPREFIX={prefix}\0".encode() in (proc / "environ").read_bytes():
                return True
        except OSError:
            pass
    return False


@contextlib.contextmanager
def session(prefix, keeper):
    """Yields whether Wine's desktop came up within 30 s: it takes about one
    on an idle machine, and the bound is there only so that a broken Wine
    fails rather than hangs."""
    prefix.mkdir(parents=True, exist_ok=True)
    quiet(prefix, [WINESERVER, "-p"])
    quiet(prefix, [WINE, "cmd.exe", "/c", "exit"], timeout=300)
    holder = subprocess.Popen([WINE, str(keeper)], stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              env=wine_env(prefix))
    try:
        for _ in range(300):
            if desktop_running(prefix):
                break
            time.sleep(0.1)
        yield desktop_running(prefix)
    finally:
        holder.kill()
        holder.wait()
        quiet(prefix, [WINESERVER, "-k"])
