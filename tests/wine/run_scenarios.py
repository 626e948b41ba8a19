#!/usr/bin/env python3
"""Runs the real quorven.exe under Wine, one scenario per row of SCENARIOS.

Fake wmic and powershell programs go first on the Windows PATH and answer
from QUORVEN_FAKE_* variables; answers are piped into standard input; stdout
and stderr (each CR LF read as a line end, and any other CR a failure) and
the exit status are compared whole. The command
lines, the banner and the boxes come from the product itself, through the
sanitizer build's quorven_expected_texts.
"""
import collections
import concurrent.futures
import json
import pathlib
import re
import shutil
import subprocess
import sys
import time
import traceback

from wine_session import WINE, WINESERVER, quiet, session, windows_path, wine_env

ROOT = pathlib.Path(__file__).resolve().parents[2]
BUILD = ROOT / "build" / "windows"
EXE = BUILD / "quorven.exe"
FAKES = BUILD / "fakes"
PLANTED = BUILD / "planted"
PLANTED_TOOLS = ("powershell.exe", "wmic.exe", "cmd.exe", "mode.com")
PLANTED_DLLS = ("tbs.dll", "wlanapi.dll")
WORK = ROOT / "build" / "wine-scenarios"
PREFIX = ROOT / "build" / "wine"
TEXTS_TOOL = ROOT / "build" / "sanitize" / "tests" / "quorven_expected_texts"

# Each missing piece would otherwise show as a traceback, or as every
# scenario waiting out its time limit.
_missing = [str(p.relative_to(ROOT)) if p.is_relative_to(ROOT) else str(p)
            for p in (pathlib.Path(WINE), EXE, FAKES / "powershell.exe", FAKES / "wmic.exe",
                      FAKES / "wlanapi.dll", PLANTED / "planted.exe",
                      BUILD / "tools" / "desktop_keeper.exe", BUILD / "tools" / "console_shim.exe",
                      BUILD / "tools" / "pseudoconsole_host.exe",
                      BUILD / "tools" / "console_window_kinds.exe", TEXTS_TOOL)
            if not p.exists()]
if _missing:
    sys.exit(f"wine scenarios: missing {', '.join(_missing)}: run `make test`, which installs "
             "Wine and builds them")

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
# Wine gives every drive the same Size, 82,252,800,000 bytes: on a green
# verdict the report says what a RAID 0 of its two disks would hold.
WINE_ARRAY = ("\n[+] Before you build the array:\n"
              "[+] A RAID 0 of the 2 SATA disks would hold 164.5 GB (2 x 82.3 GB).\n")


def wine_report(disks=2, support="Yes", chipset=None, block=WINE_ARRAY):
    """The report on Wine's fixed disks, with what the board says."""
    lines = "".join(f"  {i + 1}. \\\\\\\\.\\\\PHYSICALDRIVE{i} - Wine Disk Drive (SATA)\n"
                    for i in range(disks))
    return (f"\n[+] System Information:\n-------------------\n[+] Detected {disks} disk(s) total\n"
            f"[+] SATA disks: {disks}\n[+] NVMe disks: 0\n[+] Motherboard SATA RAID support: "
            f"{support}\n[+] Motherboard NVMe RAID support: {support}\n" +
            (f"[+] Chipset: {chipset}\n" if chipset else "") +
            "\n[+] Detected Disks:\n" + lines + block + "\n")


WINE_REPORT = wine_report()
REASON_INTEL_SATA = "[+] You have multiple SATA disks and your motherboard supports SATA RAID.\n"
REASON_B360 = "[+] Your board's Intel B360 chipset has no RAID, so it cannot build RAID 0.\n"
INTEL_RULES = "[!] This PC's chipset is made by Intel, so the Intel rules apply.\n"
AMD_RULES = "[!] This PC's chipset is made by AMD, so the AMD rules apply.\n"
REASON_AMD_SATA = ("[+] AMD systems can create RAID with just one SATA disk, and your "
                   "motherboard supports SATA RAID.\n")
GREEN_BOX = TEXTS["green_box"]
RED_BOX = TEXTS["red_box"]
# What PowerShell prints on standard error without admin rights: none of it
# may reach ours, where it would stand above the banner.
TPM_DENIED = "Get-Tpm : Access denied.\n"
SECURE_BOOT_DENIED = ("Confirm-SecureBootUEFI : Unable to set proper privileges. "
                      "Access was denied.\n")
STANDARD_USER = dict(TPM_STDERR=TPM_DENIED, SECUREBOOT_STDERR=SECURE_BOOT_DENIED)
# The stand-in wlanapi.dll's log: each list it hands out is freed and its
# handle closed.
WLAN_NO_RADIO_ASKED = ["wlanapi: WlanOpenHandle 2", "wlanapi: WlanEnumInterfaces",
                       "wlanapi: WlanFreeMemory", "wlanapi: WlanCloseHandle"]
WLAN_RADIO_ASKED = ["wlanapi: WlanOpenHandle 2", "wlanapi: WlanEnumInterfaces",
                    "wlanapi: WlanQueryInterface radio state", "wlanapi: WlanFreeMemory",
                    "wlanapi: WlanFreeMemory", "wlanapi: WlanCloseHandle"]
PROBE_LOG_WLAN = lambda wlan: PROBE_LOG[:1] + wlan + PROBE_LOG[1:]
# An ASRock board, the answers 1 and n: the verdict for Wine's two disks.
ASROCK_INTEL_NO_REPORT = dict(stdin="1\nn\n", advice="asrock", status=0,
                              end=REPORT_QUESTION + REASON_INTEL_SATA + GREEN_BOX,
                              log=PROBE_LOG + WMIC_LOG)
CONSOLE_ERR = ("[!] SetConsoleScreenBufferSize failed. Error: 6\n"
               f"Can't recognize '{TEXTS['resize_fallback']}' as an internal or external "
               "command, or batch script.\n")

