#pragma once
// Builds a store file from data files or from a data set. The store is written into a
// temporary file beside the target and moved into place only when complete, so no reader
// ever sees half a store; an existing file at the target is never replaced. What an
// interrupted creation left beside the target (its temporary file and journal, once their
// process is gone) is removed first. A folder that cannot be written fails with
// kErrStoreNotWritable, a full disk or the file size limit with kErrStoreDiskFull (never the
// SIGXFSZ signal), each with a message naming the target (StoreFormat.h).

#include <filesystem>
#include <vector>

#include "platform/embedded/DataLoader.h"
#include "platform/embedded/DataSet.h"

namespace recast::embedded {

// Something already exists at the target path: kErrStoreExists (directory/Statuses.h).

// Loads the files (see DataLoader.h) and writes the store. kErrDataBadInput with *error
// filled when a file is refused; nothing is left at storePath on any failure.
DirStatus CreateStoreFromData(const std::vector<std::filesystem::path>& dataFiles,
                              const std::filesystem::path& storePath, LoadError* error = nullptr);

DirStatus WriteStore(const DataSet& data, const std::filesystem::path& storePath);

}  // namespace recast::embedded
