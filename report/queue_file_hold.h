// Part of the offline queue (report_queue.cpp): the queue file made safe to hand to the profile functions.
#pragma once

#include <string>

#include "common/unique_handle.h"

namespace radu {

// The queue file and its folder, held open for as long as this lives; neither can be deleted or renamed
// meanwhile, and the profile functions can still read and write the file. `file` is empty (and the queue
// must not be written) when the path could not be opened or is not a plain file at exactly that path: a
// link, junction or mount point at it or on the way, or a second hard link.
struct QueueFileHold {
    UniqueFileHandle folder;
    UniqueFileHandle file;
};

// Opens (or first creates, empty) queuePath, the file tempFolder + its name, both 8-bit paths in the ANSI
// code page as the profile functions take them.
QueueFileHold HoldQueueFile(const char* tempFolder, const std::string& queuePath);

}  // namespace radu
