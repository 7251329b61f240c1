#include "cli/TreeConnection.h"

#include <cstdlib>

#include "directory/AttributeValues.h"
#include "directory/Connection.h"
#include "directory/Contexts.h"
#include "directory/ErrorText.h"
#include "directory/Names.h"
#include "directory/Trees.h"
#include "platform/client/DottedName.h"
#include "platform/ldap/LdapNames.h"
#include "util/Format.h"
#include "util/TextHelpers.h"

namespace recast::cli {

void ConsoleUserInterface::MessageBox(MessageBoxKind, const std::string& text) { messages_.push_back(text); }

bool ConsoleUserInterface::AskOkAbort(const std::string& text) {
  messages_.push_back(text);
  return false;
}

std::vector<std::string> ConsoleUserInterface::TakeMessages() {
  std::vector<std::string> taken;
  taken.swap(messages_);
  return taken;
}

std::unique_ptr<TreeConnection> TreeConnection::Open(const Environment& env, const std::string& tree,
                                                     std::string* error) {
  std::unique_ptr<TreeConnection> c(new TreeConnection());
  c->client_ = env.makeClient();
  c->session_ = env.errorTextLibrary.empty()
                    ? std::make_unique<DirectorySession>(*c->client_, c->ui_)
                    : std::make_unique<DirectorySession>(*c->client_, c->ui_, env.errorTextLibrary);
  const ConnStatus opened = OpenPrimaryConnection(*c->session_);
  if (opened != 0) {
    *error = Format("Cannot open the directory connection: %s. Check the connections in %s.",
                    {DirErrorText(*c->session_, opened), env.configFile.string()});
    return nullptr;
  }
  if (const DirStatus s = c->client_->CreateContext(&c->ctx_); s != 0) {
    c->ctx_ = kNoContext;
    *error = Format("Cannot create a directory context: %s", {DirErrorText(*c->session_, s)});
    return nullptr;
  }
  if (const DirStatus s = SetTree(*c->session_, c->ctx_, tree, false); s != 0) {
    VectorTaggedList trees;
    EnumerateTrees(*c->session_, trees);
    std::string known;
    for (int i = 0; i < trees.Count(); ++i) known += (i == 0 ? "" : ", ") + trees.Text(i);
    if (std::abs(s) == std::abs(kErrBadName)) {
      *error = Format(
          "Unknown tree \"%s\": the configuration %s has no connection to it (trees: %s). Name one of these "
          "trees, or add a connection for \"%s\" to the configuration.",
          {tree, env.configFile.string(), known, tree});
    } else {
      *error = Format("Cannot switch to tree \"%s\": %s", {tree, DirErrorText(*c->session_, s)});
    }
    return nullptr;
  }
  // Names as the window takes them: typed or typeless.
  ChangeContextFlags(*c->session_, c->ctx_, '+', kFlagTypelessNames);
  c->tree_ = GetContextTreeName(*c->session_, c->ctx_);
  if (c->tree_.empty()) c->tree_ = tree;
  c->defaultContext_ = StripLeadingDot(GetNameContext(*c->session_, c->ctx_));
  return c;
}

TreeConnection::~TreeConnection() {
  if (ctx_ != kNoContext) client_->FreeContext(ctx_);
}

std::string TreeConnection::ErrorText(DirStatus status) const { return DirErrorText(*session_, status); }

std::string DirectoryName(std::string_view text) {
  if (text.empty() || text.front() == '.' || text.find(',') == std::string_view::npos) return std::string(text);
  service::EntryName name;
  if (ldap::DnToEntryName(text, &name) != 0 || name.empty()) return std::string(text);
  for (const service::NamePart& part : name) {
    if (part.type.empty()) return std::string(text);
  }
  return "." + ldap::DottedText(name);
}

DirStatus AbsoluteName(std::string_view name, std::string_view defaultContext, std::string* absolute) {
  service::EntryName context;
  if (const DirStatus s = client::ParseNameContext(defaultContext, &context); s != 0) return s;
  service::EntryName resolved;
  if (const DirStatus s = client::ResolveDottedName(name, context, &resolved); s != 0) return s;
  *absolute = client::FormatDottedName(resolved, false);
  return 0;
}

std::string ChildName(std::string_view entry, std::string_view container) {
  if (container.empty()) return std::string(entry);
  if (container == kRootName) return "." + std::string(entry);
  if (container.front() == '.') return "." + std::string(entry) + std::string(container);
  return std::string(entry) + "." + std::string(container);
}

DirStatus ReadBaseClass(DirectorySession& session, DirContext ctx, const std::string& object, std::string* baseClass) {
  VectorTaggedList classes;
  const DirStatus status = ReadAttributeValues(session, ctx, object, kObjectClassAttribute, classes);
  if (classes.Count() == 0) return status != 0 ? status : kErrNoSuchAttribute;
  *baseClass = classes.Text(0);
  return 0;
}

bool IsNotFound(DirStatus status) {
  const DirStatus code = -std::abs(status);
  return code == kErrNoSuchEntry || code == kErrBadName || code == kErrNoSuchClass;
}

std::string UnknownObjectMessage(const TreeConnection& tree, const std::string& name, DirStatus status) {
  if (!IsNotFound(status)) {
    return Format("Cannot read \"%s\" in tree %s: %s", {name, tree.tree(), tree.ErrorText(status)});
  }
  return Format(
      "No object \"%s\" in tree %s: %s. Names are relative to the login's container \"%s\" (a leading \".\" "
      "counts from the top of the tree); an LDAP tree also takes the entry's DN.",
      {name, tree.tree(), tree.ErrorText(status), AddLeadingDot(tree.defaultContext())});
}

std::string UnknownClassMessage(const TreeConnection& tree, const std::string& className, DirStatus status) {
  if (!IsNotFound(status)) {
    return Format("Cannot read the class \"%s\" in tree %s: %s", {className, tree.tree(), tree.ErrorText(status)});
  }
  return Format(
      "Unknown class \"%s\": the schema of tree %s has no such class (%s). Name a class of that schema, "
      "written as the window lists it (case counts).",
      {className, tree.tree(), tree.ErrorText(status)});
}

}  // namespace recast::cli
