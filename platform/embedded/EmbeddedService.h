#pragma once
// The embedded directory: one tree of a store file, seen through one login.
//
// Every Modify and ChangeBaseClass is one SQLite transaction, taken with the write lock from
// its first read, so a crash or kill leaves the state before or after it and another program
// on the same store never sees half of it. The login's rights come from the store: a login
// without write rights gets kErrNoAccess for every change.

#include <memory>

#include "platform/service/DirectoryService.h"

namespace recast::embedded {

// config.service: the store's path; config.treeName: the tree in it (letter case ignored);
// config.login: the login's dotted name in that tree, or empty for the tree's first login.
// Fails with a store status (StoreFormat.h), kErrStoreNoSuchTree, kErrNoAccess for a login the
// tree does not know, or kErrNoSuchEntry when the login's entry is missing. *service
// unchanged on failure.
DirStatus OpenEmbeddedService(const service::ConnectionConfig& config,
                              std::unique_ptr<service::DirectoryService>* service);

}  // namespace recast::embedded
