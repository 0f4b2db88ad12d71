// A small library for the loading tests: one exported name, nothing else.
extern "C" __attribute__((visibility("default"))) int ehOsTestLibraryAnswer() {
    return 42;
}
