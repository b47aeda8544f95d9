#pragma once
// Writing whole index files: tag headers, the tag directory, and trees built bottom-up
// from sorted entries (tag pages with room for inserts). Used by Create (empty tags)
// and RebuildAll.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/xbase/Cdx.h"
#include "platform/xbase/CdxTree.h"

namespace xb::cdx {

inline uint8_t FillerFor(KeyType type) { return type == KeyType::kNumeric ? 0x00 : 0x20; }

// A tag's entries sorted by key, then record number.
using SortedTag = TagEntries;

// Checks and sorts one tag's entries in place; with unique only the lowest record
// number of each key stays. kInvalid for keys of the wrong length, record number 0 or
// an entry given twice.
Status SortEntries(TagEntries* entries, const TagDef& def);

// Checks a tag definition for Create and brings its name to upper case.
Status CheckTagDef(TagDef* def);

// Writes a complete index file at path (created or truncated) and syncs it.
// counters[i] becomes tag i's change counter, fileCounter the file's (bytes 8..11);
// tags[i] may be null for an empty tag.
Status WriteIndexFile(const std::string& path, const std::vector<TagDef>& defs,
                      const std::vector<const SortedTag*>& tags, const std::vector<uint32_t>& counters,
                      uint32_t fileCounter = 0);

}  // namespace xb::cdx
