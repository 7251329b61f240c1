// Keeping what a change removes: value exports, their import, LDIF restore records.
#include "platform/client/NativeDirectoryClient.h"
#include "platform/client/ValueExport.h"

namespace recast::client {

DirStatus NativeDirectoryClient::ExportAttributeValues(DirContext ctx, const char* object, const char* attrName,
                                                       std::string* exported) {
  Context* context = nullptr;
  Connection* connection = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  if (attrName == nullptr || exported == nullptr) return kErrBadArgument;
  if (DirStatus s = ConnectionFor(*context, &connection); s != 0) return s;
  const bool deref = (context->flags & kFlagDerefAliases) != 0;
  service::EntryName entry;
  if (DirStatus s = Resolve(*context, *connection, object, deref, &entry); s != 0) return s;
  return ExportValues(*connection->service, entry, attrName, deref, exported);
}

DirStatus NativeDirectoryClient::ImportAttributeValues(DirContext ctx, const char* object, const char* attrName,
                                                       const char* exported) {
  Context* context = nullptr;
  Connection* connection = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  if (attrName == nullptr || exported == nullptr) return kErrBadArgument;
  // A text that is not an export fails before anything is resolved or sent.
  std::uint32_t syntax = 0;
  std::vector<service::DirValue> values;
  if (DirStatus s = ReadValueExport(exported, &syntax, &values); s != 0) return s;
  if (DirStatus s = ConnectionFor(*context, &connection); s != 0) return s;
  const bool deref = (context->flags & kFlagDerefAliases) != 0;
  service::EntryName entry;
  if (DirStatus s = Resolve(*context, *connection, object, deref, &entry); s != 0) return s;
  return ImportValues(*connection->service, entry, attrName, deref, exported);
}

DirStatus NativeDirectoryClient::DescribeRestoreLdif(DirContext ctx, const char* object,
                                                     const std::vector<std::string>& attrNames, std::string* ldif) {
  Context* context = nullptr;
  Connection* connection = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  if (ldif == nullptr) return kErrBadArgument;
  if (DirStatus s = ConnectionFor(*context, &connection); s != 0) return s;
  service::EntryName entry;
  if (DirStatus s = Resolve(*context, *connection, object, (context->flags & kFlagDerefAliases) != 0, &entry); s != 0) {
    return s;
  }
  return connection->service->DescribeRestoreLdif(entry, attrNames, ldif);
}

}  // namespace recast::client
