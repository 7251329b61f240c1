#pragma once
// Builds the program's directory client.

#include <memory>

#include "directory/DirectoryClient.h"
#include "platform/client/ClientOptions.h"

namespace recast::client {

// A client over options, with the embedded service and its demo store creator filled in
// where options leave them empty. Nothing is opened or read until InitClient.
std::unique_ptr<DirectoryClient> CreateDirectoryClient(const ClientOptions& options);

}  // namespace recast::client