# name, fake answers, standard input, expected: advice, status words in
# printed order (TPM, Secure Boot, Wi-Fi, Bluetooth), the end of the run,
# extra stderr ahead of the console lines, the fake's log, exit status.
# A TPM answer that holds no answer text asks tbs.dll, which finds no TPM
# under Wine: DISABLED. Secure Boot's asks the registry, which has no value
# unless a scenario sets one: UNSUPPORTED.
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
         words=("DISABLED", "UNSUPPORTED", "ENABLED", "DISABLED"),
         end=REPORT_QUESTION + REASON_INTEL_SATA + GREEN_BOX, status=0,
         log=PROBE_LOG + WMIC_LOG),
    # A standard user on a PC without Secure Boot: the errors go to the null
    # device, not to our standard error, and the registry has no value.
    dict(name="asrock-padded-standard-user-no-secure-boot",
         env=dict(MANUFACTURER=" \tASRock\t ", WIFI="\n\nUp\n\n", BLUETOOTH="OK\n",
                  **STANDARD_USER),
         stdin="1\nN\n", advice="asrock",
         words=("DISABLED", "UNSUPPORTED", "ENABLED", "ENABLED"),
         end=REPORT_QUESTION + REASON_INTEL_SATA + GREEN_BOX, status=0,
         log=PROBE_LOG + WMIC_LOG),
    # A profile that prompts makes PowerShell read its input: it must find
    # none, and the answers must still reach quorven.
    dict(name="powershell-reads-its-input",
         env=dict(MANUFACTURER="ASRock", READ_STDIN="1", WIFI="Up\n"),
         stdin="1\ny\n\n", advice="asrock",
         words=("DISABLED", "UNSUPPORTED", "ENABLED", "DISABLED"),
         end=REPORT_QUESTION + WINE_REPORT + REASON_INTEL_SATA + GREEN_BOX, status=0,
         log=[line for p in PROBE_LOG for line in (p, "powershell read 0 bytes of input")] +
         WMIC_LOG),
    dict(name="gigabyte-invalid-choice",
         env=dict(MANUFACTURER="Gigabyte Technology Co., Ltd.", WIFI="Disconnected\n",
                  BLUETOOTH="Unknown\n", TPM="TRUE\n", SECUREBOOT="True"),
         stdin="3\n\n", advice="gigabyte",
         words=("DISABLED", "ENABLED", "UNKNOWN", "DISABLED"),
         end=INVALID, status=1, log=PROBE_LOG + WMIC_LOG),
    # Elevated on a BIOS PC, Confirm-SecureBootUEFI says so on stderr.
    dict(name="unknown-maker-end-of-input-bios",
         env=dict(MANUFACTURER="Intel Corporation",
                  SECUREBOOT_STDERR="Cmdlet not supported on this platform.\n"),
         stdin="", advice="ticket",
         words=("DISABLED", "UNSUPPORTED", "UNKNOWN", "DISABLED"),
         end=INVALID, status=1, log=PROBE_LOG + WMIC_LOG),
    dict(name="no-board-instance",
         env=dict(),
         stdin="1\nn\n", advice="ticket",
         words=("DISABLED", "UNSUPPORTED", "UNKNOWN", "DISABLED"),
         end=REPORT_QUESTION + REASON_INTEL_SATA + GREEN_BOX, status=0,
         log=PROBE_LOG + WMIC_LOG),
    # Each state of the prefix below (a registry value, a stand-in DLL in
    # system32, wmic gone, a removable drive, a chipset's bridge planted in
    # the registry) costs a round of some 10 s, so scenarios that need
    # different states share rounds where they can. A planted bridge that
    # agrees with the answer changes nothing outside the report.
    #
    # A standard user where Windows records Secure Boot on. The WLAN service
    # is a stand-in: a Wi-Fi 6 adapter has no 802.11n in its name, so
    # PowerShell lists nothing and the service answers.
    dict(name="wlan-service-connected-secure-boot-on", registry=("REG_DWORD", "1"), pci="z790",
         wlan="connected", env=dict(MANUFACTURER="ASRock", **STANDARD_USER),
         words=("DISABLED", "ENABLED", "ENABLED", "DISABLED"),
         **{**ASROCK_INTEL_NO_REPORT, "log": PROBE_LOG_WLAN(WLAN_NO_RADIO_ASKED) + WMIC_LOG}),
    # The service hands back all 64 PHYs; only the first counts, and it is off.
    dict(name="wlan-service-radio-switched-off", registry=("REG_DWORD", "1"), pci="z790",
         wlan="radio-off",
         env=dict(MANUFACTURER="ASRock", WIFI="Disconnected\n"),
         words=("DISABLED", "ENABLED", "DISABLED", "DISABLED"),
         **{**ASROCK_INTEL_NO_REPORT, "log": PROBE_LOG_WLAN(WLAN_RADIO_ASKED) + WMIC_LOG}),
    dict(name="wlan-service-not-running", registry=("REG_DWORD", "1"), pci="z790",
         wlan="open-fails",
         env=dict(MANUFACTURER="ASRock"),
         words=("DISABLED", "ENABLED", "UNKNOWN", "DISABLED"),
         **{**ASROCK_INTEL_NO_REPORT,
            "log": PROBE_LOG_WLAN(["wlanapi: WlanOpenHandle 2"]) + WMIC_LOG}),
    # An elevated answer stands whatever the registry says. What the command
    # writes to standard error is no part of it.
    dict(name="elevated-answer-over-the-registry", registry=("REG_DWORD", "1"), pci="z790",
         env=dict(MANUFACTURER="ASRock", TPM="True\n", SECUREBOOT="False\n",
                  SECUREBOOT_STDERR="True\n"),
         words=("ENABLED", "DISABLED", "UNKNOWN", "DISABLED"),
         **ASROCK_INTEL_NO_REPORT),
    # Look-alikes of every tool and DLL the run uses, beside quorven.exe in
    # the folder it is started from, as after a double-click in Downloads:
    # none may run or load, and the output is that of a clean folder.
    dict(name="planted-tools-in-the-start-folder", registry=("REG_DWORD", "1"), pci="z790",
         planted=True, env=dict(MANUFACTURER="ASRock"),
         words=("DISABLED", "ENABLED", "UNKNOWN", "DISABLED"),
         **ASROCK_INTEL_NO_REPORT),
    # As Windows Terminal, VS Code's terminal or an ssh session runs it:
    # inside a pseudoconsole of 120 by 30, answers typed. Wine's stand-in
    # there is a hidden window of its console's class, so no size call is
    # made: the buffer keeps the terminal's size, and no resize line or
    # `mode` reaches the screen. The colours arrive as escape sequences.
    dict(name="inside-a-pseudoconsole", registry=("REG_DWORD", "1"), pci="z790",
         pseudoconsole=True, env=dict(MANUFACTURER="ASRock", WIFI="Up\n"),
         words=("DISABLED", "ENABLED", "ENABLED", "DISABLED"),
         **{**ASROCK_INTEL_NO_REPORT, "stdin": "1\nn\n\n"}),
    # The board's Intel bridge overrules the answer "AMD": one line says so,
    # and the Intel rows decide.
    dict(name="z790-bridge-overrules-amd-answer", registry=("REG_DWORD", "1"), pci="z790",
         env=dict(MANUFACTURER="ASRock"), stdin="2\ny\n", advice="asrock",
         words=("DISABLED", "ENABLED", "UNKNOWN", "DISABLED"),
         end=INTEL_RULES + REPORT_QUESTION + wine_report(chipset="Intel Z790") +
         REASON_INTEL_SATA + GREEN_BOX, status=0, log=PROBE_LOG + WMIC_LOG),
    # Secure Boot off, wmic gone from the prefix, and an AMD board.
    dict(name="wmic-missing-powershell-board-query-secure-boot-off",
         registry=("REG_DWORD", "0"), pci="amd", fakes="powershell-only", wmic_missing=True,
         env=dict(MANUFACTURER=ASUS, PRODUCT="ROG STRIX X670E-E GAMING WIFI", TPM="True\n",
                  **STANDARD_USER),
         stdin="2\nn\n", advice="asus-efi",
         words=("ENABLED", "DISABLED", "UNKNOWN", "DISABLED"),
         end=REPORT_QUESTION + REASON_AMD_SATA + GREEN_BOX, status=0,
         log=PROBE_LOG + PS_BOARD_LOG),
    # The board's AMD bridge overrules the answer "Intel".
    dict(name="amd-bridge-overrules-intel-answer", registry=("REG_DWORD", "0"), pci="amd",
         fakes="powershell-only", wmic_missing=True,
         env=dict(MANUFACTURER="Micro-Star International Co., Ltd."), stdin="1\ny\n",
         advice="msi", words=("DISABLED", "DISABLED", "UNKNOWN", "DISABLED"),
         end=AMD_RULES + REPORT_QUESTION + wine_report(chipset="AMD") + REASON_AMD_SATA +
         GREEN_BOX, status=0, log=PROBE_LOG + PS_BOARD_LOG[:1]),
    # A USB stick beside the one fixed disk: Wine lists it as a removable
    # disk, which no array can take. Secure Boot is recorded in a value of
    # another type, which is no DWORD whatever it holds: four bytes that
    # would read as 1. The board's B360 chipset has no RAID: that decides
    # before the count of disks, and the support lines say no.
    dict(name="removable-drive-left-out-b360-secure-boot-as-binary", drives="z-removable",
         registry=("REG_BINARY", "01000000"), pci="b360",
         env=dict(MANUFACTURER="ASRock", **STANDARD_USER),
         stdin="1\ny\n", advice="asrock",
         words=("DISABLED", "UNSUPPORTED", "UNKNOWN", "DISABLED"),
         end=REPORT_QUESTION + wine_report(1, "No", "Intel B360", block="") + REASON_B360 +
         RED_BOX, status=0, log=PROBE_LOG + WMIC_LOG),
    # The four probes answer only once the harness has seen the banner, and
    # the board answers at once: the banner must come while they are still
    # running, and their words, given after it, must show in the status block.
    # Each probe, once let go, says whether the banner was out by then.
    dict(name="slow-probes-banner-at-once", drives="z-removable",
         registry=("REG_BINARY", "01000000"), pci="b360", probes_held=True,
         env=dict(MANUFACTURER="ASRock", WIFI="Up\n", BLUETOOTH="OK\n", TPM="True\n",
                  SECUREBOOT="True\n"),
         stdin="1\nn\n", advice="asrock", words=("ENABLED", "ENABLED", "ENABLED", "ENABLED"),
         end=REPORT_QUESTION + REASON_B360 + RED_BOX, status=0, log=PROBE_LOG + WMIC_LOG),
    # No command answers until all five of the run's start are running: one
    # after another, the first would wait in vain and say so in the log, and
    # one would go on before the next arrived.
    dict(name="commands-side-by-side", drives="z-removable",
         registry=("REG_BINARY", "01000000"), pci="b360", barrier=5,
         env=dict(MANUFACTURER="ASRock", WIFI="Up\n", BLUETOOTH="OK\n", TPM="True\n",
                  SECUREBOOT="True\n"),
         stdin="1\nn\n", advice="asrock", words=("ENABLED", "ENABLED", "ENABLED", "ENABLED"),
         end=REPORT_QUESTION + REASON_B360 + RED_BOX, status=0, log=PROBE_LOG + WMIC_LOG),
    # A Bluetooth command that never ends, after it wrote an answer: ended at
    # the limit with all it started, it says nothing. Its words need no
    # second source, so it can run beside every state of the prefix; it
    # takes the program's full 30 s.
    dict(name="bluetooth-command-never-ends", beside=True,
         env=dict(MANUFACTURER="ASRock", WIFI="Up\n", BLUETOOTH="OK\n", BLUETOOTH_HANGS="1",
                  TPM="True\n", SECUREBOOT="False\n"),
         words=("ENABLED", "DISABLED", "ENABLED", "UNAVAILABLE"),
         **ASROCK_INTEL_NO_REPORT),
    # A Bluetooth command that takes 10 s, well within the 30 s limit: the
    # status block waits for it, and its word comes through. The limit is
    # the behaviour here; a third of it leaves 20 s for Wine to start the
    # command on a loaded machine, where it takes a second or two.
    dict(name="bluetooth-command-takes-10-s", beside=True,
         env=dict(MANUFACTURER="ASRock", WIFI="Up\n", BLUETOOTH="OK\n", BLUETOOTH_DELAY_MS="10000",
                  TPM="True\n", SECUREBOOT="False\n"),
         words=("ENABLED", "DISABLED", "ENABLED", "ENABLED"),
         **ASROCK_INTEL_NO_REPORT),
    # The window closed while the Bluetooth command hangs: quorven.exe is
    # ended as Windows ends it, and its job takes every command with it.
    dict(name="window-closed-while-bluetooth-hangs", beside=True, closed=True,
         env=dict(MANUFACTURER="ASRock", BLUETOOTH_HANGS="1"),
         stdin="1\nn\n", status=-9),
    # Wine's own wmic (UTF-16 into the pipe) and its silent powershell stub.
    dict(name="wine-own-commands", fakes=None,
         env=dict(), stdin="1\nn\n\n", advice="ticket",
         words=("DISABLED", "UNSUPPORTED", "UNKNOWN", "DISABLED"),
         end=REPORT_QUESTION + REASON_INTEL_SATA + GREEN_BOX, status=0, log=[]),
]

