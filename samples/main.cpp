// varnok-samples FOLDER: writes the demo archives the README and the tests use.
#include <cstdio>
#include <exception>

#include "samples/SampleArchives.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: varnok-samples FOLDER\n");
        return 2;
    }
    try {
        varnok::samples::WriteSampleArchives(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "varnok-samples: %s\n", e.what());
        return 1;
    }
    std::printf("demo.rfh, demo.rfd, demo.bag and demo.mpk written to %s\n", argv[1]);
    return 0;
}
