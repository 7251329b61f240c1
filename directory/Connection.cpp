#include "directory/Connection.h"

#include "directory/ErrorText.h"

namespace recast {

ConnStatus OpenPrimaryConnection(DirectorySession& session) {
  if (session.connectionHandle != kNoConnectionHandle) return 0;
  DirectoryClient& client = session.client;
  ConnStatus status = client.InitClient(0, 0);
  if (status != 0) return status;
  ConnRef reference = 0;
  if (client.GetPrimaryConnectionRef(&reference) != 0) {
    std::uint32_t iterator = 0;
    status = client.ScanConnectionRefs(&iterator, &reference);
    if (status != 0) return status;
  }
  ConnHandle connection = kNoConnectionHandle;
  status = client.OpenConnectionByRef(reference, 1, 0, &connection);
  if (status == 0) session.connectionHandle = connection;
  return status;
}

ConnStatus InitNetWare(DirectorySession& session) {
  const ConnStatus status = OpenPrimaryConnection(session);
  if (status != 0) {
    ShowDirError(session, status,
                 status == kConnCannotInitialize ? "Could not initialize NetWare Client. InitNetWare"
                                                 : "Could not find server/tree connection. InitNetWare");
  }
  return status;
}

}  // namespace recast
