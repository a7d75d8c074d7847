// The tests' entry point. Output goes through a pipe to CTest: binary mode keeps Wine's C
// runtime from writing CR LF, which would end up inside the names of discovered tests.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