def expected_stdout(s):
    tpm, secure_boot, wifi, bluetooth = s["words"]
    # Headless, the size calls fail and the fallback runs; a pseudoconsole
    # makes none of them.
    fallback = "" if s.get("pseudoconsole") else "[!] Console resize failed, falling back...\n"
    return (fallback + TEXTS["banner"] + "\n" +
            ADVICE[s["advice"]] +
            f"\n[+] TPM [Trusted Computing] Status: {tpm}\n[+] Secure Boot Status: {secure_boot}"
            f"\n[+] Wifi : {wifi}\n[+] Bluetooth: {bluetooth}\n[+] Detecting disks...\n" +
            CPU_QUESTION + s["end"])


def run(s):
    folder = WORK / s["name"]
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    # Every process start, and whether it started, goes to the run's standard
    # error, whence it is taken apart below: the one witness of a start that
    # Wine itself failed.
    env = wine_env(PREFIX)
    env["WINEDEBUG"] = "-all,+process"
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
    if s.get("wlan"):
        env["QUORVEN_FAKE_WLAN"] = s["wlan"]
    for key, value in s["env"].items():
        env["QUORVEN_FAKE_" + key] = value
    exe = EXE
    start_folder = None
    if s.get("planted"):
        start_folder = folder / "downloads"
        start_folder.mkdir()
        exe = start_folder / "quorven.exe"
        shutil.copy(EXE, exe)
        for name in PLANTED_TOOLS:
            shutil.copy(PLANTED / "planted.exe", start_folder / name)
        for name in PLANTED_DLLS:
            shutil.copy(PLANTED / name, start_folder / name)
        # Wine prefers its own build of a system DLL wherever a copy lies;
        # told to prefer the native one, it searches as Windows does.
        env["WINEDLLOVERRIDES"] = "tbs,wlanapi=n,b"
    released = folder / "released"
    if s.get("probes_held"):
        env["QUORVEN_FAKE_PROBE_RELEASE"] = windows_path(released)
        env["QUORVEN_FAKE_BANNER"] = f"{BANNER_ROW.hex()} {windows_path(folder / 'stdout')}"
    if s.get("barrier"):
        (folder / "barrier").mkdir()
        env["QUORVEN_FAKE_BARRIER"] = f"{s['barrier']} {windows_path(folder / 'barrier')}"
    (folder / "stdin").write_bytes(s["stdin"].encode())
    started = time.monotonic()
    problems = []
    # A run beside the rounds is held at its final wait, its standard input
    # a pipe of ours that stays open, so that what it left running can be
    # looked at while it still runs.
    held = s.get("beside") and not s.get("closed")
    # Files, not pipes, for its output: see wine_session.py.
    with open(folder / "stdin", "rb") as i, open(folder / "stdout", "wb") as o, \
            open(folder / "stderr", "wb") as e:
        argv = [WINE, str(exe)]
        if s.get("pseudoconsole"):
            # The host types the answers; what the pseudoconsole shows lands
            # in `screen`, and the shim's report of the buffer's size in `size`.
            argv = [WINE, str(PSEUDOCONSOLE_HOST), windows_path(folder / "screen"), s["stdin"],
                    f"{windows_path(CONSOLE_SHIM)} {windows_path(folder / 'size')} "
                    f"{windows_path(exe)}"]
        proc = subprocess.Popen(argv, stdin=subprocess.PIPE if held else i, stdout=o,
                                stderr=e, env=env, cwd=start_folder)
        if held:
            proc.stdin.write(s["stdin"].encode())
            proc.stdin.flush()
        if s.get("probes_held"):
            # The probes answer once the banner is out. A run that waited
            # for them first would show none; bounded far above the second
            # or so that any machine takes to start a run, and below the run's
            # own 30 s limit, which would end the probes and let it go on.
            if wait_for(proc, folder / "stdout", BANNER_ROW, LONG_ENOUGH) is None:
                problems.append("no banner while the probes were held back: the banner waited "
                                "for the probes")
                proc.kill()
            released.touch()
        if s.get("closed"):
            # Once the hung command has started, the way Windows ends a
            # program whose window is closed: at once, with no say of its own.
            wait_for(proc, log, b"Get-PnpDevice")
            proc.kill()
        elif held:
            # The probes are collected when the status block begins: a
            # command ended at its limit is gone while the run goes on, not
            # only once it exits.
            if wait_for(proc, folder / "stdout", b"[+] Detecting disks...") is not None:
                left = wait_gone(env["QUORVEN_FAKE_LOG"], proc)
                if left:
                    problems.append(f"stand-ins still running while the run went on: {left}")
                if proc.poll() is not None:
                    problems.append("the run ended before its final Enter")
            proc.stdin.close()
        # Only against a hang: the longest run takes its pauses and one
        # command's 30 s limit, some 40 s.
        try:
            status = proc.wait(timeout=120)
        except subprocess.TimeoutExpired:
            proc.kill()
            status = proc.wait()
            problems.append("still running after 120 s: it hangs")
    seconds = time.monotonic() - started
    set_traces_apart(folder)
    out = windows_text(folder / "stdout", "stdout", problems)
    err = windows_text(folder / "stderr", "stderr", problems)
    logged = log.read_text().splitlines() if log.exists() else []
    # What the stand-ins saw of each other and of the screen, in their order.
    seen = [line for line in logged if line.startswith(("barrier: ", "release: "))]
    logged = [line for line in logged if line not in seen]
    arrived = [i for i, line in enumerate(seen) if line.endswith(" arrived")]
    went_on = [i for i, line in enumerate(seen) if " went on, " in line]
    if s.get("barrier") and not (len(arrived) == len(went_on) == s["barrier"] and
                                 max(arrived) < min(went_on)):
        problems.append(f"not all {s['barrier']} commands ran at once: {seen}")
    if s.get("probes_held") and seen != ["release: powershell saw the banner"] * len(PROBE_LOG):
        problems.append(f"each probe, once released, should have seen the banner: {seen}")
    if status != s["status"]:
        problems.append(f"exit status {status}, expected {s['status']}")
    if s.get("closed"):
        # Ended midway: what it wrote is not the point, what it left is.
        left = wait_gone(env["QUORVEN_FAKE_LOG"])
        if left:
            problems.append(f"stand-ins still running after the window closed: {left}")
        return s["name"], problems, seconds
    want_out = expected_stdout(s)
    want_err = s.get("err", "") + CONSOLE_ERR
    if s.get("pseudoconsole"):
        problems += pseudoconsole_problems(folder, s)
        # Both of its streams go to the screen; the host's own are empty.
        want_out = want_err = ""
    if out != want_out:
        problems.append(diff("stdout", want_out, out))
    if err != want_err:
        problems.append(diff("stderr", want_err, err))
    if not same_log(logged, s["log"]):
        problems.append(f"commands run:\n  {logged}\nexpected:\n  {s['log']}")
    left = wait_gone(env["QUORVEN_FAKE_LOG"])
    if left:
        problems.append(f"stand-ins still running after the run: {left}")
    if start_folder is not None:
        markers = sorted(m.name for m in start_folder.glob("*.ran"))
        if markers:
            problems.append(f"look-alikes ran or loaded: {markers}")
    return s["name"], problems, seconds


