// Loads like the engine library but exports nothing the program looks for.
extern "C" __attribute__((visibility("default"))) int not_an_engine_export() {
    return 42;
}
