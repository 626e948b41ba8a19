#!/usr/bin/env python3
"""Runs the real quorven.exe under Wine, one scenario per row of SCENARIOS.

Fake wmic and powershell programs go first on the Windows PATH and answer
from QUORVEN_FAKE_* variables; answers are piped into standard input; stdout
and stderr (CR stripped) and the exit status are compared whole. The command
lines, the banner and the boxes come from the product itself, through the
native build's quorven_expected_texts.
"""
import concurrent.futures
import json
import os
import pathlib
import shutil
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parents[2]
BUILD = ROOT / "build" / "windows"
EXE = BUILD / "quorven.exe"
FAKES = BUILD / "fakes"
WORK = ROOT / "build" / "wine-scenarios"
PREFIX = ROOT / "build" / "wine"
WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
TEXTS_TOOL = ROOT / "build" / "native" / "tests" / "quorven_expected_texts"

TEXTS = json.loads(subprocess.run([str(TEXTS_TOOL)], check=True, stdout=subprocess.PIPE,
                                  text=True).stdout)
PROBE_LOG = [f"powershell: {TEXTS[p]}" for p in ("wifi", "bluetooth", "tpm", "secure_boot")]
WMIC_LOG = ["wmic: " + TEXTS["wmic_manufacturer"]]
WMIC_PRODUCT_LOG = ["wmic: " + TEXTS["wmic_product"]]
PS_BOARD_LOG = ["powershell: " + TEXTS["powershell_manufacturer"],
                "powershell: " + TEXTS["powershell_product"]]

ASUS = "ASUSTeK COMPUTER INC."
COMPATIBLE = "\n[+] Motherboard is compatibile"
ADVICE = {
    "asus-efi": "[+] Detected Asus\n[+] Use EFI Button" + COMPATIBLE,
    "asus-perm": "[+] Detected Asus\n[+] Use Perm Button\n" + COMPATIBLE,
    "msi": "[+] Detected MSI\n[+] Use Perm Button" + COMPATIBLE,
    "asrock": "[+] Detected ASRock\n[+] Use Perm Button" + COMPATIBLE,
    "gigabyte": "[+] Detected Gigabyte\n[+] Use Perm Button" + COMPATIBLE,
    "ticket": "[+] Open a ticket for manual verification.",
}
CPU_QUESTION = "[+] Select your CPU manufacturer:\n1. Intel\n2. AMD\nEnter 1 or 2: "
REPORT_QUESTION = "[+] Would you like to see detailed system information? (Y/N): "
INVALID = "Invalid choice. Please run the program again and select 1 or 2.\n\nPress Enter to exit..."
WINE_REPORT = (
    "\n[+] System Information:\n-------------------\n[+] Detected 2 disk(s) total\n"
    "[+] SATA disks: 2\n[+] NVMe disks: 0\n[+] Motherboard SATA RAID support: Yes\n"
    "[+] Motherboard NVMe RAID support: Yes\n\n[+] Detected Disks:\n"
    "  1. \\\\\\\\.\\\\PHYSICALDRIVE0 - Wine Disk Drive (SATA)\n"
    "  2. \\\\\\\\.\\\\PHYSICALDRIVE1 - Wine Disk Drive (SATA)\n\n")
REASON_INTEL_SATA = "[+] You have multiple SATA disks and your motherboard supports SATA RAID.\n"
REASON_AMD_SATA = ("[+] AMD systems can create RAID with just one SATA disk, and your "
                   "motherboard supports SATA RAID.\n")
GREEN_BOX = TEXTS["green_box"]
# Headless, the console calls fail with error 6 and Wine's cmd has no mode.
CONSOLE_ERR = ("[!] SetConsoleScreenBufferSize failed. Error: 6\n"
               f"Can't recognize '{TEXTS['resize_fallback']}' as an internal or external "
               "command, or batch script.\n")

