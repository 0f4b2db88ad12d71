// A small DLL for the loading tests: one exported name, nothing else.
extern "C" __declspec(dllexport) int ehOsTestLibraryAnswer() {
    return 42;
}
