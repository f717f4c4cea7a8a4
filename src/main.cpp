#include "platform/core/AppIdentity.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s\n", core::AppIdentity::current().versionLine().c_str());
            return 0;
        }
    }
    std::fprintf(stderr, "usage: glimra --version\n");
    return 2;
}
