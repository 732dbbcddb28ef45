#include "datapool/pool_records.h"

uint32_t poolRecordCapacity(int record) {
    const PoolRecord& r = kPoolRecords[record];
    switch (r.kind) {
    case RecordKind::kPicture:
        return uint32_t(pictureRecordSize(kPictures[r.item]));
    case RecordKind::kMeshVertices:
    case RecordKind::kMeshFaces:
        return kMeshFileCapacity;
    case RecordKind::kModule:
    case RecordKind::kCameraPath:
        break;
    }
    return kScratchRecordCapacity;
}
