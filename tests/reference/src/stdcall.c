int __stdcall sub(int a, int b) {
    return a - b;
}
