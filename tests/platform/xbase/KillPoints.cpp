// The checks repeat for every kill point: optimised even in a debug build.
#pragma GCC optimize("O2")
#include "tests/platform/xbase/KillPoints.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <map>
#include <vector>

#include "platform/xbase/EngineState.h"
#include "platform/xbase/File.h"
#include "platform/xbase/TableFiles.h"
#include "tests/platform/xbase/RawCdx.h"
#include "tests/platform/xbase/XbaseTestUtil.h"

namespace xbtest {

namespace {
int gWritesBeforeKill = 0;
}  // namespace

void KillAtWrite(int writes) {
  gWritesBeforeKill = writes;
  xb::writeHook = [](const std::string&) { if (--gWritesBeforeKill == 0) raise(SIGKILL); };
}

std::string TagsMissRows(const std::string& path, bool whole, const std::set<uint32_t>* named) {
  const std::string dbf = xbtest::ReadFile(path), cdx = xbtest::ReadFile(xb::CompanionPath(path, "cdx"));
  const xbtest::DbfLayout layout(dbf);
  const size_t count = layout.count, records = layout.Whole(dbf.size());
  const auto record = [&](uint32_t n) { return dbf.data() + layout.At(n); };
  Engine e;
  code4readOnly(e, 1);
  DATA4* d = d4open(e, path.c_str());
  if (!d) return "cannot open";
  std::string problem;
  const std::map<std::string, uint32_t> headers = rawcdx::TagHeaders(cdx);
  for (auto& t : d->tags) {
    const std::string at = " tag " + t->name + ": ";
    if (headers.count(t->name) == 0) {
      problem += at + "not in the directory;";
      continue;
    }
    rawcdx::Tag raw(cdx, headers.at(t->name), t->type == xb::KeyType::kNumeric);
    std::string walkProblem;
    std::vector<rawcdx::Entry> walked = raw.Walk(&walkProblem), found = raw.Found(&walkProblem);
    if (!walkProblem.empty()) problem += at + "another program's reading:" + walkProblem;
    std::vector<rawcdx::Entry> ours[2] = {walked, walked};
    d->index->LockShared();
    for (const bool forward : {true, false}) {
      if (whole) break;
      ours[forward].clear();
      auto c = d->index->NewCursor(t->index);
      for (bool ok = forward ? c->First() : c->Last(); ok; ok = forward ? c->Next() : c->Prev()) {
        ours[forward].emplace_back(c->Key(), c->RecNo());
      }
      if (!c->LastStatus().ok()) problem += at + "our walk: " + c->LastStatus().message() + ";";
    }
    std::reverse(ours[false].begin(), ours[false].end());
    std::vector<rawcdx::Entry> expected, sought;
    rawcdx::Entry entry;
    for (uint32_t n = 1; n <= records; ++n) {
      const char* rec = record(n);
      if ((n > count && rec[0] == '*') || !t->KeyOf(rec, &entry.first)) continue;
      entry.second = n;
      expected.push_back(entry);
    }
    std::sort(expected.begin(), expected.end());
    for (auto c = d->index->NewCursor(t->index); const rawcdx::Entry& e : expected) {
      if (whole || (c->SeekEntry(e.first, e.second) && c->RecNo() == e.second && c->Key() == e.first)) sought.push_back(e);
    }
    d->index->UnlockShared();
    const std::pair<const char*, std::vector<rawcdx::Entry>*> readers[] = {
        {"another program's seek", &found}, {"another program's walk", &walked}, {"our seek", &sought},
        {"our forward walk", &ours[1]}, {"our backward walk", &ours[0]}};
    for (const auto& [by, seen] : readers) {
      if (!std::is_sorted(seen->begin(), seen->end())) std::sort(seen->begin(), seen->end());
      std::vector<rawcdx::Entry> missing;
      std::set_difference(expected.begin(), expected.end(), seen->begin(), seen->end(), std::back_inserter(missing));
      for (const rawcdx::Entry& e : missing) {
        problem += at + "record " + std::to_string(e.second) + (e.second > count ? " (live, past the count)" : "") +
                   " not found by " + by + ";";
      }
    }
    if (!whole && !named) continue;
    if (const std::string broken = whole ? raw.Whole() : ""; !broken.empty()) problem += at + broken;
    std::vector<rawcdx::Entry> extra;
    std::set_difference(walked.begin(), walked.end(), expected.begin(), expected.end(), std::back_inserter(extra));
    for (const rawcdx::Entry& e : extra) {
      if (named && named->count(e.second)) continue;
      if (e.second > count || record(e.second)[0] != '*' || named) {
        problem += at + "holds an entry of record " + std::to_string(e.second) + " that is not its;";
      }
    }
  }
  if (const xb::Status s = d->index->Check(); whole && !s.ok()) problem += " our check: " + s.message();
  d4close(d);
  return problem;
}

void ForEachKillPoint(const std::function<std::string(int writes, bool* done)>& run, int out) {
  cpu_set_t cpus;
  const int workers = std::max(4, sched_getaffinity(0, sizeof cpus, &cpus) == 0 ? CPU_COUNT(&cpus) : 0);
  std::vector<pid_t> kids;
  for (int w = 0; w < workers; ++w) {
    kids.push_back(Spawn([&, w] {
      bool done = false;
      for (int writes = 1 + w; !done; writes += workers) {
        const std::string problem = run(writes, &done);
        if (done) std::printf("[kill] the writer ended by itself after %d writes\n", writes - 1), std::fflush(stdout);
        if (problem.empty()) continue;
        const std::string line = "killed after write " + std::to_string(writes) + ":" + problem + "\n";
        if (::write(out, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return 2;
      }
      return 0;
    }));
  }
  for (pid_t k : kids) EXPECT_EQ(Wait(k), 0);
}

Files SaveFiles(const std::string& dir) {
  Files files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.is_regular_file()) files[entry.path().filename().string()] = ReadFile(entry.path().string());
  }
  return files;
}

void WriteFiles(const std::string& dir, const Files& files) {
  for (const auto& [name, bytes] : files) WriteFile(dir + "/" + name, bytes);
}

std::string KillPointProblems(const Files& saved,
                              const std::function<std::string(const std::string& dir, int writes, bool* done)>& run) {
  const std::string log = NewDir() + "/problems";
  const int out = ::open(log.c_str(), O_CREAT | O_RDWR | O_APPEND, 0600);
  if (out < 0) return "cannot make " + log;
  ForEachKillPoint([&](int writes, bool* done) {
    const std::string dir = NewDir();
    WriteFiles(dir, saved);
    const std::string problem = run(dir, writes, done);
    std::filesystem::remove_all(dir);
    return problem;
  }, out);
  ::close(out);
  return ReadFile(log);
}

}  // namespace xbtest