TRACE_LINE = re.compile(rb"[0-9a-f]{4}:(?:trace|warn|err|fixme):\w+:[^\n]*\n")


def set_traces_apart(folder):
    """Moves Wine's trace lines out of the run's standard error into
    `wine-trace`. Each is written whole, by one write, but may land inside a
    line of the program's own."""
    err = (folder / "stderr").read_bytes()
    (folder / "wine-trace").write_bytes(b"".join(TRACE_LINE.findall(err)))
    (folder / "stderr").write_bytes(TRACE_LINE.sub(b"", err))


def windows_file(name):
    """The file in the prefix, or on Linux, that a Windows path names."""
    drive, _, rest = name.partition(":")
    return (PREFIX / "dosdevices" / (drive.lower() + ":")).resolve() / rest.strip("\\").replace(
        "\\", "/")


def failed_starts(folder):
    """The command lines that the program started, each with a start below it
    that Wine failed: CreateProcess made the process of a program that is
    there, and returned without it. Measured: a process that dies before it
    has started (killed then, under Wine) fails CreateProcess with
    ERROR_INTERNAL_ERROR; the thread that starts it traces `app ... cmdline
    ...`, then NtCreateUserProcess, and `started process` only when it
    succeeds. A start refused earlier (error 267, a missing current folder)
    never reaches NtCreateUserProcess; one of a file that is no program
    (193) does, and looks like Wine's, but fails the second run too. Where
    cmd.exe's start fails, it says "Can't recognize" on a standard error
    that the status commands send to the null device: the trace is the only
    witness."""
    starts, awaited, parent = [], {}, {}
    trace = folder / "wine-trace"
    for line in trace.read_text(errors="replace").splitlines() if trace.exists() else []:
        thread, _, text = line.partition(":")
        text = text.split(":", 2)[-1]
        begun = re.match(r'CreateProcessInternalW app L"(.*)" cmdline L"(.*)"$', text)
        done = re.match(r"CreateProcessInternalW started process pid \w+ tid (\w+)", text)
        if text.startswith("NtCreateUserProcess ") and " image " in text and thread in awaited:
            starts[awaited[thread]]["made"] = True
        if begun:
            unescaped = [re.sub(r"\\(.)", r"\1", g) for g in begun.groups()]
            awaited[thread] = len(starts)
            starts.append(dict(caller=thread, app=unescaped[0], line=unescaped[1]))
        elif done and thread in awaited:
            starts[awaited[thread]]["child"] = done[1]
            parent[done[1]] = starts[awaited.pop(thread)]
    roots = []
    for start in starts:
        if "child" in start or "made" not in start or not windows_file(start["app"]).exists():
            continue
        # Up to the command the program gave, "cmd.exe /C ...", and no
        # further: inside a pseudoconsole the program itself was started by
        # the shim, which the host started.
        root = start
        while not root["line"].startswith("cmd.exe /C ") and root["caller"] in parent:
            root = parent[root["caller"]]
        roots.append(root["line"])
    return roots


