#pragma once
// Kill-at-every-write runs of the engine's writers and the check that follows each
// kill: every stored row found in every tag, by another program's reading of the bytes
// (RawCdx.h) and by our walks.

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>

namespace xbtest {

// Ends this process with SIGKILL at its `writes`th file write from now.
void KillAtWrite(int writes);

// Runs run(writes, &done) for writes = 1, 2, ... until it sets done, spread over a
// process per CPU this one may use, 4 at least (each takes every n-th kill point); its
// problems go to the file descriptor `out`, one line per kill point.
void ForEachKillPoint(const std::function<std::string(int writes, bool* done)>& run, int out);

// The files of a folder by name, as they are now.
using Files = std::map<std::string, std::string>;
Files SaveFiles(const std::string& dir);
void WriteFiles(const std::string& dir, const Files& files);

// ForEachKillPoint with run(dir, writes, &done) on a fresh folder holding `saved` for
// each kill point (removed after it): every kill point's problems, "" when none had any.
std::string KillPointProblems(const Files& saved,
                              const std::function<std::string(const std::string& dir, int writes, bool* done)>& run);

// "" when every counted record, and every live one past the count, is found in each of
// its tags by rawcdx's descent and walk and by our seek and walks both ways (ours left to
// our check of the index with whole). With whole, every tag
// must hold exactly the counted records' entries (deleted ones aside) in a sound tree;
// with named, entries that are not their record's may be only of those records.
std::string TagsMissRows(const std::string& path, bool whole, const std::set<uint32_t>* named = nullptr);

}  // namespace xbtest
