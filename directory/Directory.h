#pragma once
// Everything the window calls in the directory access layer.

#include "directory/AttributeDefinitions.h"
#include "directory/AttributeRemoval.h"
#include "directory/AttributeValues.h"
#include "directory/ClassDefinitions.h"
#include "directory/Connection.h"
#include "directory/Contexts.h"
#include "directory/DirTime.h"
#include "directory/DirectorySession.h"
#include "directory/ErrorText.h"
#include "directory/Listing.h"
#include "directory/Names.h"
#include "directory/OctetFormatting.h"
#include "directory/StreamText.h"
#include "directory/Trees.h"
