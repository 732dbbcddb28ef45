#include "app/startup.h"

#include "app/music.h"
#include "datapool/mesh.h"
#include "datapool/pictures.h"
#include "datapool/pool.h"
#include "datapool/pool_records.h"
#include "display/cell_image.h"
#include "display/nearest_colour.h"
#include "effects/camera_path.h"
#include "effects/fisheye.h"
#include "effects/span_buffer.h"
#include "effects/tubes.h"
#include "platform/memory.h"
#include "platform/music_player.h"
#include "platform/side_work.h"
#include "platform/user_output.h"
#include "render/render_target.h"
#include "settings/settings.h"

#include <cstring>
#include <memory>
#include <utility>

namespace {

constexpr uint32_t kScratchBytes = kScratchRecordCapacity;
static_assert(kPathCount == kCameraPathCount);
bool blocksAllocated = false;

void buildTextStyleTables() {
    buildConsoleTables();
    prepareNearestSearch();
}

} // namespace

// The grid is a tenth of start-up and needs nothing from the archive, which takes a third.
void beginTextStyleTables() {
    beginSideWork(buildTextStyleTables);
}

void endTextStyleTables() {
    endSideWork();
}

void runStartUp() {
    // The large arrays start-up fills, made present in one request each: filled page by page they
    // would cost a fault a page, the greater part of start-up on a virtual machine.
    const std::pair<void*, size_t> filled[] = {{meshTexture, sizeof meshTexture},
                                               {envMap, sizeof envMap},
                                               {overlayTexture, sizeof overlayTexture},
                                               {logo3Values, sizeof logo3Values},
                                               {fileMeshes, sizeof fileMeshes}};
    for (const auto& [start, bytes] : filled) prefaultMemory(start, bytes);
    allocatePictureBlocks();
    blocksAllocated = true;
    std::unique_ptr<uint8_t[]> scratch(new uint8_t[kScratchBytes]);
    prefaultMemory(scratch.get(), kScratchBytes);
    std::memset(scratch.get(), 0, kScratchBytes);
    if (!poolStatus.opened) openPool(); // the live show opens it before the terminal (main_loop)
    // When the pool itself failed, that one message says it all.
    const bool warn = !poolStatus.failed;

    // The records in the pool's one order (pool_records.h).
    const char* module = kPoolRecords[moduleRecord()].name;
    uint32_t length = readPoolFile(module, scratch.get(), kScratchBytes);
    // The player copies the module: the block is reused at once.
    if (initMusic(scratch.get(), length) != 0 && warn)
        reportProblem("the music %s is not a module the player can read (%u bytes); without it "
                      "the show has no clock and stands still",
                      module, length);

    for (const PictureSpec& picture : kPictures) {
        if (picture.encoding == PictureEncoding::kConsoleCells) {
            // Console cells go straight into their arrays.
            uint32_t got =
                readPoolFile(picture.name, picture.destination(), uint32_t(pictureRecordSize(picture)));
            if (warn) warnIfPictureSizeDiffers(picture, got);
            continue;
        }
        uint32_t got = readPoolFile(picture.name, scratch.get(), kScratchBytes);
        if (warn) warnIfPictureSizeDiffers(picture, got);
        decodePicture(picture, scratch.get());
    }

    for (int m = 0; m < kFileMeshCount; ++m) {
        MeshLoadReport report = loadMesh(&fileMeshes[m], m);
        if (warn) warnIfMeshDamaged(kFileMeshNames[m], report);
    }
    buildProceduralMeshes();
    buildTubes();
    buildRoomLookup();

    for (int p = 0; p < kPathCount; ++p) {
        uint32_t got = readPoolFile(kPoolRecords[cameraPathRecord(p)].name, scratch.get(), kScratchBytes);
        parsePathText(&cameraPaths[p], scratch.get(), got);
    }
    scratch.reset();

    if (startPosition != 0) BASS_ChannelSetPosition(musicHandle, uint64_t(startPosition & 0xFFFF));
    spanTexture = skyTexture;
    renderTarget.depthBuffer = depthBufferA;
    BASS_ChannelPlay(musicHandle, 0);
}

void releaseStartUp() {
    if (blocksAllocated) releasePictureBlocks();
    blocksAllocated = false;
}