def loader_failed(folder):
    """Whether Linux's dynamic loader stopped one of the run's Wine processes
    as it ended, and said so on the standard error that the process shared
    with the run (seen once in some hundred runs on a loaded machine, after
    the run's own output was complete). No Windows program writes this."""
    return any(b"Inconsistency detected by ld.so: " in (folder / name).read_bytes()
               for name in ("stderr", "stdout") if (folder / name).exists())


def logged_lines(s):
    log = WORK / s["name"] / "fake.log"
    return log.read_text().splitlines() if log.exists() else []


def run_checked(s):
    """Runs the scenario, and once more where Wine failed to start one of the
    commands: now and then, when many start at once, the new process dies
    before it runs, about once in 300 runs here. A command that is missing
    from the first run for any other cause fails the scenario, even when a
    second run has it. Whatever breaks in here is this scenario's failure."""
    try:
        name, problems, seconds = run(s)
        failed = failed_starts(WORK / s["name"]) if problems else []
        loader = bool(problems) and loader_failed(WORK / s["name"])
        if not failed and not loader:
            return name, problems, seconds
        first = logged_lines(s)
        name, problems, again = run(s)
        missing = collections.Counter(logged_lines(s)) - collections.Counter(first)
        unexplained = sorted(line for line in missing.elements()
                             if line.partition(": ")[0] in STAND_INS and
                             not any(line.partition(": ")[2] in f for f in failed))
        if unexplained:
            problems.append(f"ran only in the second run, with no start that Wine failed: "
                            f"{unexplained}")
        why = [f"Wine failed to start {'; '.join(failed)}"] if failed else []
        why += ["Linux's loader stopped a Wine process as it ended"] if loader else []
        return (name + f" (run twice: {'; '.join(why)} the first time)", problems,
                seconds + again)
    except Exception:
        return s["name"], ["the harness failed:\n" + traceback.format_exc()], 0.0


