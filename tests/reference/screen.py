#!/usr/bin/python3
"""Screen I/O of the COBOL kit: a SCREEN SECTION program (cobol/stock.cbl), linked with veldra
for one machine, runs under Wine on a pseudo-terminal of 25 lines by 80 columns, as a user in
a Windows console would run it. Wine's console draws what the program puts in the console on
the terminal with escape sequences; a terminal emulator (pyte) reads them back into a screen.
Keystrokes go in as a terminal sends them; the test checks what the screen shows before and
after each one: the form, the accepted values shown at their line and column, the CRT STATUS
of the key that ended an ACCEPT (ENTER, F1).

First a probe, a C program that writes at a line and column through the console's own
functions: when Wine draws that nowhere, Wine cannot show a Windows console here, and the test
is not run (status 77, saying why) rather than failed or passed.

    screen.py <veldra> <reference toolchain> <machine> <work folder>

Exit status: 0 passed; 1 failed (what the screen showed is printed); 77 not run: no COBOL kit,
no wine32 for x86, or Wine shows no console on a pseudo-terminal.
"""
import fcntl
import os
import pty
import select
import shutil
import signal
import struct
import subprocess
import sys
import termios
import time

LINES, COLUMNS = 25, 80
WAIT = 90  # seconds for a screen to appear: Wine's first start in a prefix is slow

PROBE = r"""#include <windows.h>
int main(void) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    COORD at = {9, 3};
    DWORD written;
    SetConsoleCursorPosition(out, at);
    WriteConsoleA(out, "PROBE AT 4,10", 13, &written, NULL);
    return 0;
}
"""


def show(terminal):
    """Prints what a program's terminal shows, and what it wrote to standard error."""
    print("the screen:")
    for number, line in enumerate(terminal.screen.display, 1):
        print("%2d|%s" % (number, line.rstrip()))
    with open(terminal.errors, errors="replace") as errors:
        said = errors.read().strip()
    if said:
        print("standard error:\n" + said)


def not_run(why, terminal=None):
    print("not run: " + why)
    if terminal is not None:
        show(terminal)
    sys.exit(77)


def fail(why, terminal=None):
    print("FAILED: " + why)
    if terminal is not None:
        show(terminal)
    sys.exit(1)


class Terminal:
    """A program on a pseudo-terminal, its output read into a pyte screen."""

    def __init__(self, words, folder, environment):
        import pyte

        self.screen = pyte.Screen(COLUMNS, LINES)
        self.stream = pyte.ByteStream(self.screen)
        self.errors = os.path.join(folder, words[-1] + ".err")
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            try:
                fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", LINES, COLUMNS, 0, 0))
                os.chdir(folder)
                # Standard error to a file: what Wine itself says there would move the screen.
                os.dup2(os.open(self.errors, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644), 2)
                os.execvpe(words[0], words, environment)
            finally:
                os._exit(127)

    def pump(self, seconds):
        """Reads what the program draws for up to `seconds`; False once it has ended."""
        end = time.time() + seconds
        while time.time() < end:
            ready, _, _ = select.select([self.fd], [], [], 0.1)
            if not ready:
                continue
            try:
                data = os.read(self.fd, 65536)
            except OSError:
                data = b""
            if not data:
                return False
            self.stream.feed(data)
        return True

    def text(self, line, column, length):
        """What the screen shows at a line and column (from 1), `length` characters."""
        return self.screen.display[line - 1][column - 1 : column - 1 + length]

    def wait_for(self, line, column, text, what):
        end = time.time() + WAIT
        while self.text(line, column, len(text)) != text:
            if time.time() > end or not self.pump(0.5):
                fail("%s: expected %r at line %d column %d" % (what, text, line, column), self)
        self.pump(0.5)  # the rest of the same drawing

    def type(self, keys):
        for key in keys:
            os.write(self.fd, key)
            self.pump(0.3)

    def finish(self):
        """Waits for the program to end; returns its exit status."""
        end = time.time() + WAIT
        while self.pump(0.5) and time.time() < end:
            pass
        for _ in range(100):
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid:
                return os.waitstatus_to_exitcode(status)
            time.sleep(0.1)
        os.kill(self.pid, signal.SIGKILL)
        os.waitpid(self.pid, 0)
        return -1


