#pragma once
// The client's own statuses beyond those of DirectoryClient.h: one for each way a reply or
// request buffer can be malformed, so that a fault points at its cause. (-321 to -328 are the
// value codec's, platform/service/ValueCodec.h.)

#include "directory/DirectoryClient.h"

namespace recast::client {

inline constexpr DirStatus kErrReplyUnknownKind = -340;      // the buffer holds no reply of a known kind
inline constexpr DirStatus kErrReplyTruncatedNumber = -341;  // a number runs past the end
inline constexpr DirStatus kErrReplyTruncatedText = -342;    // a text or value runs past the end
inline constexpr DirStatus kErrReplyTextTooLong = -343;      // a text longer than its out-buffer
inline constexpr DirStatus kErrReplyCountTooLarge = -344;    // a count the remaining bytes cannot hold
inline constexpr DirStatus kErrReplyBadObjectId = -345;      // an object identifier over 32 bytes
inline constexpr DirStatus kErrReplyBadInfoType = -346;      // an information type the reply cannot have
inline constexpr DirStatus kErrRequestBadChange = -347;      // a change type outside 0..7 in a request
inline constexpr DirStatus kErrRequestBadValueFlag = -348;   // a change's value marker is neither 0 nor 1
inline constexpr DirStatus kErrReplyTooSmall = -349;         // one item alone does not fit the reply buffer

}  // namespace recast::client
