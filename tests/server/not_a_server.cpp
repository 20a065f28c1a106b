// A shared library that exports an ordinary function and none of the
// component entry points.
extern "C" __attribute__((visibility("default"))) int PeltNotAServer() { return 42; }