# The first row of the banner's block letters.
BANNER_ROW = TEXTS["banner"].strip("\n").split("\n")[0].encode()


PSEUDOCONSOLE_HOST = BUILD / "tools" / "pseudoconsole_host.exe"
CONSOLE_SHIM = BUILD / "tools" / "console_shim.exe"
WINDOW_KINDS = BUILD / "tools" / "console_window_kinds.exe"


def console_window_kinds():
    """The console's reading of windows of each class it tells apart, shown
    and hidden. Headless, Wine makes no window at all; a desktop of the
    tool's own with the null display driver makes them, and leaves the
    prefix's settings and every other run as they are. The desktop does not
    hand back the tool's exit status, so its lines are read: one "ok" for
    each of its 13 readings."""
    name = "console-window-kinds"
    folder = WORK / name
    started = time.monotonic()
    try:
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        with open(folder / "stdout", "wb") as o, open(folder / "stderr", "wb") as e:
            # Only against a hang: it takes a second or two.
            status = subprocess.run([WINE, "explorer", f"/desktop={name},640x480,null",
                                     windows_path(WINDOW_KINDS)], stdin=subprocess.DEVNULL,
                                    stdout=o, stderr=e, env=wine_env(PREFIX),
                                    timeout=120).returncode
        problems = []
        lines = windows_text(folder / "stdout", "stdout", problems).splitlines()
        if status != 0 or len(lines) != 13 or not all(l.startswith("ok  ") for l in lines):
            problems.append("readings of the console window:\n" + "\n".join(lines) +
                            f"\nexit status {status}, expected 13 lines of ok")
    except subprocess.TimeoutExpired:
        problems = ["still running after 120 s: it hangs"]
    except Exception:
        problems = ["the harness failed:\n" + traceback.format_exc()]
    return name, problems, time.monotonic() - started


def screen_text(data):
    """What a terminal shows of the pseudoconsole's output, as lines of
    text; the colours it was told, in order, each with the start of the
    text that followed it; and any escape sequence not read here. Wine's
    conhost writes a blank at the end of a line's text as ESC[K ESC[1C, and
    hides the cursor while it draws."""
    pieces, codes, unknown = [], [], []
    for piece in re.split(r"(\x1b\[[0-9;?]*[A-Za-z])", data.decode("utf-8", "replace")):
        sequence = re.fullmatch(r"\x1b\[([0-9;?]*)([A-Za-z])", piece)
        if not sequence:
            pieces.append(piece)
        elif sequence[2] == "C":
            pieces.append(" " * int(sequence[1] or 1))
        elif sequence[2] == "m":
            # A mark where the colour changes, read once the lines are.
            pieces.append("\0")
            codes.append(sequence[1] or "0")
        elif sequence[0] not in ("\x1b[K", "\x1b[?25l", "\x1b[?25h", "\x1b[2J", "\x1b[H"):
            unknown.append(sequence[0])
    marked = "".join(pieces).replace("\r\n", "\n").replace("\r", "")
    parts = marked.split("\0")
    colours = [(code, "".join(parts[i + 1:]).lstrip("\n")[:20]) for i, code in enumerate(codes)]
    return "".join(parts), colours, unknown


