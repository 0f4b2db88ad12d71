// A loadable library that is not the audio library: it exports none of its names.
extern "C" __attribute__((visibility("default"))) int ehForeignLibraryAnswer() {
    return 42;
}
