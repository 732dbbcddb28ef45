// The show's eight meshes, in the pool's mesh order.
#pragma once

#include "tools/poolmaker/model.h"

#include <vector>

std::vector<Model> makeModels();
