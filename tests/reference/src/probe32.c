// Ends with status 3 where Wine starts 32-bit programs.
__declspec(dllimport) void __stdcall ExitProcess(unsigned code);
void start(void) {
    ExitProcess(3);
}