def pseudoconsole_problems(folder, s):
    problems = []
    size = (folder / "size").read_text().strip() if (folder / "size").exists() else "no report"
    if size != "120x30":
        problems.append(f"the pseudoconsole's buffer is {size} after the run, expected 120x30")
    screen = (folder / "screen").read_bytes() if (folder / "screen").exists() else b""
    text, colours, unknown = screen_text(screen)
    if unknown:
        problems.append(f"escape sequences this harness cannot read: {unknown}")
    # The product's own texts of a resize, not any "[!]": a line of the
    # verdict's may begin so too.
    resize = re.search(r"\[!\] (Console resize|SetConsole\w+ failed)|" +
                       re.escape(TEXTS["resize_fallback"]), text)
    if resize:
        problems.append(f"a resize line or `mode` reached the terminal: {resize[0]!r}")
    # The usual transcript, with the console's echo of each typed answer
    # (and of the last Enter) after its question.
    answers = s["stdin"].split("\n")
    want = expected_stdout(s).replace(CPU_QUESTION, CPU_QUESTION + answers[0] + "\n", 1)
    want = want.replace(REPORT_QUESTION, REPORT_QUESTION + answers[1] + "\n", 1) + "\n"
    if text != want:
        problems.append(diff("the screen, its escape sequences read", want, text))
    # The banner bright blue (9), then normal text (7), and the box bright
    # green (10), each set just before its text; the terminal's own reset
    # at the start aside.
    while colours and colours[0][0] == "0":
        colours.pop(0)
    banner_row = TEXTS["banner"].strip("\n").split("\n")[0]
    want_colours = [("94", banner_row[:20]), ("0", "[+] Detected ASRock\n"[:20]),
                    ("92", GREEN_BOX[:20])]
    if colours != want_colours:
        problems.append(f"colours {colours}, expected {want_colours}")
    return problems


# What the waits below allow: far above what any step takes on an idle
# machine (a second or less), so that a loaded one never decides a result.
LONG_ENOUGH = 20


def wait_for(proc, path, marker, limit=None):
    """Waits until `marker` shows in the file the run writes: True; None once
    the run has ended without it, or after `limit` seconds."""
    deadline = None if limit is None else time.monotonic() + limit
    while True:
        if path.exists() and marker in path.read_bytes():
            return True
        if proc.poll() is not None or (deadline is not None and time.monotonic() > deadline):
            return None
        time.sleep(0.01)


def wait_gone(log, proc=None):
    """The stand-ins of this scenario left once they are gone, or after
    LONG_ENOUGH seconds, or once `proc` has ended: a killed process under
    Wine takes a moment to go."""
    deadline = time.monotonic() + LONG_ENOUGH
    while (left := stand_ins_alive(log)) and time.monotonic() < deadline:
        if proc is not None and proc.poll() is not None:
            break
        time.sleep(0.05)
    return left


def same_log(logged, expected):
    """The run's commands run side by side and log in any order; the
    board's queries, each stand-in DLL's calls, and each command's own lines
    keep theirs."""
    def ordered(lines):
        return [[l for l in lines if "Win32_BaseBoard" in l or l.startswith("wmic")],
                [l for l in lines if l.startswith("wlanapi")]]
    return sorted(logged) == sorted(expected) and ordered(logged) == ordered(expected)


STAND_INS = ("powershell", "wmic")


def stand_ins_alive(log):
    """The stand-ins of this scenario still running, zombies (killed, not yet
    reaped) aside: the fake powershell and wmic, known by the program they
    run and by this scenario's log in their environment. Wine's own
    processes are not counted, nor the cmd.exe of the console fallback,
    which may still be ending on a loaded machine."""
    marker = f"QUORVEN_FAKE_LOG={log}\0".encode()
    table = subprocess.run(["ps", "-eo", "pid=,stat=,args="], capture_output=True,
                           text=True).stdout
    alive = []
    for row in table.splitlines():
        pid, stat, args = (row.split(None, 2) + [""])[:3]
        program = args.split(None, 1)[0].lower().rsplit("\\", 1)[-1] if args else ""
        if stat.startswith("Z") or program.removesuffix(".exe") not in STAND_INS:
            continue
        try:
            if marker in pathlib.Path(f"/proc/{pid}/environ").read_bytes():
                alive.append(f"{pid} {args}")
        except OSError:
            pass
    return alive


def windows_text(path, what, problems):
    """A Windows program's lines end in CR LF; any other CR is a fault of
    the writer."""
    text = path.read_bytes().decode("utf-8", "replace").replace("\r\n", "\n")
    if "\r" in text:
        problems.append(f"{what} holds a CR that ends no line, after: "
                        f"{text[:text.index(chr(13))][-60:]!r}")
    return text


def diff(what, want, got):
    import difflib
    lines = difflib.unified_diff(want.splitlines(True), got.splitlines(True), "expected", "actual")
    return f"{what} differs:\n" + "".join(lines)


SECURE_BOOT_KEY = r"HKLM\SYSTEM\CurrentControlSet\Control\SecureBoot\State"


def set_secure_boot_value(value):
    """Writes UEFISecureBootEnabled as (type, data), or removes the key."""
    if value is None:
        quiet(PREFIX, [WINE, "reg", "delete", SECURE_BOOT_KEY, "/f"])
    else:
        quiet(PREFIX, [WINE, "reg", "add", SECURE_BOOT_KEY, "/v", "UEFISecureBootEnabled",
               "/t", value[0], "/d", value[1], "/f"], check=True)


# Chipsets' LPC bridges as SetupAPI lists them once planted under Enum\PCI:
# the device key, its hardware IDs and its compatible IDs. Wine lists any key
# three levels below Enum that has a ClassGUID (here System's).
ENUM_PCI = r"HKLM\System\CurrentControlSet\Enum\PCI"
SYSTEM_CLASS = "{4d36e97d-e325-11ce-bfc1-08002be10318}"
BRIDGES = {
    "b360": "VEN_8086&DEV_A308&SUBSYS_86941043&REV_10",
    "z790": "VEN_8086&DEV_7A04&SUBSYS_88821043&REV_11",
    "amd": "VEN_1022&DEV_790E&SUBSYS_88771043&REV_51",
}


