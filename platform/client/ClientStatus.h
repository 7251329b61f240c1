#pragma once
// The client's own statuses beyond those of DirectoryClient.h, one for each way a reply or
// request buffer can be malformed, so that a fault points at its cause: client::kErrReply...
// and client::kErrRequest..., defined with all other statuses in directory/Statuses.h.

#include "directory/DirectoryClient.h"
