#!/usr/bin/python3
# Screen I/O of the COBOL kit: a SCREEN SECTION program (cobol/stock.cbl), linked with veldra
# for one machine, runs under Wine on a pseudo-terminal of 25 lines by 80 columns, as a user in
# a Windows console would run it. Wine's console draws what the program puts in the console on
# the terminal with escape sequences; a terminal emulator (pyte) reads them back into a screen.
# Keystrokes go in as a terminal sends them; the test checks what the screen shows before and
# after each one: the form, the accepted values shown at their line and column, the CRT STATUS
# of the key that ended an ACCEPT (ENTER, F1).
#
# First a probe, a C program that writes at a line and column through the console's own
# functions: when Wine draws that nowhere, Wine cannot show a Windows console here, and the test
# is not run (status 77, saying why) rather than failed or passed.
#
#   screen.py <veldra> <reference toolchain> <machine> <work folder>
#
# Exit status: 0 passed; 1 failed (what the screen showed is printed); 77 not run: no COBOL kit,
# no wine32 for x86, or Wine shows no console on a pseudo-terminal.
import os
import subprocess
import sys
import time
import types

# Debian's python3-pexpect and python3-pyte (scripts/install-deps.sh installs them).
import pexpect
import pyte

LINES, COLUMNS = 25, 80
WAIT = 90  # seconds for a screen to appear: Wine's first start in a prefix is slow

PROBE = b"""#include <windows.h>
int main(void) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written;
    SetConsoleCursorPosition(out, (COORD){9, 3});
    WriteConsoleA(out, "PROBE AT 4,10", 13, &written, NULL);
}
"""

# In the work folder $1, made anew, for the machine $2: whether Wine starts its programs (77 when
# not), the probe (on standard input) and the form (from $0, this folder) linked by veldra $4 with
# the reference toolchain $3 as the scripts' toolchain_env sets it up; prints the environment to
# run them in.
SETUP = r""". "${VELDRA_SCRIPTS:-$0/../../scripts}/lib.sh" && rm -rf "$1" && mkdir -p "$1" || exit 1
cd "$1" && cp "$0/cobol/stock.cbl" . && cat >probe.c || exit 1
exec 3>&1 1>&2  # what is said to standard error, the environment to standard output
[ "$2" != x86 ] || wine32_ready ||
    { echo "Wine cannot start 32-bit programs here: $WINE32_WHY"; exit 77; }
toolchain_env "$3" "$2" || { echo "toolchain_env $2 failed"; exit 1; }
# A Windows console has no TERM: ncurses then draws through the console's functions.
unset TERM
export PATH=$(dirname "$4"):$PATH WINEDEBUG=-all
for source in probe.c stock.cbl; do
    "$4" "${TOOLCHAIN_WORDS[@]}" $source || { echo "veldra $source for $2: status $?"; exit 1; }
done
env -0 >&3
"""


def end(status, why, terminal=None):
    """Ends the test (77: not run, else failed) saying why, and what a program showed."""
    print(("not run: " if status == 77 else "FAILED: ") + why)
    if terminal is not None:
        print("the screen:")
        for number, line in enumerate(terminal.screen.display, 1):
            print("%2d|%s" % (number, line.rstrip()))
        with open(terminal.errors, errors="replace") as errors:
            print("standard error:\n" + errors.read().strip())
    sys.exit(status)


class Terminal:
    """`wine <program>` on a pseudo-terminal, what it draws read into a pyte screen."""

    def __init__(self, program, work, environment):
        self.screen = pyte.Screen(COLUMNS, LINES)
        stream = pyte.ByteStream(self.screen)
        self.errors = os.path.join(work, program + ".err")
        # Standard error to a file: what Wine itself says there would move the screen.
        self.child = pexpect.spawn("sh", ["-c", 'exec wine "$0" 2>"$0.err"', program], cwd=work,
                                   env=environment, dimensions=(LINES, COLUMNS))
        self.child.logfile_read = types.SimpleNamespace(write=stream.feed, flush=lambda: None)

    def pump(self, seconds):
        """Reads what the program draws for `seconds`; False once it has ended."""
        return self.child.expect([pexpect.TIMEOUT, pexpect.EOF], timeout=seconds) == 0

    def text(self, line, column, length):
        """What the screen shows at a line and column (from 1), `length` characters."""
        return self.screen.display[line - 1][column - 1 : column - 1 + length]

    def expect(self, what, line, column, text, wait=WAIT):
        """Fails unless the screen shows `text` there within `wait` seconds (0: already)."""
        end_at = time.time() + wait
        while self.text(line, column, len(text)) != text:
            if time.time() >= end_at or not self.pump(0.5):
                end(1, "%s: expected %r at line %d column %d" % (what, text, line, column), self)
        if wait:
            self.pump(0.5)  # the rest of the same drawing

    def type(self, *keys):
        for key in keys:
            self.child.send(key)
            self.pump(0.3)

    def finish(self):
        """Waits for the program to end (killed after WAIT); returns its exit status."""
        if self.pump(WAIT):
            self.child.kill(9)
        return self.child.wait()


veldra, ref, machine, work = sys.argv[1:]
if not os.path.exists(os.path.join(ref, "bin", "cobol")):
    end(77, "no COBOL kit")
made = subprocess.run(["bash", "-c", SETUP, os.path.dirname(os.path.abspath(__file__)), work,
                       machine, ref, veldra], input=PROBE, capture_output=True)
if made.returncode != 0:
    end(made.returncode, made.stderr.decode(errors="replace").strip())
environment = dict(entry.split("=", 1) for entry in made.stdout.decode().split("\0") if entry)

probe = Terminal("probe.exe", work, environment)
status = probe.finish()
if status != 0 or probe.text(4, 10, 13) != "PROBE AT 4,10":
    end(77, "Wine draws no Windows console on a pseudo-terminal here: a program that writes "
        "at line 4 column 10 through the console's functions (status %s) showed %r there"
        % (status, probe.text(4, 10, 13)), probe)

program = Terminal("stock.exe", work, environment)
program.expect("the form", 2, 10, "STOCK ENTRY")
program.expect("the form", 4, 5, "Name:", 0)
program.expect("the form", 5, 5, "Qty:", 0)
# The name, TAB to the quantity, ENTER: the values shown where the program puts them.
program.type(b"WIDGET", b"\t", b"042", b"\r")
program.expect("the values accepted with ENTER", 8, 5, "GOT [WIDGET    ] QTY 042 KEY 0000")
program.expect("the typed name in its field", 4, 12, "WIDGET", 0)
# One more field, ended by F1 as a terminal sends it.
program.expect("the positioned DISPLAY", 10, 5, "Note:")
program.type(b"ab", b"\x1bOP")
program.expect("the field ended by F1", 11, 5, "NOTE [ab   ] KEY 1001")
program.expect("the last prompt", 13, 5, "Press ENTER")
program.type(b"\r")
status = program.finish()
if status != 0:
    end(1, "stock.exe ended with status %s" % status, program)
print("passed: %s screen drawn, keys accepted (ENTER, TAB, F1)" % machine)