# name, fake answers, standard input, expected: advice, status words in
# printed order (TPM, Secure Boot, Wi-Fi, Bluetooth), the end of the run,
# extra stderr ahead of the console lines, the fake's log, exit status.
SCENARIOS = [
    dict(name="asus-efi-intel-report",
         env=dict(MANUFACTURER=ASUS, PRODUCT="ROG STRIX X670E-E GAMING WIFI", WIFI="Up\n",
                  BLUETOOTH="OK\nOK\nUnknown\n", TPM="True\n", SECUREBOOT="True\n"),
         stdin="1\ny\n\n", advice="asus-efi",
         words=("ENABLED", "ENABLED", "ENABLED", "ENABLED"),
         end=REPORT_QUESTION + WINE_REPORT + REASON_INTEL_SATA + GREEN_BOX, status=0,
         log=PROBE_LOG + WMIC_LOG + WMIC_PRODUCT_LOG),
    dict(name="asus-perm-amd",
         env=dict(MANUFACTURER=ASUS, PRODUCT="PRIME H610M-A D4", WIFI="Down\nDown\n",
                  BLUETOOTH="Error\n", TPM="False\n", SECUREBOOT="False\n"),
         stdin="2\nn\n\n", advice="asus-perm",
         words=("DISABLED", "DISABLED", "DISABLED", "DISABLED"),
         end=REPORT_QUESTION + REASON_AMD_SATA + GREEN_BOX, status=0,
         log=PROBE_LOG + WMIC_LOG + WMIC_PRODUCT_LOG),
    dict(name="msi-blank-and-lower-case-answers",
         env=dict(MANUFACTURER="Micro-Star International Co., Ltd.", WIFI="Down\nUp\n",
                  TPM="True \n", SECUREBOOT="true\n"),
         stdin="1\nn\n", advice="msi",
         words=("UNKNOWN", "UNSUPPORTED", "ENABLED", "DISABLED"),
         end=REPORT_QUESTION + REASON_INTEL_SATA + GREEN_BOX, status=0,
         log=PROBE_LOG + WMIC_LOG),
    dict(name="asrock-padded-probe-errors-on-stderr",
         env=dict(MANUFACTURER=" \tASRock\t ", WIFI="\n\nUp\n\n", BLUETOOTH="OK\n",
                  TPM_STDERR="Get-Tpm : Access denied.\n",
                  SECUREBOOT_STDERR="Cmdlet not supported on this platform.\n"),
         stdin="1\nN\n", advice="asrock",
         words=("UNKNOWN", "UNSUPPORTED", "ENABLED", "ENABLED"),
         end=REPORT_QUESTION + REASON_INTEL_SATA + GREEN_BOX, status=0,
         err="Get-Tpm : Access denied.\nCmdlet not supported on this platform.\n",
         log=PROBE_LOG + WMIC_LOG),
    dict(name="gigabyte-invalid-choice",
         env=dict(MANUFACTURER="Gigabyte Technology Co., Ltd.", WIFI="Disconnected\n",
                  BLUETOOTH="Unknown\n", TPM="TRUE\n", SECUREBOOT="True"),
         stdin="3\n\n", advice="gigabyte",
         words=("UNKNOWN", "ENABLED", "UNKNOWN", "DISABLED"),
         end=INVALID, status=1, log=PROBE_LOG + WMIC_LOG),
    dict(name="unknown-maker-end-of-input",
         env=dict(MANUFACTURER="Intel Corporation"),
         stdin="", advice="ticket",
         words=("UNKNOWN", "UNSUPPORTED", "UNKNOWN", "DISABLED"),
         end=INVALID, status=1, log=PROBE_LOG + WMIC_LOG),
    dict(name="no-board-instance",
         env=dict(),
         stdin="1\nn\n", advice="ticket",
         words=("UNKNOWN", "UNSUPPORTED", "UNKNOWN", "DISABLED"),
         end=REPORT_QUESTION + REASON_INTEL_SATA + GREEN_BOX, status=0,
         log=PROBE_LOG + WMIC_LOG),
    # A cmd.exe beside quorven.exe, as in a Downloads folder: it must never
    # run (it would log itself as wmic).
    dict(name="planted-cmd-beside-the-exe", planted_cmd=True,
         env=dict(MANUFACTURER="ASRock"),
         stdin="1\nn\n", advice="asrock",
         words=("UNKNOWN", "UNSUPPORTED", "UNKNOWN", "DISABLED"),
         end=REPORT_QUESTION + REASON_INTEL_SATA + GREEN_BOX, status=0,
         log=PROBE_LOG + WMIC_LOG),
    # Runs alone, after the others, with the prefix's wmic.exe moved away.
    dict(name="wmic-missing-powershell-board-query", fakes="powershell-only", wmic_missing=True,
         env=dict(MANUFACTURER=ASUS, PRODUCT="TUF GAMING Z790-PLUS WIFI", TPM="True\n"),
         stdin="1\nn\n", advice="asus-efi",
         words=("ENABLED", "UNSUPPORTED", "UNKNOWN", "DISABLED"),
         end=REPORT_QUESTION + REASON_INTEL_SATA + GREEN_BOX, status=0,
         log=PROBE_LOG + PS_BOARD_LOG),
    # Wine's own wmic (UTF-16 into the pipe) and its silent powershell stub.
    dict(name="wine-own-commands", fakes=None,
         env=dict(), stdin="1\nn\n\n", advice="ticket",
         words=("UNKNOWN", "UNSUPPORTED", "UNKNOWN", "DISABLED"),
         end=REPORT_QUESTION + REASON_INTEL_SATA + GREEN_BOX, status=0, log=[]),
]

