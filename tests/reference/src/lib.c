int add(int a, int b) { return a + b; }
int hidden(int a, int b) { return a - b; }