_planted = ["not known"]


def plant_bridge(name):
    """Leaves the prefix with that bridge alone, or with none. Each reg call
    costs a Wine start, so only what may be there is deleted."""
    if _planted[0] == name:
        return
    for other in BRIDGES if _planted[0] == "not known" else [_planted[0]] if _planted[0] else []:
        quiet(PREFIX, [WINE, "reg", "delete", ENUM_PCI + "\\" + BRIDGES[other], "/f"])
    _planted[0] = name
    if name is None:
        return
    key = BRIDGES[name]
    vendor_device = key.rsplit("&", 2)[0]
    instance = ENUM_PCI + "\\" + key + "\\3&11583659&0&F8"
    hardware = "\\0".join(["PCI\\" + key, f"PCI\\{vendor_device}&CC_060100",
                            f"PCI\\{vendor_device}&CC_0601"])
    compatible = "\\0".join([f"PCI\\{key.split('&')[0]}&CC_060100", "PCI\\CC_060100",
                              "PCI\\CC_0601"])
    for value, kind, data in (("ClassGUID", "REG_SZ", SYSTEM_CLASS),
                              ("HardwareID", "REG_MULTI_SZ", hardware),
                              ("CompatibleIDs", "REG_MULTI_SZ", compatible)):
        quiet(PREFIX, [WINE, "reg", "add", instance, "/v", value, "/t", kind, "/d", data, "/f"],
              check=True)


SYSTEM32 = PREFIX / "drive_c" / "windows" / "system32"
WLANAPI = SYSTEM32 / "wlanapi.dll"
WINE_WLANAPI = WLANAPI.with_name("wlanapi.dll.wine")


def install_wlan_stand_in():
    """Puts the stand-in over system32's wlanapi.dll, which Wine then loads
    in place of its own (measured)."""
    if not WINE_WLANAPI.exists():
        shutil.copy(WLANAPI, WINE_WLANAPI)
    shutil.copy(FAKES / "wlanapi.dll", WLANAPI)


def restore_wine_wlanapi():
    if WINE_WLANAPI.exists():
        shutil.move(WINE_WLANAPI, WLANAPI)


def set_drive_z(kind):
    """Makes Z: a drive of that kind ("floppy": removable), or Wine's
    default again. Wine reads drive kinds when it starts, so the server is
    stopped afterwards."""
    key = r"HKLM\Software\Wine\Drives"
    if kind is None:
        quiet(PREFIX, [WINE, "reg", "delete", key, "/v", "z:", "/f"])
    else:
        quiet(PREFIX, [WINE, "reg", "add", key, "/v", "z:", "/t", "REG_SZ", "/d", kind, "/f"],
              check=True)
    quiet(PREFIX, [WINESERVER, "-k"])


def run_groups(scenarios):
    """The registry and system32 are shared by the whole prefix: scenarios
    that need the same state run together, and each state in turn."""
    groups = {}
    for s in scenarios:
        groups.setdefault((s.get("registry"), s.get("pci")), []).append(s)
    wmic = SYSTEM32 / "wbem" / "wmic.exe"
    hidden = wmic.with_name("wmic.exe.away")
    results = []
    for (registry, pci), group in groups.items():
        set_secure_boot_value(registry)
        plant_bridge(pci)
        wmic_missing = any(s.get("wmic_missing") for s in group)
        if any(s.get("wlan") for s in group):
            install_wlan_stand_in()
        else:
            restore_wine_wlanapi()
        if wmic_missing:
            wmic.rename(hidden)
        try:
            with concurrent.futures.ThreadPoolExecutor(max_workers=len(group)) as pool:
                results += list(pool.map(run_checked, group))
        finally:
            if wmic_missing:
                hidden.rename(wmic)
    set_secure_boot_value(None)
    plant_bridge(None)
    return results


def main():
    WORK.mkdir(parents=True, exist_ok=True)
    results = []
    # Drive kinds are read when Wine starts: one session for each.
    # Names on the command line pick scenarios; none picks them all.
    wanted = set(sys.argv[1:])
    by_drives = {}
    for s in SCENARIOS:
        if not wanted or s["name"] in wanted:
            by_drives.setdefault(s.get("drives"), []).append(s)
    # The windows' readings need no state of the prefix: beside a round.
    kinds = not wanted or "console-window-kinds" in wanted
    if kinds:
        by_drives.setdefault(None, [])
    keeper = BUILD / "tools" / "desktop_keeper.exe"
    try:
        for drives, scenarios in by_drives.items():
            if drives is not None:
                set_drive_z("floppy")
            try:
                with session(PREFIX, keeper) as desktop:
                    if not desktop:
                        print("wine scenarios: Wine's desktop did not come up within 30 s, so "
                              "every run would hang; see tests/wine/desktop_keeper.cpp",
                              file=sys.stderr)
                        return 1
                    # A run reads the PCI functions as it starts: the long
                    # ones beside the rounds start on a prefix with no
                    # bridge, whatever an aborted run left.
                    plant_bridge(None)
                    # The long ones run beside the rounds, not after them.
                    beside = [s for s in scenarios if s.get("beside")]
                    with concurrent.futures.ThreadPoolExecutor(max_workers=1 + len(beside)) as pool:
                        long_runs = [pool.submit(run_checked, s) for s in beside]
                        if kinds and drives is None:
                            long_runs.append(pool.submit(console_window_kinds))
                        results += run_groups([s for s in scenarios if not s.get("beside")])
                        results += [r.result() for r in long_runs]
            finally:
                if drives is not None:
                    set_drive_z(None)
    finally:
        restore_wine_wlanapi()
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
