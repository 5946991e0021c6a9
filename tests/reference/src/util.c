int twice(int value) { return 2 * value; }
