#pragma once
// The embedded directory: one tree of a store file, seen through one login.
//
// Every Modify and ChangeBaseClass is one SQLite transaction, taken with the write lock from
// its first read, so a crash or kill leaves the state before or after it and another program
// on the same store never sees half of it. Each read runs in one read transaction. A service
// is used by one thread at a time.
//
// Statuses, beyond those of DirectoryService.h:
//   every change       kErrNoAccess for a login without write rights; kErrStoreNotWritable
//                      for a write-protected store file or folder, kErrStoreDiskFull for a
//                      full disk (both with a message naming the file, StoreFormat.h)
//   Modify             kErrNoSuchAttribute for an unknown attribute or the removal (type 1) of
//                      one without values; kErrNoAccess for a read-only attribute ("Object
//                      Class" changes only with the base class); kErrIllegalAttribute when the
//                      entry's classes (base, super and auxiliary) do not allow it;
//                      kErrSyntaxViolation for a value outside the syntax or the bounds;
//                      kErrDuplicateValue, kErrCannotHaveMultipleValues, kErrNoSuchValue;
//                      kErrAttributeAlreadyExists for type 0 on a valued attribute;
//                      kErrMissingMandatory when a change leaves a mandatory attribute empty.
//                      Types 5 and 7 do nothing for a value already there or already gone.
//   ChangeBaseClass    kErrNoSuchClass, kErrNotEffectiveClass, kErrNotLeafEntry (a non-container
//                      class for an entry with children), kErrIllegalAttribute,
//                      kErrMissingMandatory, kErrIllegalContainment (for the entry in its
//                      container, or for a child below the entry), checked in this order.
//                      On success "Object Class" becomes the new class chain (base class
//                      first) followed by the entry's auxiliary classes.
//   ReadStream         kErrSyntaxViolation for an attribute that is not a stream.
// A store damaged where the opening checks do not look is reported as kErrStoreCorrupt by the
// operation that meets the damage; nothing is ever repaired.

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
