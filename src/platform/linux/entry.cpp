// The Linux entry: the arguments as the system gives them.
#include "platform/entry.h"

int main(int argc, char** argv) {
    return programMain(argc, argv);
}
