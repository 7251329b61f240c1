#include "platform/client/DirectoryClientFactory.h"

#include "platform/client/NativeDirectoryClient.h"

#include "platform/embedded/EmbeddedService.h"
#include "platform/embedded/StoreCreator.h"

namespace recast::client {

std::unique_ptr<DirectoryClient> CreateDirectoryClient(const ClientOptions& options) {
  ClientOptions effective = options;
  if (effective.openers.find(kEmbeddedServiceKind) == effective.openers.end()) {
    effective.openers.emplace(std::string(kEmbeddedServiceKind), &embedded::OpenEmbeddedService);
  }
  if (!effective.createDemoStore) {
    effective.createDemoStore = [](const std::vector<std::filesystem::path>& files,
                                   const std::filesystem::path& store) {
      return embedded::CreateStoreFromData(files, store);
    };
  }
  return std::make_unique<NativeDirectoryClient>(std::move(effective));
}

}  // namespace recast::client
