#include "startup.h"

int main(int argc, char *argv[])
{
    return runBrindlebox(argc, argv);
}
