// A library with a reference no loaded object satisfies: it loads only where references
// are bound lazily, never where they are all resolved at load time.
extern "C" __attribute__((visibility("default"))) int ehOsTestNowhereDefined();

extern "C" __attribute__((visibility("default"))) int ehOsTestCallsNowhere() {
    return ehOsTestNowhereDefined();
}
