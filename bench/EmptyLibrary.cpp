// A shared library with nothing in it but one export: the floor for loading and unloading a library.
extern "C" __attribute__((visibility("default"))) int empty_library_export() {
    return 0;
}