def main():
    if len(sys.argv) != 5:
        print(__doc__)
        sys.exit(2)
    veldra, ref, machine, work = sys.argv[1:]
    here = os.path.dirname(os.path.abspath(__file__))
    if not os.path.exists(os.path.join(ref, "bin", "cobol")):
        not_run("no COBOL kit")
    try:
        import pyte  # noqa: F401
    except ImportError:
        fail("the terminal emulator pyte is missing (Debian package python3-pyte; "
             "scripts/install-deps.sh installs it)")
    environment = dict(os.environ)
    if machine == "x86":
        scripts = os.path.join(here, "..", "..", "scripts", "lib.sh")
        ready = subprocess.run(["bash", "-c", '. "$0" && wine32_ready || { echo "$WINE32_WHY"; exit 1; }',
                                scripts], capture_output=True, text=True, env=environment)
        if ready.returncode != 0:
            not_run("Wine cannot start 32-bit programs here: " + ready.stdout.strip())
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    shutil.copy(os.path.join(here, "cobol", "stock.cbl"), work)
    with open(os.path.join(work, "probe.c"), "w") as probe:
        probe.write(PROBE)
    # The link's environment and veldra's word for the machine, as the scripts' toolchain_env
    # gives them.
    scripts = os.path.join(os.environ.get("VELDRA_SCRIPTS") or os.path.join(here, "..", "..", "scripts"),
                           "lib.sh")
    made = subprocess.run(["bash", "-c", '. "$0" && toolchain_env "$1" "$2" && PATH=$3:$PATH && env -0'
                           ' && printf "P=%s\\0" "${TOOLCHAIN_WORDS[*]}"',
                           scripts, ref, machine, os.path.dirname(veldra)],
                          capture_output=True, env=environment)
    if made.returncode != 0:
        fail("toolchain_env %s: %s" % (machine, made.stderr.decode(errors="replace")))
    environment, flags = {}, []
    for entry in made.stdout.decode().split("\0"):
        name, _, value = entry.partition("=")
        if name == "P":
            flags = value.split()
        elif name:
            environment[name] = value
    environment["WINEDEBUG"] = "-all"
    # A Windows console has no TERM: ncurses then draws through the console's functions.
    environment.pop("TERM", None)
    for source in ("probe.c", "stock.cbl"):
        built = subprocess.run([veldra] + flags + [source], cwd=work, env=environment,
                               capture_output=True, text=True)
        if built.returncode != 0:
            fail("veldra %s %s: status %d\n%s" % (" ".join(flags), source, built.returncode,
                                                  built.stdout + built.stderr))

    probe = Terminal(["wine", "probe.exe"], work, environment)
    status = probe.finish()
    if status != 0 or probe.text(4, 10, 13) != "PROBE AT 4,10":
        not_run("Wine draws no Windows console on a pseudo-terminal here: a program that writes "
                "at line 4 column 10 through the console's functions (status %d) showed %r there"
                % (status, probe.text(4, 10, 13)), probe)

    program = Terminal(["wine", "stock.exe"], work, environment)
    program.wait_for(2, 10, "STOCK ENTRY", "the form")
    for line, column, text in ((4, 5, "Name:"), (5, 5, "Qty:")):
        if program.text(line, column, len(text)) != text:
            fail("the form: expected %r at line %d column %d" % (text, line, column), program)
    # The name, TAB to the quantity, ENTER: the values shown where the program puts them.
    program.type([b"WIDGET", b"\t", b"042", b"\r"])
    program.wait_for(8, 5, "GOT [WIDGET    ] QTY 042 KEY 0000", "the values accepted with ENTER")
    if program.text(4, 12, 6) != "WIDGET":
        fail("the typed name is not shown in its field", program)
    # One more field, ended by F1 as a terminal sends it.
    program.wait_for(10, 5, "Note:", "the positioned DISPLAY")
    program.type([b"ab", b"\x1bOP"])
    program.wait_for(11, 5, "NOTE [ab   ] KEY 1001", "the field ended by F1")
    program.wait_for(13, 5, "Press ENTER", "the last prompt")
    program.type([b"\r"])
    status = program.finish()
    if status != 0:
        fail("stock.exe ended with status %d" % status, program)
    print("passed: %s screen drawn, keys accepted (ENTER, TAB, F1)" % machine)


if __name__ == "__main__":
    main()
