// Makes a barge's database as the program's first start does, for the office's web tests:
//   web_make_barge PATH
#include <cstdio>
#include <exception>

#include "core/data/database_schema.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: web_make_barge PATH\n");
        return 2;
    }
    try {
        ijken::data::create_database(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "web_make_barge: %s\n", e.what());
        return 1;
    }
    return 0;
}