def expected_stdout(s):
    tpm, secure_boot, wifi, bluetooth = s["words"]
    return ("[!] Console resize failed, falling back...\n" + TEXTS["banner"] + "\n" +
            ADVICE[s["advice"]] +
            f"\n[+] TPM [Trusted Computing] Status: {tpm}\n[+] Secure Boot Status: {secure_boot}"
            f"\n[+] Wifi : {wifi}\n[+] Bluetooth: {bluetooth}\n[+] Detecting disks...\n" +
            CPU_QUESTION + s["end"])


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def wine_env():
    env = {k: v for k, v in os.environ.items() if not k.startswith("QUORVEN_FAKE_")}
    env.update(WINEPREFIX=str(PREFIX), WINEDEBUG="-all", LANG="C.UTF-8")
    env.pop("DISPLAY", None)
    return env


def quiet(args, **kwargs):
    # Wine's background processes inherit the descriptors of the call that
    # starts them; on /dev/null they hold nothing of ours open.
    return subprocess.run(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, env=wine_env(), **kwargs)


def start_wine():
    PREFIX.mkdir(parents=True, exist_ok=True)
    quiet([WINESERVER, "-p"])
    quiet([WINE, "cmd.exe", "/c", "exit"], timeout=300)
    # See desktop_keeper.cpp: the desktop must exist before any wmic runs.
    keeper = subprocess.Popen([WINE, str(BUILD / "tools" / "desktop_keeper.exe")],
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, env=wine_env())
    for _ in range(100):
        if subprocess.run(["pgrep", "-f", "explorer.exe /desktop"],
                          stdout=subprocess.DEVNULL).returncode == 0:
            break
        time.sleep(0.1)
    return keeper


def run(s):
    folder = WORK / s["name"]
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    env = wine_env()
    fakes = s.get("fakes", "all")
    if fakes == "all":
        env["WINEPATH"] = windows_path(FAKES)
    elif fakes == "powershell-only":
        only = WORK / "powershell-only"
        only.mkdir(parents=True, exist_ok=True)
        shutil.copy(FAKES / "powershell.exe", only / "powershell.exe")
        env["WINEPATH"] = windows_path(only)
    log = folder / "fake.log"
    env["QUORVEN_FAKE_LOG"] = windows_path(log)
    for key, value in s["env"].items():
        env["QUORVEN_FAKE_" + key] = value
    exe = EXE
    if s.get("planted_cmd"):
        exe = folder / "bin" / "quorven.exe"
        exe.parent.mkdir()
        shutil.copy(EXE, exe)
        shutil.copy(FAKES / "wmic.exe", exe.parent / "cmd.exe")
    (folder / "stdin").write_bytes(s["stdin"].encode())
    started = time.monotonic()
    # Files, not pipes: see start_wine.
    with open(folder / "stdin", "rb") as i, open(folder / "stdout", "wb") as o, \
            open(folder / "stderr", "wb") as e:
        status = subprocess.run([WINE, str(exe)], stdin=i, stdout=o, stderr=e, env=env,
                                timeout=120).returncode
    seconds = time.monotonic() - started
    out = (folder / "stdout").read_bytes().decode("utf-8", "replace").replace("\r", "")
    err = (folder / "stderr").read_bytes().decode("utf-8", "replace").replace("\r", "")
    logged = log.read_text().replace("\r", "").splitlines() if log.exists() else []
    problems = []
    want_out = expected_stdout(s)
    if out != want_out:
        problems.append(diff("stdout", want_out, out))
    want_err = s.get("err", "") + CONSOLE_ERR
    if err != want_err:
        problems.append(diff("stderr", want_err, err))
    if status != s["status"]:
        problems.append(f"exit status {status}, expected {s['status']}")
    if logged != s["log"]:
        problems.append(f"commands run:\n  {logged}\nexpected:\n  {s['log']}")
    return s["name"], problems, seconds


def diff(what, want, got):
    import difflib
    lines = difflib.unified_diff(want.splitlines(True), got.splitlines(True), "expected", "actual")
    return f"{what} differs:\n" + "".join(lines)


def main():
    if not EXE.exists():
        print(f"missing {EXE}", file=sys.stderr)
        return 1
    WORK.mkdir(parents=True, exist_ok=True)
    keeper = start_wine()
    results = []
    try:
        together = [s for s in SCENARIOS if not s.get("wmic_missing")]
        with concurrent.futures.ThreadPoolExecutor(max_workers=len(together)) as pool:
            results = list(pool.map(run, together))
        wmic = PREFIX / "drive_c" / "windows" / "system32" / "wbem" / "wmic.exe"
        hidden = wmic.with_name("wmic.exe.away")
        wmic.rename(hidden)
        try:
            results += [run(s) for s in SCENARIOS if s.get("wmic_missing")]
        finally:
            hidden.rename(wmic)
    finally:
        keeper.kill()
        quiet([WINESERVER, "-k"])
    failed = 0
    for name, problems, seconds in results:
        print(f"{'ok  ' if not problems else 'FAIL'} {name} ({seconds:.1f} s)")
        for p in problems:
            print("    " + p.replace("\n", "\n    "))
        failed += bool(problems)
    print(f"wine: {len(results) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
