// The record a download leaves beside its part files, written by a test that lays out part files of a
// download to be resumed.
#pragma once

#include <cstdint>
#include <string>

#include "download/segment_plan.h"
#include "support/test_paths.h"

namespace radu::test {

inline bool WritePartRecord(const std::wstring& target, const std::string& address, const std::string& digest,
                            uint64_t size) {
    const std::wstring identity = PartIdentity(Wide(address), Wide(digest), size, "");
    return WriteFileBytes(PartRecordName(target),
                          std::string(reinterpret_cast<const char*>(identity.data()), identity.size() * 2));
}

}  // namespace radu::test
