// Every picture decoded from whatever bytes a record may hold: the scratch
// block is the decoders' whole world, so nothing may be read or written
// outside it or the destinations.
#include "datapool/pictures.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool allocated = false;
    if (!allocated) {
        allocatePictureBlocks();
        allocated = true;
    }
    static std::vector<uint8_t> scratch(2 << 20);
    if (size == 0) return 0;
    const PictureSpec& picture = kPictures[data[0] % kPictureCount];
    size_t take = size - 1 < scratch.size() ? size - 1 : scratch.size();
    std::memcpy(scratch.data(), data + 1, take);
    decodePicture(picture, scratch.data());
    return 0;
}
