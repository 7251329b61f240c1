#pragma once
// One client, its connection and a context on one tree, for one thread of the command line;
// and the name rules the commands share.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CommandLine.h"
#include "directory/DirectorySession.h"
#include "util/UserInterface.h"

namespace recast::cli {

// No window: message boxes the directory layer would show are kept for the caller to print.
class ConsoleUserInterface : public UserInterface {
 public:
  void MessageBox(MessageBoxKind kind, const std::string& text) override;
  bool AskOkAbort(const std::string& text) override;  // always Abort: nobody can answer
  std::optional<std::string> AskSaveFileName(const SaveDialogRequest&) override { return std::nullopt; }
  CursorId CurrentCursor() const override { return cursor_; }
  void SetCursor(CursorId cursor) override { cursor_ = cursor; }
  void ProcessPendingMessages() override {}

  // The texts shown since the last call.
  std::vector<std::string> TakeMessages();

 private:
  CursorId cursor_ = kArrowCursor;
  std::vector<std::string> messages_;
};

class TreeConnection {
 public:
  // A new client from env, its connection opened, a context on tree (typeless names, the
  // login's default container as name context). On failure returns null and sets *error to
  // the cause and the fix (unknown tree: the trees there are).
  static std::unique_ptr<TreeConnection> Open(const Environment& env, const std::string& tree, std::string* error);
  ~TreeConnection();
  TreeConnection(const TreeConnection&) = delete;
  TreeConnection& operator=(const TreeConnection&) = delete;

  DirectoryClient& client() { return *client_; }
  DirectorySession& session() { return *session_; }
  ConsoleUserInterface& ui() { return ui_; }
  DirContext ctx() const { return ctx_; }
  const std::string& tree() const { return tree_; }
  // The login's default container, absolute without leading dot ("O=ACME"); names on the
  // command line and in plans are relative to it.
  const std::string& defaultContext() const { return defaultContext_; }
  // DirErrorText of status, worded as the window shows it.
  std::string ErrorText(DirStatus status) const;

 private:
  TreeConnection() = default;

  std::unique_ptr<DirectoryClient> client_;
  ConsoleUserInterface ui_;
  std::unique_ptr<DirectorySession> session_;
  DirContext ctx_ = kNoContext;
  std::string tree_;
  std::string defaultContext_;
};

// An object or container name as the directory takes it: a DN ("uid=x,ou=people,dc=org")
// becomes its absolute dotted name (".UID=x.OU=people.DC=org"); anything else is a dotted
// name (typed or typeless, relative to the default container unless it begins with ".") and
// stays as written.
std::string DirectoryName(std::string_view text);

// The absolute form (no leading dot, "[Root]" for the top) of a dotted name against the name
// context defaultContext. Returns kErrBadName for a name that is not well formed.
DirStatus AbsoluteName(std::string_view name, std::string_view defaultContext, std::string* absolute);

// entry (one name part, as a listing gives it) below container (as DirectoryName gives it).
std::string ChildName(std::string_view entry, std::string_view container);

// The object's base class: the first value of its "Object Class". *baseClass unchanged on
// failure (kErrNoSuchEntry for a missing object).
DirStatus ReadBaseClass(DirectorySession& session, DirContext ctx, const std::string& object, std::string* baseClass);

// The message for a name the directory does not know: which, where names are looked up, how
// to write it.
std::string UnknownObjectMessage(const TreeConnection& tree, const std::string& name, DirStatus status);
// The message for a class the tree's schema lacks.
std::string UnknownClassMessage(const TreeConnection& tree, const std::string& className, DirStatus status);

// True when status means the named entry or class is not there (rather than a failing
// service).
bool IsNotFound(DirStatus status);

}  // namespace recast::cli
