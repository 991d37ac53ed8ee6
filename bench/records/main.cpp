// tagbench-records DIR: see recordsbench.h.

#include "recordsbench.h"

#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: tagbench-records DIR\n";
        return 2;
    }
    return RunRecordsBench(argv[1], std::cout);
}
