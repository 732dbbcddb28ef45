// The browser's entry: the page calls main with the arguments it made of its URL.
#include "platform/entry.h"

int main(int argc, char** argv) {
    return programMain(argc, argv);
}
