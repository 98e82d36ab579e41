#include "Program.h"

int main(int argc, char** argv)
{
    return qv::runprogram(argc, argv);
}
