// checks: every generated file against what the program expects of it.
#pragma once

#include "tools/poolmaker/assets.h"

#include <string>
#include <vector>

// The record names in pool order, as the program reads them.
const std::vector<std::string>& expectedRecordNames();
// "" when the pool is sound, else what is wrong (file and reason).
std::string checkPoolFiles(const std::vector<PoolFile>& files);
